// The notification-icon record and the popup menu, in process, over the real resources.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The items of a menu as "id text"; a separator as "-".
std::vector<std::string> Items(HMENU menu)
{
    std::vector<std::string> items;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        char text[128] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back((info.fType & MFT_SEPARATOR) ? "-" : std::to_string(info.wID) + " " + text);
    }
    return items;
}

// Popups seen by the test window while TrackPopupMenu ran, each closed at once.
std::vector<std::vector<std::string>> Popups;

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
    // Creating the window (in SetUp) added the icon with the enabled state.
    EXPECT_EQ(TrayIconRecord.hWnd, window);
    EXPECT_EQ(TrayIconRecord.uFlags, 7u);
    EXPECT_STREQ(TrayIconRecord.szTip, "Halvane D3D HAL - Enabled");
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

// Only a button press on our icon opens the popup; its first text follows the state, and Close
// is there only while Ctrl is held.
TEST_F(TrayTest, PopupOpensOnButtonPressesWithItemsByStateAndCtrl)
{
    const std::string setup = "40004 Halvane D3D Setup...", about = "40005 About...", close = "40002 Close";
    const std::string off = "40001 Disable Halvane HAL", on = "40001 Enable Halvane HAL";
    struct Case {
        DWORD enabled;
        bool ctrl;
        WPARAM icon;
        LPARAM mouse;
        std::vector<std::string> popup; // empty: none opens
    };
    const Case cases[] = {
        {1, false, 102, WM_RBUTTONDOWN, {off, setup, "-", about}},
        {0, false, 102, WM_LBUTTONDOWN, {on, setup, "-", about}},
        {1, true, 102, WM_LBUTTONDOWN, {off, setup, "-", about, close}},
        {0, true, 102, WM_RBUTTONDOWN, {on, setup, "-", about, close}},
        {1, false, 102, WM_LBUTTONUP, {}},
        {1, false, 102, WM_RBUTTONUP, {}},
        {1, false, 102, WM_MOUSEMOVE, {}},
        {1, false, 102, WM_LBUTTONDBLCLK, {}},
        {1, true, 102, WM_RBUTTONDBLCLK, {}},
        {1, false, 103, WM_LBUTTONDOWN, {}},
        {1, false, 0, WM_RBUTTONDOWN, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " ctrl " << c.ctrl << " icon " << c.icon
                                        << " mouse message " << c.mouse);
        HalEnabled = c.enabled;
        PressCtrl(c.ctrl);
        Popups.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        PressCtrl(false);
        EXPECT_EQ(Popups, c.popup.empty() ? decltype(Popups)() : decltype(Popups){c.popup});
    }
}

} // namespace
