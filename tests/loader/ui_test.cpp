// The loader's windows in process, over the real resources: the notification-icon record and
// the popup menu, and the About box.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>
#include <psapi.h>

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

// Each row: the HAL state, an operation whose icon record is checked, then a mouse message on
// an icon (with Ctrl held or not) and the popup it opens: only a button press on ours opens it,
// its first text follows the state, and Close is there only while Ctrl is held.
TEST(Tray, RecordAndPopup)
{
    AppInstance = GetModuleHandleA(NULL);
    EnabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_ENABLED));
    DisabledIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_HAL_DISABLED));
    WNDCLASSA wc = {0, TestWndProc, 0, 0, AppInstance, NULL, NULL, NULL, NULL, "QtxTrayTest"};
    RegisterClassA(&wc);
    HalEnabled = 1;
    HWND window = CreateWindowExA(0, "QtxTrayTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, NULL, NULL, AppInstance, NULL);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TrayIconRecord.uFlags, 7u) << "creating the window adds the icon";
    const std::string menu = "40004 Halvane D3D Setup...;-;40005 About...;", close = "40002 Close;";
    const std::string off = "40001 Disable Halvane HAL;" + menu, on = "40001 Enable Halvane HAL;" + menu;
    const struct {
        DWORD enabled, operation;
        bool ctrl;
        WPARAM icon;
        LPARAM mouse;
        std::string popup;
    } cases[] = {
        {1, NIM_ADD, false, 102, WM_RBUTTONDOWN, off}, {0, NIM_MODIFY, false, 102, WM_LBUTTONDOWN, on},
        {1, NIM_DELETE, true, 102, WM_LBUTTONDOWN, off + close}, {0, NIM_ADD, true, 102, WM_RBUTTONDOWN, on + close},
        {1, NIM_MODIFY, false, 102, WM_LBUTTONUP, ""}, {0, NIM_DELETE, false, 102, WM_MOUSEMOVE, ""},
        {1, NIM_ADD, true, 102, WM_RBUTTONDBLCLK, ""}, {1, NIM_ADD, false, 103, WM_LBUTTONDOWN, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.enabled << c.ctrl << " operation " << c.operation << " message " << c.mouse);
        HalEnabled = c.enabled;
        memset(&TrayIconRecord, 0xbd, sizeof TrayIconRecord);
        TrayIcon(window, c.operation);
        const NOTIFYICONDATAA &r = TrayIconRecord;
        EXPECT_TRUE(r.cbSize == 88 && r.hWnd == window && r.uID == 102 && r.uCallbackMessage == 0x465 && r.szTip[63] == 0);
        EXPECT_EQ(r.uFlags, c.operation == NIM_ADD ? 7u : c.operation == NIM_MODIFY ? 6u : 0u);
        EXPECT_TRUE(r.hIcon == (c.enabled ? EnabledIcon : DisabledIcon) && r.hIcon);
        EXPECT_STREQ(r.szTip, c.enabled ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled");
        keybd_event(VK_CONTROL, 0, c.ctrl ? 0 : KEYEVENTF_KEYUP, 0); // the key state lags a little
        EXPECT_TRUE(WaitUntil([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == c.ctrl; }, 3000));
        Popup.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        EXPECT_EQ(Popup, c.popup);
    }
    DestroyWindow(window);
    MSG quit; // that the main window's destruction posts
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    HalEnabled = 0;
}

// The whole logo stretched over the frame (the client area, children hidden): pixels match the
// logo's at points in one-coloured 5 x 5 patches, within 8 per channel for 16-bit displays. Each
// paint loads the logo (about 370 KB as a 32-bit device bitmap) and a block of its rows (46 KB):
// two hundred leaked ones would grow the process by tens of megabytes.
void ExpectLogo(HWND dialog)
{
    HDC logo = CreateCompatibleDC(NULL), dc = GetDC(dialog);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(AppInstance, "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SelectObject(logo, bitmap);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client;
    GetClientRect(dialog, &client);
    int samples = 0;
    for (int v = 4; v < 266; v += 13)
        for (int u = 4; u < 341; u += 13) {
            COLORREF want = GetPixel(logo, u, v), got = GetPixel(dc, (2 * u + 1) * client.right / 690, (2 * v + 1) * client.bottom / 540);
            bool uniform = true;
            for (int i = 0; i < 25; i++)
                uniform &= GetPixel(logo, u - 2 + i % 5, v - 2 + i / 5) == want;
            samples += uniform;
            for (int shift = 0; uniform && shift < 24; shift += 8)
                EXPECT_LE(abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)), 8) << "at logo (" << u << "," << v << ")";
        }
    EXPECT_GE(samples, 50);
    ReleaseDC(dialog, dc), DeleteDC(logo), DeleteObject(bitmap);
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    for (int i = 0; i < 200; i++)
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    EXPECT_LT(after.WorkingSetSize, before.WorkingSetSize + 4000000) << "bitmaps or blocks left behind";
}

// A modal run driven by a timer, whose ticks come only when the queue is empty: each answers an
// error box, or finds the About box and presses Esc, or sees that it survived that, checks the
// logo and ends it with OK or the close box.
struct {
    bool closeBox;
    HWND box;
    bool ended;
    std::string errors; // texts of the error boxes, each answered with OK
} Modal;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND error = FindProcessWindow("#32770", "Error", GetCurrentProcessId())) {
        for (const std::string &t : ChildTexts(error))
            Modal.errors += t + "|";
        PostMessageA(error, WM_COMMAND, IDOK, 0);
    } else if (!Modal.box) {
        char version[64] = "";
        GetDlgItemTextA(Modal.box = FindProcessWindow("#32770", "Halvane D3D Setup", GetCurrentProcessId()),
                        IDC_ABOUT_VERSION, version, sizeof version);
        EXPECT_STREQ(version, "3.1.0c4");
        PostMessageA(GetDlgItem(Modal.box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (!Modal.ended) {
        Modal.ended = true;
        EXPECT_TRUE(IsWindowVisible(Modal.box)) << "Esc ended it";
        if (AppInstance == GetModuleHandleA(NULL))
            ExpectLogo(Modal.box);
        PostMessageA(Modal.box, Modal.closeBox ? WM_SYSCOMMAND : WM_COMMAND, Modal.closeBox ? SC_CLOSE : IDOK, 0);
    }
}

// Esc leaves it open; OK and the close box end it with 1; without its logo (an instance that
// holds none) it reports "LoadBitmap failed" and still works.
TEST(About, ModalEndingsAndLogo)
{
    for (const char *dll : {(const char *)NULL, "kernel32.dll"})
        for (bool closeBox : {false, true}) {
            SCOPED_TRACE(testing::Message() << (dll ? "logo missing, " : "") << (closeBox ? "close box" : "OK"));
            AppInstance = GetModuleHandleA(dll);
            Modal = {closeBox, NULL, false, ""};
            UINT_PTR timer = SetTimer(NULL, 0, 10, Tick);
            EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0), 1);
            KillTimer(NULL, timer);
            EXPECT_TRUE(Modal.ended);
            EXPECT_EQ(Modal.errors.empty(), !dll) << Modal.errors;
            EXPECT_EQ(Modal.errors.find("LoadBitmap failed|") != std::string::npos, dll != NULL);
        }
}

} // namespace
