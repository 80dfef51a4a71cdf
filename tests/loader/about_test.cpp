// The About box in process, over the real template and logo: how it ends, what it draws, what a
// missing logo reports, and what a hundred repaints leave behind.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

namespace {

const int LogoWidth = 345, LogoHeight = 270;

// A modal run driven by a thread timer that the modal loops dispatch: each tick answers an error
// box, or finds the About box, or posts the next step.
struct ModalRun {
    std::vector<void (*)(HWND)> steps;
    size_t next = 0, survived = 0; // steps after which the box was still open
    HWND box = NULL;
    char version[64] = "";
    RECT rect = {};
    std::string errors; // texts of the error boxes, each answered with OK
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
        GetWindowRect(Modal.box, &Modal.rect);
    } else if (Modal.next < Modal.steps.size()) {
        Modal.survived += Modal.next > 0 && IsWindowVisible(Modal.box);
        Modal.steps[Modal.next++](Modal.box);
    }
}

void Escape(HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }
void ClickOk(HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }
void CloseBox(HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Esc leaves it open; OK and the close box end it with 1; without its logo (an instance that
// holds none) it reports "LoadBitmap failed" and still works.
TEST(About, ModalEndings)
{
    struct Case {
        const char *name;
        void (*finish)(HWND);
        bool logoMissing;
    } cases[] = {{"OK", ClickOk, false}, {"close box", CloseBox, false}, {"OK, logo missing", ClickOk, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppInstance = GetModuleHandleA(c.logoMissing ? "kernel32.dll" : NULL);
        Modal = ModalRun();
        Modal.steps = {Escape, c.finish};
        UINT_PTR timer = SetTimer(NULL, 0, 10, Tick);
        EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0), 1);
        KillTimer(NULL, timer);
        EXPECT_STREQ(Modal.version, "3.1.0c4");
        EXPECT_EQ(Modal.survived, 1u) << "Esc ended it";
        EXPECT_EQ(Modal.rect.left, (GetSystemMetrics(SM_CXSCREEN) >> 1) - ((Modal.rect.right - Modal.rect.left) >> 1));
        EXPECT_EQ(Modal.errors.empty(), !c.logoMissing) << Modal.errors;
        EXPECT_TRUE(!c.logoMissing || Modal.errors.find("LoadBitmap failed|") != std::string::npos);
    }
}

class AboutPaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppInstance = GetModuleHandleA(NULL);
        dialog = CreateDialogParamA(AppInstance, "AboutDlg", NULL, AboutDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override { DestroyWindow(dialog); }
    void Repaint() { RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); }
    HWND dialog = NULL;
};

// The whole logo stretched over the frame, which covers the client area: the dialog's pixels
// match the logo's at points inside one-coloured patches (so any rounding of the scaling lands
// on them), within 8 per channel for 16-bit displays and palettes.
TEST_F(AboutPaint, DrawsTheWholeLogoScaledIntoTheFrame)
{
    HDC logo = CreateCompatibleDC(NULL);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(AppInstance, "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib = {};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof dib, &dib));
    ASSERT_TRUE(dib.dsBmih.biWidth == LogoWidth && dib.dsBmih.biHeight == LogoHeight && dib.dsBmih.biBitCount == 4 &&
                dib.dsBmih.biCompression == BI_RGB);
    HGDIOBJ old = SelectObject(logo, bitmap);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    Repaint();
    RECT client;
    GetClientRect(dialog, &client);
    HDC dc = GetDC(dialog);
    int samples = 0;
    for (int v = 4; v < LogoHeight - 4; v += 13)
        for (int u = 4; u < LogoWidth - 4; u += 13) {
            COLORREF want = GetPixel(logo, u, v);
            bool uniform = true;
            for (int i = 0; i < 25; i++)
                uniform &= GetPixel(logo, u - 2 + i % 5, v - 2 + i / 5) == want;
            if (!uniform)
                continue;
            samples++;
            int x = (2 * u + 1) * client.right / (2 * LogoWidth), y = (2 * v + 1) * client.bottom / (2 * LogoHeight);
            COLORREF got = GetPixel(dc, x, y);
            EXPECT_TRUE(abs(GetRValue(got) - GetRValue(want)) <= 8 && abs(GetGValue(got) - GetGValue(want)) <= 8 &&
                        abs(GetBValue(got) - GetBValue(want)) <= 8)
                << "at (" << x << "," << y << "): " << std::hex << got << " for " << want;
        }
    EXPECT_GE(samples, 50);
    ReleaseDC(dialog, dc);
    SelectObject(logo, old);
    DeleteObject(bitmap);
    DeleteDC(logo);
}

size_t HeapBytesInUse()
{
    size_t bytes = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(GetProcessHeap());
    while (HeapWalk(GetProcessHeap(), &entry))
        bytes += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? entry.cbData : 0;
    HeapUnlock(GetProcessHeap());
    return bytes;
}

// Each paint loads the logo and a block of its rows (about 46 KB); a hundred paints that leaked
// them would grow the heap by megabytes and the GDI objects by a hundred.
TEST_F(AboutPaint, HundredRepaintsLeaveNothingBehind)
{
    Repaint();
    size_t heap = HeapBytesInUse();
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 100; i++)
        Repaint();
    EXPECT_LT(HeapBytesInUse(), heap + 1000000) << "global memory left behind";
    if (gdi == 0)
        GTEST_SKIP() << "the platform reports no GDI object count (GetGuiResources is 0): bitmaps not counted";
    EXPECT_LT(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 10) << "bitmaps left behind";
}

} // namespace
