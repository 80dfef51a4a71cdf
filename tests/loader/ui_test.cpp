// The loader's windows in process, over the real resources: the notification-icon record and
// the popup menu, and the About box.
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
    keybd_event(VK_CONTROL, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(WaitUntil([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; }, 3000));
}

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

    for (DWORD enabled : {1u, 0u})
        for (DWORD operation : {NIM_ADD, NIM_MODIFY, NIM_DELETE}) {
            SCOPED_TRACE(testing::Message() << "enabled " << enabled << " operation " << operation);
            HalEnabled = enabled;
            memset(&TrayIconRecord, 0xbd, sizeof TrayIconRecord);
            TrayIcon(window, operation);
            const NOTIFYICONDATAA &r = TrayIconRecord;
            EXPECT_TRUE(r.cbSize == 88 && r.hWnd == window && r.uID == 102 && r.uCallbackMessage == 0x465);
            EXPECT_EQ(r.uFlags, operation == NIM_ADD ? 7u : operation == NIM_MODIFY ? 6u : 0u);
            EXPECT_TRUE(r.hIcon == (enabled ? EnabledIcon : DisabledIcon) && r.hIcon);
            EXPECT_STREQ(r.szTip, enabled ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled");
            EXPECT_EQ(r.szTip[63], 0) << "tip not zero-filled";
        }

    // Only a button press on our icon opens the popup; its first text follows the state, and
    // Close is there only while Ctrl is held.
    const std::string menu = "40004 Halvane D3D Setup...;-;40005 About...;", close = "40002 Close;";
    const std::string off = "40001 Disable Halvane HAL;", on = "40001 Enable Halvane HAL;";
    const struct {
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
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.enabled << c.ctrl << " icon " << c.icon << " message " << c.mouse);
        HalEnabled = c.enabled;
        PressCtrl(c.ctrl);
        Popup.clear();
        SendMessageA(window, 0x465, c.icon, c.mouse);
        PressCtrl(false);
        EXPECT_EQ(Popup, c.popup);
    }
    DestroyWindow(window);
    MSG quit; // that the main window's destruction posts
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
    HalEnabled = 0;
}

// A modal run driven by a timer, whose ticks come only when the queue is empty: each answers an
// error box, or finds the About box and presses Esc, or sees if it survived that and ends it.
struct ModalRun {
    bool closeBox; // ends it with the close box, else with OK
    HWND box = NULL;
    bool done = false, survivedEsc = false;
    char version[64] = "";
    std::string errors = ""; // texts of the error boxes, each answered with OK
} Modal;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND error = FindProcessWindow("#32770", "Error", GetCurrentProcessId())) {
        for (const std::string &t : ChildTexts(error))
            Modal.errors += t + "|";
        PostMessageA(error, WM_COMMAND, IDOK, 0);
    } else if (!Modal.box) {
        Modal.box = FindProcessWindow("#32770", "Halvane D3D Setup", GetCurrentProcessId());
        GetDlgItemTextA(Modal.box, IDC_ABOUT_VERSION, Modal.version, sizeof Modal.version);
        PostMessageA(GetDlgItem(Modal.box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (!Modal.done) {
        Modal.done = true;
        Modal.survivedEsc = IsWindowVisible(Modal.box);
        if (Modal.closeBox)
            PostMessageA(Modal.box, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PostMessageA(GetDlgItem(Modal.box, IDOK), BM_CLICK, 0, 0);
    }
}

// Esc leaves it open; OK and the close box end it with 1; without its logo (an instance that
// holds none) it reports "LoadBitmap failed" and still works.
TEST(About, ModalEndings)
{
    const struct {
        const char *name, *dll;
        ModalRun run;
    } cases[] = {{"OK", NULL, {false}}, {"close box", NULL, {true}}, {"OK, logo missing", "kernel32.dll", {false}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        AppInstance = GetModuleHandleA(c.dll);
        Modal = c.run;
        UINT_PTR timer = SetTimer(NULL, 0, 10, Tick);
        EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0), 1);
        KillTimer(NULL, timer);
        EXPECT_STREQ(Modal.version, "3.1.0c4");
        EXPECT_TRUE(Modal.survivedEsc);
        EXPECT_EQ(Modal.errors.empty(), !c.dll) << Modal.errors;
        EXPECT_EQ(Modal.errors.find("LoadBitmap failed|") != std::string::npos, c.dll != NULL);
    }
}

void Repaint(HWND dialog, int times)
{
    while (times--)
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

size_t HeapBytesInUse()
{
    size_t bytes = 0;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(GetProcessHeap(), &entry))
        bytes += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? entry.cbData : 0;
    return bytes;
}

// The whole logo stretched over the frame (the client area): pixels match the logo's at points in
// one-coloured 5 x 5 patches, within 8 per channel for 16-bit displays. Each paint loads the logo
// and a block of its rows (about 46 KB): a hundred leaked ones would grow the heap by megabytes
// and the GDI objects (where the platform counts them) by a hundred.
TEST(About, PaintsTheLogoScaledIntoTheFrameAndLeavesNothingBehind)
{
    HWND dialog = CreateDialogParamA(AppInstance = GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
    ASSERT_NE(dialog, nullptr);
    HDC logo = CreateCompatibleDC(NULL), dc = GetDC(dialog);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(AppInstance, "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    ASSERT_TRUE(bm.bmWidth == 345 && bm.bmHeight == 270 && bm.bmBitsPixel == 4) << "the logo resource's format";
    SelectObject(logo, bitmap);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    Repaint(dialog, 1);
    RECT client;
    GetClientRect(dialog, &client);
    int samples = 0;
    for (int v = 4; v < 266; v += 13)
        for (int u = 4; u < 341; u += 13) {
            COLORREF want = GetPixel(logo, u, v), got = GetPixel(dc, (2 * u + 1) * client.right / 690,
                                                                  (2 * v + 1) * client.bottom / 540);
            bool uniform = true;
            for (int i = 0; i < 25; i++)
                uniform &= GetPixel(logo, u - 2 + i % 5, v - 2 + i / 5) == want;
            samples += uniform;
            for (int shift = 0; uniform && shift < 24; shift += 8)
                EXPECT_LE(abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)), 8) << "at logo (" << u << "," << v << ")";
        }
    EXPECT_GE(samples, 50);
    ReleaseDC(dialog, dc);
    DeleteDC(logo);
    DeleteObject(bitmap);

    size_t heap = HeapBytesInUse();
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    Repaint(dialog, 100);
    EXPECT_LT(HeapBytesInUse(), heap + 1000000) << "global memory left behind";
    DestroyWindow(dialog);
    if (gdi == 0)
        GTEST_SKIP() << "pixels and memory checked, but bitmaps not counted: the platform reports no GDI objects";
    EXPECT_LT(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 10) << "bitmaps left behind";
}

} // namespace
