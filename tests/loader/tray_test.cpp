// The notification-icon record and the popup menu, in process, over the real resources.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

namespace {

std::string Popup; // the items of the last popup opened ("id text;", "-;" for a separator)

LRESULT CALLBACK TestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITMENUPOPUP) {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            char text[128] = "";
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            UINT id = GetMenuItemID(menu, i);
            Popup += (id ? std::to_string(id) + " " + text : "-") + ";";
        }
        SetTimer(window, 77, 10, NULL); // the menu's loop dispatches it: close the menu then
    }
    if (message == WM_TIMER && wParam == 77)
        return KillTimer(window, 77), EndMenu(), 0;
    return MainWndProc(window, message, wParam, lParam);
}

void PressCtrl(bool down) // through simulated input, waiting for the key state to follow
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_CONTROL;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
    ASSERT_TRUE(WaitUntil([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; }, 3000));
}

TEST(Tray, RecordAndPopup)
{
    AppInstance = GetModuleHandleA(NULL);
    EnabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_ENABLED));
    DisabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_DISABLED));
    ASSERT_TRUE(EnabledIcon && DisabledIcon && EnabledIcon != DisabledIcon);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = AppInstance;
    wc.lpszClassName = "QtxTrayTest";
    RegisterClassA(&wc);
    HalEnabled = 1;
    HWND window = CreateWindowExA(0, "QtxTrayTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, NULL, NULL, AppInstance, NULL);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TrayIconRecord.uFlags, 7u) << "creating the window adds the icon";

    for (DWORD enabled : {1u, 0u})
        for (DWORD operation : {NIM_ADD, NIM_MODIFY, NIM_DELETE}) {
            SCOPED_TRACE(testing::Message() << "enabled " << enabled << " operation " << operation);
            HalEnabled = enabled;
            memset(&TrayIconRecord, 0xbd, sizeof TrayIconRecord);
            TrayIcon(window, operation);
            const NOTIFYICONDATAA &r = TrayIconRecord;
            EXPECT_TRUE(r.cbSize == 88 && r.hWnd == window && r.uID == 102 && r.uCallbackMessage == 0x465);
            EXPECT_EQ(r.uFlags, operation == NIM_ADD ? 7u : operation == NIM_MODIFY ? 6u : 0u);
            EXPECT_EQ(r.hIcon, enabled ? EnabledIcon : DisabledIcon);
            EXPECT_STREQ(r.szTip, enabled ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled");
            EXPECT_EQ(r.szTip[63], 0) << "tip not zero-filled";
        }

    // Only a button press on our icon opens the popup; its first text follows the state, and
    // Close is there only while Ctrl is held.
    const std::string menu = "40004 Halvane D3D Setup...;-;40005 About...;", close = "40002 Close;";
    const std::string off = "40001 Disable Halvane HAL;", on = "40001 Enable Halvane HAL;";
    struct Case {
        DWORD enabled;
        bool ctrl;
        WPARAM icon;
        LPARAM mouse;
        std::string popup;
    } cases[] = {
        {1, false, 102, WM_RBUTTONDOWN, off + menu}, {0, false, 102, WM_LBUTTONDOWN, on + menu},
        {1, true, 102, WM_LBUTTONDOWN, off + menu + close}, {0, true, 102, WM_RBUTTONDOWN, on + menu + close},
        {1, false, 102, WM_LBUTTONUP, ""}, {1, false, 102, WM_MOUSEMOVE, ""}, {1, true, 102, WM_RBUTTONDBLCLK, ""},
        {1, false, 103, WM_LBUTTONDOWN, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " ctrl " << c.ctrl << " icon " << c.icon
                                        << " message " << c.mouse);
        HalEnabled = c.enabled;
        PressCtrl(c.ctrl);
        Popup.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        PressCtrl(false);
        EXPECT_EQ(Popup, c.popup);
    }
    DestroyWindow(window);
    HalEnabled = 0;
}

} // namespace
