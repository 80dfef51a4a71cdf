// The notification-icon record and the popup menu, in process, over the real resources.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MenuItem {
    UINT id;
    std::string text;
    bool operator==(const MenuItem &o) const { return id == o.id && text == o.text; }
};

std::ostream &operator<<(std::ostream &out, const MenuItem &item) { return out << item.id << " \"" << item.text << "\""; }

std::vector<MenuItem> Items(HMENU menu)
{
    std::vector<MenuItem> items;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        char text[128] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back({(info.fType & MFT_SEPARATOR) ? 0u : info.wID, text});
    }
    return items;
}

// Popups seen by the test window while TrackPopupMenu ran, each closed at once.
std::vector<std::vector<MenuItem>> Popups;

void CALLBACK CloseMenu(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    EndMenu();
}

LRESULT CALLBACK TestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITMENUPOPUP) {
        Popups.push_back(Items(reinterpret_cast<HMENU>(wParam)));
        SetTimer(window, 1, 10, CloseMenu);
    }
    return MainWndProc(window, message, wParam, lParam);
}

class TrayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        AppInstance = GetModuleHandleA(NULL);
        EnabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_ENABLED));
        DisabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_DISABLED));
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = AppInstance;
        wc.lpszClassName = "QtxTrayTestClass";
        RegisterClassA(&wc);
    }

    void SetUp() override
    {
        HalEnabled = 1;
        window = CreateWindowExA(0, "QtxTrayTestClass", "tray test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL,
                                 AppInstance, NULL);
        ASSERT_NE(window, nullptr);
        Popups.clear();
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        } // drop the WM_QUIT that WM_DESTROY posts
        HalEnabled = 0;
    }

    HWND window = NULL;
};

TEST_F(TrayTest, RecordPerStateAndOperation)
{
    struct Case {
        DWORD enabled;
        DWORD operation;
        UINT flags;
    };
    const Case cases[] = {
        {1, NIM_ADD, 7}, {1, NIM_MODIFY, 6}, {1, NIM_DELETE, 0},
        {0, NIM_ADD, 7}, {0, NIM_MODIFY, 6}, {0, NIM_DELETE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " operation " << c.operation);
        HalEnabled = c.enabled;
        memset(&TrayIconRecord, 0xbd, sizeof TrayIconRecord);
        TrayIcon(window, c.operation);
        EXPECT_EQ(TrayIconRecord.cbSize, 88u);
        EXPECT_EQ(TrayIconRecord.hWnd, window);
        EXPECT_EQ(TrayIconRecord.uID, 102u);
        EXPECT_EQ(TrayIconRecord.uFlags, c.flags);
        EXPECT_EQ(TrayIconRecord.uCallbackMessage, 0x465u);
        EXPECT_EQ(TrayIconRecord.hIcon, c.enabled ? EnabledIcon : DisabledIcon);
        EXPECT_STREQ(TrayIconRecord.szTip, c.enabled ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled");
        EXPECT_EQ(TrayIconRecord.szTip[63], 0) << "tip not zero-filled";
    }
    EXPECT_NE(EnabledIcon, nullptr);
    EXPECT_NE(DisabledIcon, nullptr);
    EXPECT_NE(EnabledIcon, DisabledIcon);
}

TEST_F(TrayTest, CreationAddsTheIconWithTheEnabledState)
{
    // SetUp created the window: WM_CREATE filled the record for NIM_ADD.
    EXPECT_EQ(TrayIconRecord.hWnd, window);
    EXPECT_EQ(TrayIconRecord.uFlags, 7u);
    EXPECT_STREQ(TrayIconRecord.szTip, "Halvane D3D HAL - Enabled");
}

TEST_F(TrayTest, OnlyButtonPressesOnOurIconOpenThePopup)
{
    struct Case {
        WPARAM icon;
        LPARAM mouse;
        bool opens;
    };
    const Case cases[] = {
        {102, WM_LBUTTONDOWN, true},  {102, WM_RBUTTONDOWN, true},  {102, WM_LBUTTONUP, false},
        {102, WM_RBUTTONUP, false},   {102, WM_MOUSEMOVE, false},   {102, WM_LBUTTONDBLCLK, false},
        {102, WM_RBUTTONDBLCLK, false}, {103, WM_LBUTTONDOWN, false}, {0, WM_RBUTTONDOWN, false},
    };
    for (const Case &c : cases) {
        Popups.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        EXPECT_EQ(Popups.size(), c.opens ? 1u : 0u) << "icon " << c.icon << " mouse message " << c.mouse;
    }
}

// Holds Ctrl down (or up) through simulated input, waiting for the key state to follow.
void PressCtrl(bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_CONTROL;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
    ASSERT_TRUE(WaitUntil([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; }, 3000))
        << "the key state did not follow the simulated Ctrl";
}

TEST_F(TrayTest, PopupTextFollowsStateAndCloseNeedsCtrl)
{
    const MenuItem setup = {40004, "Halvane D3D Setup..."}, separator = {0, ""}, about = {40005, "About..."},
                   close = {40002, "Close"};
    struct Case {
        DWORD enabled;
        bool ctrl;
        std::vector<MenuItem> expected;
    };
    const Case cases[] = {
        {1, false, {{40001, "Disable Halvane HAL"}, setup, separator, about}},
        {0, false, {{40001, "Enable Halvane HAL"}, setup, separator, about}},
        {1, true, {{40001, "Disable Halvane HAL"}, setup, separator, about, close}},
        {0, true, {{40001, "Enable Halvane HAL"}, setup, separator, about, close}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " ctrl " << c.ctrl);
        HalEnabled = c.enabled;
        PressCtrl(c.ctrl);
        Popups.clear();
        SendMessageA(window, 0x465, 102, WM_RBUTTONDOWN);
        PressCtrl(false);
        ASSERT_EQ(Popups.size(), 1u);
        EXPECT_EQ(Popups[0], c.expected);
    }
}

TEST_F(TrayTest, ResourceMenuIsUntouchedByThePopup)
{
    // Each popup works on its own loaded copy: the resource keeps its own first text.
    HMENU menu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    std::vector<MenuItem> items = Items(GetSubMenu(menu, 0));
    DestroyMenu(menu);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], (MenuItem{40001, "Enable Halvane D3D HAL"}));
}

} // namespace
