// The About box in process, over the real template and logo: how it ends, what it draws, and
// what each drawing failure reports and releases. The drawing calls are watched (and made to
// fail) through this program's import table.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/capture.h"
#include "wine/iatpatch.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const int LogoWidth = 345, LogoHeight = 270;

// ---- Watching and failing the drawing calls --------------------------------------------------

struct Watch {
    std::string fail;          // the call made to fail
    bool swallowBoxes = false; // record message boxes ("text|caption|flags") instead of showing them
    std::vector<std::string> calls, boxes;
    std::set<HGDIOBJ> bitmaps; // loaded and not yet deleted
    std::set<HGLOBAL> blocks;  // allocated and not yet freed
    int locks = 0;
    UINT allocFlags = 0;
    SIZE_T allocSize = 0;
    BITMAPINFOHEADER queried = {};
    RECT stretchDest = {}, stretchSource = {};
};
Watch W;

decltype(&LoadBitmapA) RealLoadBitmap;
decltype(&GetDIBits) RealGetDIBits;
decltype(&GlobalAlloc) RealGlobalAlloc;
decltype(&GlobalLock) RealGlobalLock;
decltype(&GlobalUnlock) RealGlobalUnlock;
decltype(&GlobalFree) RealGlobalFree;
decltype(&StretchDIBits) RealStretchDIBits;
decltype(&DeleteObject) RealDeleteObject;
decltype(&BeginPaint) RealBeginPaint;
decltype(&EndPaint) RealEndPaint;
decltype(&MessageBoxA) RealMessageBox;

// Notes the call; TRUE when it is the one to fail.
bool Call(const char *name)
{
    W.calls.push_back(name);
    return W.fail == name;
}

HBITMAP WINAPI HookLoadBitmap(HINSTANCE instance, LPCSTR name)
{
    HBITMAP bitmap = Call("LoadBitmapA") ? NULL : RealLoadBitmap(instance, name);
    if (bitmap)
        W.bitmaps.insert(bitmap);
    return bitmap;
}

int WINAPI HookGetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    if (Call(bits ? "GetDIBits rows" : "GetDIBits query"))
        return 0;
    int result = RealGetDIBits(dc, bitmap, start, lines, bits, info, usage);
    if (!bits)
        W.queried = info->bmiHeader;
    return result;
}

HGLOBAL WINAPI HookGlobalAlloc(UINT flags, SIZE_T size)
{
    HGLOBAL memory = Call("GlobalAlloc") ? NULL : RealGlobalAlloc(flags, size);
    if (memory) {
        W.blocks.insert(memory);
        W.allocFlags = flags;
        W.allocSize = size;
    }
    return memory;
}

LPVOID WINAPI HookGlobalLock(HGLOBAL memory)
{
    LPVOID p = Call("GlobalLock") ? NULL : RealGlobalLock(memory);
    W.locks += p != NULL;
    return p;
}

BOOL WINAPI HookGlobalUnlock(HGLOBAL memory) { return Call("GlobalUnlock"), W.locks--, RealGlobalUnlock(memory); }
HGLOBAL WINAPI HookGlobalFree(HGLOBAL memory) { return Call("GlobalFree"), W.blocks.erase(memory), RealGlobalFree(memory); }
BOOL WINAPI HookDeleteObject(HGDIOBJ object) { return Call("DeleteObject"), W.bitmaps.erase(object), RealDeleteObject(object); }
HDC WINAPI HookBeginPaint(HWND window, LPPAINTSTRUCT paint) { return Call("BeginPaint"), RealBeginPaint(window, paint); }
BOOL WINAPI HookEndPaint(HWND window, const PAINTSTRUCT *paint) { return Call("EndPaint"), RealEndPaint(window, paint); }

int WINAPI HookStretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const VOID *bits,
                             const BITMAPINFO *info, UINT usage, DWORD rop)
{
    W.stretchDest = {x, y, x + w, y + h};
    W.stretchSource = {sx, sy, sx + sw, sy + sh};
    return Call("StretchDIBits") ? static_cast<int>(GDI_ERROR)
                                 : RealStretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
}

int WINAPI HookMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags)
{
    if (!W.swallowBoxes)
        return RealMessageBox(owner, text, caption, flags);
    Call("MessageBoxA");
    W.boxes.push_back(std::string(owner ? "(owned) " : "") + text + "|" + (caption ? caption : "<null>") + "|" +
                      std::to_string(flags));
    return IDOK;
}

template <typename F> void Hook(const char *dll, const char *name, F &real, F hook)
{
    void *previous = PatchImport(GetModuleHandleA(NULL), dll, name, reinterpret_cast<void *>(hook));
    ASSERT_NE(previous, nullptr) << "this program does not import " << name;
    real = reinterpret_cast<F>(previous);
}

class AboutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Hook("user32.dll", "LoadBitmapA", RealLoadBitmap, &HookLoadBitmap);
        Hook("gdi32.dll", "GetDIBits", RealGetDIBits, &HookGetDIBits);
        Hook("kernel32.dll", "GlobalAlloc", RealGlobalAlloc, &HookGlobalAlloc);
        Hook("kernel32.dll", "GlobalLock", RealGlobalLock, &HookGlobalLock);
        Hook("kernel32.dll", "GlobalUnlock", RealGlobalUnlock, &HookGlobalUnlock);
        Hook("kernel32.dll", "GlobalFree", RealGlobalFree, &HookGlobalFree);
        Hook("gdi32.dll", "StretchDIBits", RealStretchDIBits, &HookStretchDIBits);
        Hook("gdi32.dll", "DeleteObject", RealDeleteObject, &HookDeleteObject);
        Hook("user32.dll", "BeginPaint", RealBeginPaint, &HookBeginPaint);
        Hook("user32.dll", "EndPaint", RealEndPaint, &HookEndPaint);
        Hook("user32.dll", "MessageBoxA", RealMessageBox, &HookMessageBox);
    }

    void SetUp() override
    {
        AppInstance = GetModuleHandleA(NULL);
        W = Watch();
    }

    void TearDown() override
    {
        W = Watch();
        if (dialog)
            DestroyWindow(dialog);
    }

    // A modeless About box: the same template and procedure, without a modal loop to drive.
    void Open()
    {
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
    }

    // Full paints, watched from the first.
    void Repaint(const char *fail = "", int times = 1)
    {
        W = Watch();
        W.fail = fail;
        W.swallowBoxes = true;
        for (int i = 0; i < times; i++)
            RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    HWND dialog = NULL;
};

// ---- Modal behaviour ------------------------------------------------------------------------

// A modal run, driven by a thread timer that the modal loops (the About box's and any message
// box's) dispatch. A tick comes only when the queue is empty, so each step finds the one before
// it handled.
struct ModalRun {
    std::vector<void (*)(HWND)> steps; // posted one per tick; the last should end the box
    size_t next = 0;
    DWORD start = GetTickCount();
    HWND box = NULL;
    char version[64] = "";
    RECT rect = {};
    size_t survived = 0; // steps after which the box was still open
    std::vector<std::string> errorBoxes; // the texts of each, answered with OK
    INT_PTR result = -2;
};
ModalRun Modal;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND error = FindProcessWindow("#32770", "Error", GetCurrentProcessId())) {
        std::string texts;
        for (const std::string &t : ChildTexts(error))
            texts += t + "|";
        Modal.errorBoxes.push_back(texts);
        PostMessageA(error, WM_COMMAND, IDOK, 0);
    } else if (!Modal.box) {
        Modal.box = FindProcessWindow("#32770", "Halvane D3D Setup", GetCurrentProcessId());
        GetDlgItemTextA(Modal.box, IDC_ABOUT_VERSION, Modal.version, sizeof Modal.version);
        GetWindowRect(Modal.box, &Modal.rect);
    } else if (Modal.next < Modal.steps.size()) {
        Modal.survived += Modal.next > 0 && IsWindowVisible(Modal.box);
        Modal.steps[Modal.next++](Modal.box);
    } else if (GetTickCount() - Modal.start > 10000) {
        EndDialog(Modal.box, -1); // do not leave the test hanging
    }
}

void Escape(HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }
void Cancel(HWND box) { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); }
void OtherCommand(HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_FRAME, BN_CLICKED), 0); }
void ClickOk(HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }
void CloseBox(HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }
void Enter(HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_RETURN, 0); }

// Escape and every command but OK leave it open; OK, Enter and the close box end it with 1;
// without its logo it reports "LoadBitmap failed" on each paint and still works.
TEST_F(AboutTest, ModalEndingsAndVersion)
{
    struct Case {
        const char *name;
        void (*finish)(HWND);
        bool logoMissing;
    };
    const Case cases[] = {
        {"OK button", ClickOk, false},
        {"close box", CloseBox, false},
        {"Enter", Enter, false},
        {"OK button, logo missing", ClickOk, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // kernel32 holds no "QTXLOGO"; the template still comes from this program.
        AppInstance = c.logoMissing ? GetModuleHandleA("kernel32.dll") : GetModuleHandleA(NULL);
        Modal = ModalRun();
        Modal.steps = {Escape, Cancel, OtherCommand, c.finish};
        UINT_PTR timer = SetTimer(NULL, 0, 10, Tick);
        Modal.result = DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
        KillTimer(NULL, timer);
        EXPECT_EQ(Modal.result, 1);
        EXPECT_STREQ(Modal.version, "3.1.0c4");
        EXPECT_EQ(Modal.survived, 3u) << "Escape, IDCANCEL and other commands leave it open";
        int w = Modal.rect.right - Modal.rect.left, h = Modal.rect.bottom - Modal.rect.top;
        EXPECT_EQ(Modal.rect.left, (GetSystemMetrics(SM_CXSCREEN) >> 1) - (w >> 1));
        EXPECT_EQ(Modal.rect.top, (GetSystemMetrics(SM_CYSCREEN) >> 1) - (h >> 1));
        EXPECT_EQ(Modal.errorBoxes.empty(), !c.logoMissing);
        for (const std::string &texts : Modal.errorBoxes)
            EXPECT_NE(texts.find("LoadBitmap failed|"), std::string::npos) << texts;
    }
}

// ---- Drawing --------------------------------------------------------------------------------

// The logo as the resource holds it, selected into a memory DC for reading its pixels.
struct Logo {
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(NULL), "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HGDIOBJ old = SelectObject(dc, bitmap);
    ~Logo() { SelectObject(dc, old), DeleteObject(bitmap), DeleteDC(dc); }
    // TRUE when the 5-pixel square around (u, v) has one colour, so that any rounding of the
    // scaling lands on it.
    bool Uniform(int u, int v) const
    {
        for (int y = v - 2; y <= v + 2; y++)
            for (int x = u - 2; x <= u + 2; x++)
                if (GetPixel(dc, x, y) != GetPixel(dc, u, v))
                    return false;
        return true;
    }
};

// The whole logo is stretched over the frame, which covers the client area: captured pixels match
// the logo's at points in one-coloured patches. The controls are hidden so that none covers it.
TEST_F(AboutTest, PaintDrawsTheWholeLogoScaledIntoTheFrame)
{
    Logo logo;
    DIBSECTION section = {};
    ASSERT_TRUE(GetObjectA(logo.bitmap, sizeof section, &section));
    const BITMAPINFOHEADER &h = section.dsBmih;
    ASSERT_TRUE(h.biWidth == LogoWidth && h.biHeight == LogoHeight && h.biBitCount == 4 &&
                h.biCompression == BI_RGB && (h.biClrUsed == 0 || h.biClrUsed == 16))
        << "the logo resource should be 345 x 270, 16 colours, uncompressed";
    Open();
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    Repaint();
    RECT frame, client, whole = {0, 0, LogoWidth, LogoHeight};
    GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_FRAME), &frame);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT *>(&frame), 2);
    GetClientRect(dialog, &client);
    EXPECT_TRUE(EqualRect(&frame, &client)) << "the frame should cover the client area";
    EXPECT_TRUE(EqualRect(&W.stretchDest, &frame));
    EXPECT_TRUE(EqualRect(&W.stretchSource, &whole));
    EXPECT_EQ(W.boxes, std::vector<std::string>());
    // The block holds the header, the colour table the queried format needs and every row.
    const BITMAPINFOHEADER &q = W.queried;
    SIZE_T table = q.biCompression == BI_BITFIELDS ? 12 : q.biBitCount <= 8 ? (4u << q.biBitCount) : 0;
    EXPECT_GE(W.allocSize, 40 + table + (LogoWidth * q.biBitCount + 31) / 32 * 4 * LogoHeight)
        << q.biBitCount << " bits per pixel";
    EXPECT_TRUE(W.allocFlags & GMEM_MOVEABLE);

    Image shot = CaptureClient(dialog);
    int samples = 0, bad = 0;
    std::set<COLORREF> colours;
    std::string detail;
    for (int v = 4; v < LogoHeight - 4; v += 9) {
        for (int u = 4; u < LogoWidth - 4; u += 9) {
            POINT p = {(2 * u + 1) * client.right / (2 * LogoWidth), (2 * v + 1) * client.bottom / (2 * LogoHeight)};
            if (!logo.Uniform(u, v))
                continue;
            samples++;
            colours.insert(GetPixel(logo.dc, u, v));
            // 8 per channel covers 5- and 6-bit channels and the nearest-colour rounding of palettes.
            if (!CloseColours(shot.At(p.x, p.y), GetPixel(logo.dc, u, v), 8) && bad++ < 5)
                detail += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        }
    }
    ASSERT_GE(samples, 100);
    ASSERT_GE(colours.size(), 5u) << "the logo should be a picture, not a plain field";
    EXPECT_EQ(bad, 0) << "of " << samples << " points, for example" << detail;
}

TEST_F(AboutTest, EachFailureReportsItselfAndReleasesInnermostFirst)
{
    const std::vector<std::string> head = {"BeginPaint", "LoadBitmapA", "GetDIBits query", "GlobalAlloc",
                                           "GlobalLock", "GetDIBits rows", "StretchDIBits"};
    struct Case {
        const char *fail;
        const char *box; // "text|caption|flags" of the message, or "" for none
        size_t reached;  // calls of head made
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {"", "", 7, {"GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"}},
        {"LoadBitmapA", "LoadBitmap failed|<null>|0", 2, {"EndPaint"}},
        {"GetDIBits query", "GetDIBits (1) failed|<null>|0", 3, {"DeleteObject", "EndPaint"}},
        {"GlobalAlloc", "GlobalAlloc failed|<null>|0", 4, {"DeleteObject", "EndPaint"}},
        {"GlobalLock", "GlobalLock failed|<null>|0", 5, {"GlobalFree", "DeleteObject", "EndPaint"}},
        {"GetDIBits rows", "GetDIBits (2) failed|<null>|0", 6,
         {"GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"}},
        {"StretchDIBits", "StretchDIBits failed|Error|16", 7, // MB_ICONERROR
         {"GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"}},
    };
    Open();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "failing \"" << c.fail << "\"");
        Repaint(c.fail);
        std::vector<std::string> calls(head.begin(), head.begin() + static_cast<long>(c.reached));
        if (*c.box)
            calls.push_back("MessageBoxA");
        calls.insert(calls.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(W.calls, calls);
        EXPECT_EQ(W.boxes, *c.box ? std::vector<std::string>{c.box} : std::vector<std::string>());
        EXPECT_TRUE(W.bitmaps.empty() && W.blocks.empty() && W.locks == 0) << "something obtained was not released";
        EXPECT_TRUE(IsWindowVisible(dialog)) << "no failure ends the dialog";
    }
}

TEST_F(AboutTest, HundredRepaintsLoadAndReleaseEachTime)
{
    Open();
    Repaint("", 100);
    EXPECT_EQ(std::count(W.calls.begin(), W.calls.end(), "LoadBitmapA"), 100);
    EXPECT_EQ(std::count(W.calls.begin(), W.calls.end(), "GlobalAlloc"), 100);
    EXPECT_TRUE(W.bitmaps.empty()) << W.bitmaps.size() << " bitmaps left";
    EXPECT_TRUE(W.blocks.empty()) << W.blocks.size() << " blocks left";
    EXPECT_EQ(W.locks, 0);
    EXPECT_EQ(W.boxes, std::vector<std::string>());
}

} // namespace
