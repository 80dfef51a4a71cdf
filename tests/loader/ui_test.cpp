// The popup menu and the icon's tip in process, over the real resources: Wine cannot read them
// from another process.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

namespace {

std::string Popup; // the items of the last popup opened ("id text;", "-;" for a separator)

LRESULT CALLBACK TestWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; message == WM_INITMENUPOPUP && i < GetMenuItemCount(reinterpret_cast<HMENU>(wParam)); i++) {
        char text[128] = "";
        GetMenuStringA(reinterpret_cast<HMENU>(wParam), static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        UINT id = GetMenuItemID(reinterpret_cast<HMENU>(wParam), i);
        Popup += (id ? std::to_string(id) + " " + text : "-") + ";";
        SetTimer(window, 77, 10, NULL); // the menu's loop dispatches it: close the menu then
    }
    if (message == WM_TIMER && wParam == 77)
        return KillTimer(window, 77), EndMenu(), 0;
    return MainWndProc(window, message, wParam, lParam);
}

// Each row: the HAL state, a mouse message on an icon with Ctrl held or not, and the popup it
// opens: only a button press on ours opens it, its first text follows the state, and Close is
// there only while Ctrl is held. The icon's record (a change of it, here) follows the state too.
TEST(Tray, PopupAndTip)
{
    AppInstance = GetModuleHandleA(NULL);
    WNDCLASSA wc = {0, TestWndProc, 0, 0, AppInstance, NULL, NULL, NULL, NULL, "QtxTrayTest"};
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "QtxTrayTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, NULL, NULL, AppInstance, NULL);
    EXPECT_EQ(TrayIconRecord.uFlags, 7u) << "creating the window adds the icon";
    const std::string menu = "40004 Halvane D3D Setup...;-;40005 About...;", close = "40002 Close;";
    const std::string off = "40001 Disable Halvane HAL;" + menu, on = "40001 Enable Halvane HAL;" + menu;
    const struct { DWORD enabled; bool ctrl; WPARAM icon; LPARAM mouse; std::string popup; } cases[] = {
        {1, false, 102, WM_RBUTTONDOWN, off}, {0, false, 102, WM_LBUTTONDOWN, on}, {1, true, 102, WM_LBUTTONDOWN, off + close},
        {0, true, 102, WM_RBUTTONDOWN, on + close}, {1, false, 102, WM_LBUTTONUP, ""}, {0, false, 102, WM_MOUSEMOVE, ""},
        {1, true, 102, WM_RBUTTONDBLCLK, ""}, {1, false, 103, WM_LBUTTONDOWN, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.enabled << c.ctrl << " icon " << c.icon << " message " << c.mouse);
        HalEnabled = c.enabled, TrayIcon(window, NIM_MODIFY);
        const NOTIFYICONDATAA &r = TrayIconRecord;
        EXPECT_TRUE(r.cbSize == 88 && r.hWnd == window && r.uID == 102 && r.uFlags == 6 && r.uCallbackMessage == 0x465);
        EXPECT_STREQ(r.szTip, c.enabled ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled");
        keybd_event(VK_CONTROL, 0, c.ctrl ? 0 : KEYEVENTF_KEYUP, 0); // the key state follows a little later
        EXPECT_TRUE(WaitUntil([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == c.ctrl; }, 3000));
        Popup.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        TakeInFocusEvents(); // of the menu just closed: late, they would release the next row's Ctrl
        EXPECT_EQ(Popup, c.popup);
    }
    DestroyWindow(window);
    MSG quit; // that the main window's destruction posts
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
}

} // namespace
