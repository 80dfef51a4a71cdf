// The About box in process, over the real template and logo: its template, how it ends, what
// it draws, and what each drawing failure reports and releases. The drawing calls are watched
// (and made to fail) through this program's import table.
#include "common/globals.h"
#include "loader/loader.h"
#include "resource.h"
#include "wine/capture.h"
#include "wine/iatpatch.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const char Caption[] = "Halvane D3D Setup";
const int LogoWidth = 345, LogoHeight = 270;

// ---- The logo as the resource holds it ------------------------------------------------------

struct Logo {
    const BITMAPINFOHEADER *header = nullptr;
    const RGBQUAD *palette = nullptr;
    const BYTE *bits = nullptr;
    DWORD stride = 0;

    // Colour of the pixel at (u, v), v counted from the top.
    COLORREF At(int u, int v) const
    {
        BYTE pair = bits[static_cast<DWORD>(header->biHeight - 1 - v) * stride + u / 2];
        const RGBQUAD &q = palette[u % 2 ? pair & 0x0F : pair >> 4];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    // TRUE when the (2r+1)-square around (u, v) has one colour, so that any rounding of the
    // scaling lands on it.
    bool Uniform(int u, int v, int r) const
    {
        for (int y = v - r; y <= v + r; y++)
            for (int x = u - r; x <= u + r; x++)
                if (x < 0 || y < 0 || x >= LogoWidth || y >= LogoHeight || At(x, y) != At(u, v))
                    return false;
        return true;
    }
};

Logo ResourceLogo()
{
    Logo logo;
    HRSRC found = FindResourceA(NULL, "QTXLOGO", MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (!found)
        return logo;
    const BYTE *data = static_cast<const BYTE *>(LockResource(LoadResource(NULL, found)));
    logo.header = reinterpret_cast<const BITMAPINFOHEADER *>(data);
    logo.palette = reinterpret_cast<const RGBQUAD *>(data + logo.header->biSize);
    logo.bits = data + logo.header->biSize + 16 * sizeof(RGBQUAD);
    logo.stride = (static_cast<DWORD>(logo.header->biWidth) * logo.header->biBitCount + 31) / 32 * 4;
    return logo;
}

// ---- Watching and failing the drawing calls --------------------------------------------------

enum class Fail { Nothing, LoadBitmap, Query, Alloc, Lock, Copy, Stretch };

struct ShownBox {
    HWND owner;
    std::string text;
    bool captionNull;
    std::string caption;
    UINT flags;
};

struct Watch {
    bool recording = false;
    bool swallowBoxes = false; // record message boxes instead of showing them
    Fail fail = Fail::Nothing;
    HDC paintTarget = NULL;    // when set, the dialog paints into this DC instead of its own
    HDC realPaintDC = NULL;
    std::vector<std::string> calls;
    std::vector<ShownBox> boxes;
    // Handles acquired and released, and the arguments that matter.
    std::vector<HBITMAP> loaded, deleted;
    std::vector<HGLOBAL> allocated, freed, locked, unlocked;
    std::vector<UINT> allocFlags;
    std::vector<SIZE_T> allocSizes;
    BITMAPINFOHEADER queried = {};
    RECT stretchDest = {}, stretchSource = {};
    int began = 0, ended = 0;
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

void Note(const char *name)
{
    if (W.recording)
        W.calls.push_back(name);
}

HBITMAP WINAPI HookLoadBitmap(HINSTANCE instance, LPCSTR name)
{
    Note("LoadBitmapA");
    HBITMAP bitmap = W.fail == Fail::LoadBitmap ? NULL : RealLoadBitmap(instance, name);
    if (W.recording && bitmap)
        W.loaded.push_back(bitmap);
    return bitmap;
}

int WINAPI HookGetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    bool query = bits == NULL;
    Note(query ? "GetDIBits query" : "GetDIBits rows");
    if ((query && W.fail == Fail::Query) || (!query && W.fail == Fail::Copy))
        return 0;
    int result = RealGetDIBits(dc, bitmap, start, lines, bits, info, usage);
    if (W.recording && query)
        W.queried = info->bmiHeader;
    return result;
}

HGLOBAL WINAPI HookGlobalAlloc(UINT flags, SIZE_T size)
{
    Note("GlobalAlloc");
    HGLOBAL memory = W.fail == Fail::Alloc ? NULL : RealGlobalAlloc(flags, size);
    if (W.recording && memory) {
        W.allocated.push_back(memory);
        W.allocFlags.push_back(flags);
        W.allocSizes.push_back(size);
    }
    return memory;
}

LPVOID WINAPI HookGlobalLock(HGLOBAL memory)
{
    Note("GlobalLock");
    LPVOID p = W.fail == Fail::Lock ? NULL : RealGlobalLock(memory);
    if (W.recording && p)
        W.locked.push_back(memory);
    return p;
}

BOOL WINAPI HookGlobalUnlock(HGLOBAL memory)
{
    Note("GlobalUnlock");
    if (W.recording)
        W.unlocked.push_back(memory);
    return RealGlobalUnlock(memory);
}

HGLOBAL WINAPI HookGlobalFree(HGLOBAL memory)
{
    Note("GlobalFree");
    if (W.recording)
        W.freed.push_back(memory);
    return RealGlobalFree(memory);
}

int WINAPI HookStretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const VOID *bits,
                             const BITMAPINFO *info, UINT usage, DWORD rop)
{
    Note("StretchDIBits");
    if (W.recording) {
        W.stretchDest = {x, y, x + w, y + h};
        W.stretchSource = {sx, sy, sx + sw, sy + sh};
    }
    if (W.fail == Fail::Stretch)
        return static_cast<int>(GDI_ERROR);
    return RealStretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
}

BOOL WINAPI HookDeleteObject(HGDIOBJ object)
{
    Note("DeleteObject");
    if (W.recording)
        W.deleted.push_back(static_cast<HBITMAP>(object));
    return RealDeleteObject(object);
}

HDC WINAPI HookBeginPaint(HWND window, LPPAINTSTRUCT paint)
{
    Note("BeginPaint");
    W.began++;
    HDC dc = RealBeginPaint(window, paint);
    if (W.paintTarget) {
        W.realPaintDC = paint->hdc;
        paint->hdc = W.paintTarget;
        return W.paintTarget;
    }
    return dc;
}

BOOL WINAPI HookEndPaint(HWND window, const PAINTSTRUCT *paint)
{
    Note("EndPaint");
    W.ended++;
    PAINTSTRUCT real = *paint;
    if (W.paintTarget)
        real.hdc = W.realPaintDC;
    return RealEndPaint(window, &real);
}

int WINAPI HookMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags)
{
    if (!W.swallowBoxes)
        return RealMessageBox(owner, text, caption, flags);
    Note("MessageBoxA");
    W.boxes.push_back({owner, text ? text : "<null>", caption == NULL, caption ? caption : "", flags});
    return IDOK;
}

template <typename F> void Hook(const char *dll, const char *name, F &real, F hook)
{
    void *previous = PatchImport(GetModuleHandleA(NULL), dll, name, reinterpret_cast<void *>(hook));
    ASSERT_NE(previous, nullptr) << "this program does not import " << name;
    if (!real)
        real = reinterpret_cast<F>(previous);
}

void InstallHooks()
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

// ---- Fixture ------------------------------------------------------------------------------

class AboutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallHooks(); }

    void SetUp() override
    {
        AppInstance = GetModuleHandleA(NULL);
        W = Watch();
    }

    void TearDown() override
    {
        W = Watch();
        if (dialog && IsWindow(dialog))
            DestroyWindow(dialog);
        AppInstance = GetModuleHandleA(NULL);
    }

    // A modeless About box: the same template and procedure, without a modal loop to drive.
    HWND OpenModeless()
    {
        dialog = CreateDialogParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    void Repaint()
    {
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    HWND dialog = NULL;
};

// ---- Template -----------------------------------------------------------------------------

const BYTE *SkipText(const BYTE *p, std::string *text)
{
    const WORD *w = reinterpret_cast<const WORD *>(p);
    if (*w == 0xFFFF) {
        if (text)
            *text = "#" + std::to_string(w[1]);
        return p + 4;
    }
    std::string s;
    for (; *w; w++)
        s += static_cast<char>(*w);
    if (text)
        *text = s;
    return reinterpret_cast<const BYTE *>(w + 1);
}

// Class of a template item by name, whether stored as a predefined atom or as a string.
std::string ClassName(const std::string &stored)
{
    if (stored == "#128")
        return "BUTTON";
    if (stored == "#129")
        return "EDIT";
    if (stored == "#130")
        return "STATIC";
    std::string upper = stored;
    for (char &ch : upper)
        ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    return upper;
}

const BYTE *AlignDword(const BYTE *p, const BYTE *base)
{
    return base + ((p - base + 3) & ~3);
}

TEST_F(AboutTest, TemplateMatchesItsTable)
{
    HRSRC found = FindResourceA(NULL, "ABOUTDLG", MAKEINTRESOURCEA(5)); // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const BYTE *base = static_cast<const BYTE *>(LockResource(LoadResource(NULL, found)));
    const DLGTEMPLATE *t = reinterpret_cast<const DLGTEMPLATE *>(base);
    EXPECT_EQ(t->style, 0x90C800C0u);
    EXPECT_EQ(t->cdit, 4);
    EXPECT_EQ(t->cx, 230);
    EXPECT_EQ(t->cy, 180);
    std::string menu, cls, caption, font;
    const BYTE *p = SkipText(base + sizeof *t, &menu);
    p = SkipText(p, &cls);
    p = SkipText(p, &caption);
    WORD points = *reinterpret_cast<const WORD *>(p);
    p = SkipText(p + 2, &font);
    EXPECT_EQ(menu, "");
    EXPECT_EQ(caption, Caption);
    EXPECT_EQ(points, 8);
    EXPECT_EQ(font, "MS Sans Serif");

    struct Item {
        WORD id;
        const char *cls;
        short x, y, cx, cy;
        DWORD type, typeMask, flags;
        const char *text;
    };
    const Item expected[] = {
        {IDOK, "BUTTON", 160, 150, 50, 14, BS_DEFPUSHBUTTON, 0x0F, WS_TABSTOP, "OK"},
        {1001, "STATIC", 0, 0, 230, 180, SS_GRAYFRAME, SS_TYPEMASK, 0, ""},
        {0xFFFF, "STATIC", 135, 100, 30, 10, SS_LEFT, SS_TYPEMASK, WS_GROUP, "Version"},
        {1000, "EDIT", 165, 100, 60, 12, 0, 0, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, ""},
    };
    for (const Item &e : expected) {
        SCOPED_TRACE(testing::Message() << "control " << e.id);
        p = AlignDword(p, base);
        const DLGITEMTEMPLATE *item = reinterpret_cast<const DLGITEMTEMPLATE *>(p);
        std::string itemClass, text;
        p = SkipText(p + sizeof *item, &itemClass);
        p = SkipText(p, &text);
        p += 2 + *reinterpret_cast<const WORD *>(p);
        EXPECT_EQ(item->id, e.id);
        EXPECT_EQ(ClassName(itemClass), e.cls);
        EXPECT_EQ(item->x, e.x);
        EXPECT_EQ(item->y, e.y);
        EXPECT_EQ(item->cx, e.cx);
        EXPECT_EQ(item->cy, e.cy);
        EXPECT_EQ(item->style & e.typeMask, e.type);
        EXPECT_EQ(item->style & (WS_CHILD | WS_VISIBLE | e.flags), WS_CHILD | WS_VISIBLE | e.flags);
        EXPECT_EQ(text, e.text);
    }
}

TEST_F(AboutTest, LogoResourceIs16Colours345By270Uncompressed)
{
    Logo logo = ResourceLogo();
    ASSERT_NE(logo.header, nullptr);
    EXPECT_EQ(logo.header->biSize, 40u);
    EXPECT_EQ(logo.header->biWidth, LogoWidth);
    EXPECT_EQ(logo.header->biHeight, LogoHeight);
    EXPECT_EQ(logo.header->biBitCount, 4);
    EXPECT_EQ(logo.header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(logo.header->biClrUsed == 0 || logo.header->biClrUsed == 16) << logo.header->biClrUsed;
    std::set<COLORREF> colours;
    for (int v = 0; v < LogoHeight; v++)
        for (int u = 0; u < LogoWidth; u++)
            colours.insert(logo.At(u, v));
    EXPECT_GE(colours.size(), 4u) << "the logo should be a picture, not a plain field";
}

// ---- Modal behaviour, driven from a second thread -----------------------------------------

HWND WaitForAboutBox()
{
    HWND box = NULL;
    WaitUntil([&] { return (box = FindProcessWindow("#32770", Caption, GetCurrentProcessId())) != NULL; });
    return box;
}

// Waits until the dialog's thread has handled everything posted to it before this call, by
// posting a selection change to the version field and waiting to see it. FALSE when the dialog
// went away first.
bool Settle(HWND box)
{
    HWND edit = GetDlgItem(box, IDC_ABOUT_VERSION);
    static int round;
    int end = 1 + (++round % 5);
    PostMessageA(edit, EM_SETSEL, 0, end);
    return WaitUntil([&] {
        DWORD from = 0, to = 0;
        return IsWindow(edit) && (SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                                               reinterpret_cast<LPARAM>(&to)),
                                  from == 0 && to == static_cast<DWORD>(end));
    }) && IsWindowVisible(box);
}

struct ModalRun {
    INT_PTR result = -2;
    bool opened = false;
    std::string version;
    RECT rect = {};
    std::vector<std::string> stillOpenAfter; // actions the dialog survived
};

// Opens the About box modally on this thread while a second thread does the actions (each
// posted, then waited for) and then the final one.
ModalRun RunModal(const std::vector<std::pair<std::string, std::function<void(HWND)>>> &harmless,
                  const std::function<void(HWND)> &finish)
{
    ModalRun run;
    std::thread driver([&] {
        HWND box = WaitForAboutBox();
        run.opened = box != NULL;
        if (!box)
            return;
        char text[64] = "";
        GetDlgItemTextA(box, IDC_ABOUT_VERSION, text, sizeof text);
        run.version = text;
        GetWindowRect(box, &run.rect);
        for (const auto &action : harmless) {
            action.second(box);
            if (Settle(box))
                run.stillOpenAfter.push_back(action.first);
        }
        finish(box);
        if (!WaitUntil([&] { return !IsWindow(box); }))
            PostMessageA(box, WM_COMMAND, IDOK, 0); // do not leave the test hanging
    });
    run.result = DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
    driver.join();
    return run;
}

void PostCommand(HWND box, WPARAM id) { PostMessageA(box, WM_COMMAND, id, 0); }

TEST_F(AboutTest, OpensCentredWithTheVersionAndEndsWithOneFromOkOrCloseBox)
{
    struct Case {
        const char *name;
        std::function<void(HWND)> finish;
    };
    const Case cases[] = {
        {"OK button", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }},
        {"close box", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Enter", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_RETURN, 0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ModalRun run = RunModal({}, c.finish);
        ASSERT_TRUE(run.opened);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.version, "3.1.0c4");
        int w = run.rect.right - run.rect.left, h = run.rect.bottom - run.rect.top;
        EXPECT_EQ(run.rect.left, (GetSystemMetrics(SM_CXSCREEN) >> 1) - (w >> 1));
        EXPECT_EQ(run.rect.top, (GetSystemMetrics(SM_CYSCREEN) >> 1) - (h >> 1));
    }
}

TEST_F(AboutTest, EscapeAndOtherCommandsLeaveItOpen)
{
    const std::vector<std::pair<std::string, std::function<void(HWND)>>> actions = {
        {"Escape on OK", [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Escape on the dialog", [](HWND box) { PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"command IDCANCEL", [](HWND box) { PostCommand(box, IDCANCEL); }},
        {"command 1000", [](HWND box) { PostCommand(box, 1000); }},
        {"command 1001", [](HWND box) { PostCommand(box, 1001); }},
        {"command 40005", [](HWND box) { PostCommand(box, 40005); }},
        {"frame id with a notification", [](HWND box) { PostCommand(box, MAKEWPARAM(1001, BN_CLICKED)); }},
    };
    ModalRun run = RunModal(actions, [](HWND box) { PostCommand(box, IDOK); });
    ASSERT_TRUE(run.opened);
    std::vector<std::string> names;
    for (const auto &a : actions)
        names.push_back(a.first);
    EXPECT_EQ(run.stillOpenAfter, names);
    EXPECT_EQ(run.result, 1);
}

// ---- Drawing --------------------------------------------------------------------------------

// Where the test samples the picture: points of the target rectangle whose logo pixel sits in a
// one-coloured patch, away from the frame's edge and from the controls drawn over the logo.
struct Sample {
    int x, y;
    COLORREF expected;
};

std::vector<Sample> SamplePoints(HWND box, const RECT &target, const Logo &logo)
{
    std::vector<RECT> covered;
    for (int id : {IDOK, -1, IDC_ABOUT_VERSION}) {
        HWND child = id == -1 ? FindWindowExA(box, NULL, "Static", "Version") : GetDlgItem(box, id);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(NULL, box, reinterpret_cast<POINT *>(&r), 2);
        InflateRect(&r, 3, 3);
        covered.push_back(r);
    }
    int w = target.right - target.left, h = target.bottom - target.top;
    std::vector<Sample> samples;
    for (int v = 4; v < LogoHeight - 4; v += 9) {
        for (int u = 4; u < LogoWidth - 4; u += 9) {
            if (!logo.Uniform(u, v, 2))
                continue;
            POINT p = {target.left + (2 * u + 1) * w / (2 * LogoWidth), target.top + (2 * v + 1) * h / (2 * LogoHeight)};
            bool hidden = p.x < target.left + 3 || p.y < target.top + 3 || p.x >= target.right - 3 ||
                          p.y >= target.bottom - 3;
            for (const RECT &r : covered)
                hidden = hidden || PtInRect(&r, p);
            if (!hidden)
                samples.push_back({p.x, p.y, logo.At(u, v)});
        }
    }
    return samples;
}

// Checks the samples against an image of the client area; returns the number that differ.
int Mismatches(const Image &image, const std::vector<Sample> &samples, std::string *first)
{
    int bad = 0;
    for (const Sample &s : samples) {
        COLORREF got = image.At(s.x, s.y);
        // 8 per channel covers 5- and 6-bit channels and the nearest-colour rounding of palettes.
        if (!CloseColours(got, s.expected, 8)) {
            if (bad++ < 5) {
                char line[96];
                wsprintfA(line, " (%d,%d) expected %06lX got %06lX;", s.x, s.y, s.expected, got);
                *first += line;
            }
        }
    }
    return bad;
}

RECT FrameInClient(HWND box)
{
    RECT r;
    GetWindowRect(GetDlgItem(box, IDC_ABOUT_FRAME), &r);
    MapWindowPoints(NULL, box, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

TEST_F(AboutTest, PaintStretchesTheWholeLogoOverTheFrameOnScreen)
{
    Logo logo = ResourceLogo();
    ASSERT_NE(logo.header, nullptr);
    ASSERT_NE(OpenModeless(), nullptr);
    W.recording = true;
    Repaint();
    W.recording = false;
    RECT frame = FrameInClient(dialog), client;
    GetClientRect(dialog, &client);
    EXPECT_TRUE(EqualRect(&frame, &client)) << "the frame should cover the client area";
    EXPECT_EQ(W.stretchDest.left, frame.left);
    EXPECT_EQ(W.stretchDest.top, frame.top);
    EXPECT_EQ(W.stretchDest.right, frame.right);
    EXPECT_EQ(W.stretchDest.bottom, frame.bottom);
    RECT whole = {0, 0, LogoWidth, LogoHeight};
    EXPECT_TRUE(EqualRect(&W.stretchSource, &whole))
        << W.stretchSource.left << "," << W.stretchSource.top << " " << W.stretchSource.right << ","
        << W.stretchSource.bottom;
    EXPECT_TRUE(W.boxes.empty());

    std::vector<Sample> samples = SamplePoints(dialog, frame, logo);
    std::set<COLORREF> colours;
    for (const Sample &s : samples)
        colours.insert(s.expected);
    ASSERT_GE(samples.size(), 100u);
    ASSERT_GE(colours.size(), 5u);
    std::string detail;
    EXPECT_EQ(Mismatches(CaptureClient(dialog), samples, &detail), 0) << "of " << samples.size() << ":" << detail;
}

// A device context over a DIB section of the given depth; the 4- and 8-bit ones carry the
// standard 16 colours.
struct DepthTarget {
    HDC dc = NULL;
    HBITMAP section = NULL;
    HGDIOBJ old = NULL;

    DepthTarget(WORD bits, int width, int height)
    {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info = {};
        static const BYTE standard[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                             {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                             {128, 128, 128}, {255, 0, 0}, {0, 255, 0},     {255, 255, 0},
                                             {0, 0, 255},   {255, 0, 255}, {0, 255, 255},   {255, 255, 255}};
        for (int i = 0; i < 16; i++)
            info.colours[i] = {standard[i][2], standard[i][1], standard[i][0], 0};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = width;
        info.header.biHeight = height;
        info.header.biPlanes = 1;
        info.header.biBitCount = bits;
        info.header.biCompression = BI_RGB;
        info.header.biClrUsed = bits <= 8 ? 16 : 0;
        void *pixels;
        dc = CreateCompatibleDC(NULL);
        section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &pixels, NULL, 0);
        old = SelectObject(dc, section);
    }
    ~DepthTarget()
    {
        SelectObject(dc, old);
        DeleteObject(section);
        DeleteDC(dc);
    }
};

TEST_F(AboutTest, LogoColoursSurviveEveryTargetDepth)
{
    Logo logo = ResourceLogo();
    ASSERT_NE(logo.header, nullptr);
    ASSERT_NE(OpenModeless(), nullptr);
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<Sample> samples = SamplePoints(dialog, FrameInClient(dialog), logo);
    ASSERT_GE(samples.size(), 100u);
    for (int bits : {4, 8, 16, 24, 32}) {
        SCOPED_TRACE(testing::Message() << bits << " bits per pixel");
        DepthTarget target(static_cast<WORD>(bits), client.right, client.bottom);
        ASSERT_NE(target.section, nullptr);
        W.paintTarget = target.dc;
        Repaint();
        W.paintTarget = NULL;
        std::string detail;
        EXPECT_EQ(Mismatches(CaptureDC(target.dc, client.right, client.bottom), samples, &detail), 0)
            << "of " << samples.size() << ":" << detail;
    }
}

TEST_F(AboutTest, EachFailureReportsItselfAndReleasesInnermostFirst)
{
    struct Case {
        Fail fail;
        const char *name;
        const char *text;    // nullptr: no message
        bool errorCaption;   // caption "Error" given, with MB_ICONERROR
        std::vector<std::string> calls;
    };
    const std::vector<std::string> head = {"BeginPaint", "LoadBitmapA", "GetDIBits query", "GlobalAlloc",
                                           "GlobalLock", "GetDIBits rows", "StretchDIBits"};
    auto upTo = [&](size_t n, std::vector<std::string> tail) {
        std::vector<std::string> calls(head.begin(), head.begin() + static_cast<long>(n));
        calls.insert(calls.end(), tail.begin(), tail.end());
        return calls;
    };
    const Case cases[] = {
        {Fail::Nothing, "nothing", nullptr, false,
         upTo(7, {"GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"})},
        {Fail::LoadBitmap, "LoadBitmapA", "LoadBitmap failed", false, upTo(2, {"MessageBoxA", "EndPaint"})},
        {Fail::Query, "first GetDIBits", "GetDIBits (1) failed", false,
         upTo(3, {"MessageBoxA", "DeleteObject", "EndPaint"})},
        {Fail::Alloc, "GlobalAlloc", "GlobalAlloc failed", false, upTo(4, {"MessageBoxA", "DeleteObject", "EndPaint"})},
        {Fail::Lock, "GlobalLock", "GlobalLock failed", false,
         upTo(5, {"MessageBoxA", "GlobalFree", "DeleteObject", "EndPaint"})},
        {Fail::Copy, "second GetDIBits", "GetDIBits (2) failed", false,
         upTo(6, {"MessageBoxA", "GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"})},
        {Fail::Stretch, "StretchDIBits", "StretchDIBits failed", true,
         upTo(7, {"MessageBoxA", "GlobalUnlock", "GlobalFree", "DeleteObject", "EndPaint"})},
    };
    ASSERT_NE(OpenModeless(), nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "failing " << c.name);
        W = Watch();
        W.fail = c.fail;
        W.swallowBoxes = W.recording = true;
        Repaint();
        Watch seen = W;
        W = Watch();
        EXPECT_EQ(seen.calls, c.calls);
        if (!c.text) {
            EXPECT_TRUE(seen.boxes.empty());
        } else if (seen.boxes.size() == 1) {
            const ShownBox &b = seen.boxes[0];
            EXPECT_EQ(b.owner, nullptr);
            EXPECT_EQ(b.text, c.text);
            EXPECT_EQ(b.captionNull, !c.errorCaption);
            EXPECT_EQ(b.caption, c.errorCaption ? "Error" : "");
            EXPECT_EQ(b.flags, c.errorCaption ? static_cast<UINT>(MB_OK | MB_ICONERROR) : static_cast<UINT>(MB_OK));
        } else {
            ADD_FAILURE() << seen.boxes.size() << " messages instead of one";
        }
        // What was obtained is what was released.
        EXPECT_EQ(seen.deleted, seen.loaded);
        EXPECT_EQ(seen.freed, seen.allocated);
        EXPECT_EQ(seen.unlocked, seen.locked);
        for (UINT flags : seen.allocFlags)
            EXPECT_TRUE(flags & GMEM_MOVEABLE) << "flags " << flags;
        EXPECT_TRUE(IsWindowVisible(dialog)) << "no failure ends the dialog";
    }
}

TEST_F(AboutTest, BlockHoldsHeaderColourTableAndEveryRow)
{
    ASSERT_NE(OpenModeless(), nullptr);
    W.recording = true;
    Repaint();
    W.recording = false;
    ASSERT_EQ(W.allocSizes.size(), 1u);
    const BITMAPINFOHEADER &h = W.queried;
    EXPECT_EQ(h.biWidth, LogoWidth);
    EXPECT_EQ(h.biHeight, LogoHeight);
    SIZE_T table = h.biCompression == BI_BITFIELDS ? 12 : h.biBitCount <= 8 ? (4u << h.biBitCount) : 0;
    SIZE_T rows = (static_cast<SIZE_T>(LogoWidth) * h.biBitCount + 31) / 32 * 4 * LogoHeight;
    EXPECT_GE(W.allocSizes[0], 40 + table + rows) << "bits per pixel " << h.biBitCount << ", compression "
                                                   << h.biCompression;
}

TEST_F(AboutTest, HundredRepaintsReleaseEverythingTheyTake)
{
    ASSERT_NE(OpenModeless(), nullptr);
    W.recording = true;
    for (int i = 0; i < 100; i++)
        Repaint();
    W.recording = false;
    EXPECT_EQ(W.began, 100);
    EXPECT_EQ(W.ended, 100);
    EXPECT_EQ(W.loaded.size(), 100u) << "every paint loads the logo anew";
    EXPECT_EQ(W.deleted, W.loaded);
    EXPECT_EQ(W.allocated.size(), 100u);
    EXPECT_EQ(W.freed, W.allocated);
    EXPECT_EQ(W.unlocked, W.locked);
    EXPECT_TRUE(W.boxes.empty());
    ASSERT_FALSE(W.loaded.empty());
    EXPECT_EQ(GetObjectType(W.loaded.back()), 0u) << "the last logo bitmap still exists";
    EXPECT_EQ(GlobalFlags(W.allocated.back()), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the last block still exists";
}

TEST_F(AboutTest, GdiObjectCountSteadyOverRepaints)
{
    ASSERT_NE(OpenModeless(), nullptr);
    Repaint();
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before == 0)
        GTEST_SKIP() << "GetGuiResources reports no GDI objects on this platform (Wine); the acquisitions and "
                        "releases are counted by HundredRepaintsReleaseEverythingTheyTake instead";
    for (int i = 0; i < 100; i++)
        Repaint();
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before + 2);
}

// ---- A missing logo, with the real message box ------------------------------------------------

TEST_F(AboutTest, MissingLogoIsReportedAndTheDialogStaysUsable)
{
    // A module that holds no "QTXLOGO": the template still comes from this program.
    AppInstance = GetModuleHandleA("kernel32.dll");
    ASSERT_EQ(FindResourceA(AppInstance, "QTXLOGO", MAKEINTRESOURCEA(2)), nullptr);
    std::vector<std::vector<std::string>> shown;
    std::string version;
    bool finished = false;
    // Dismisses every message box of this process until told to stop; each one is recorded.
    auto dismissBoxes = [&](const std::function<bool()> &done) {
        return WaitUntil([&] {
            HWND box = FindProcessWindow("#32770", "Error", GetCurrentProcessId());
            if (box) {
                shown.push_back(ChildTexts(box));
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                WaitUntil([&] { return !IsWindow(box); }, 5000);
            }
            return done();
        });
    };
    ModalRun run;
    std::thread driver([&] {
        HWND about = WaitForAboutBox();
        if (!about)
            return;
        dismissBoxes([&] { return !shown.empty() && !FindProcessWindow("#32770", "Error", GetCurrentProcessId()); });
        char text[64] = "";
        GetDlgItemTextA(about, IDC_ABOUT_VERSION, text, sizeof text);
        version = text;
        PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        if (!dismissBoxes([&] { return !IsWindow(about); }))
            PostMessageA(about, WM_COMMAND, IDOK, 0);
        finished = true;
    });
    run.result = DialogBoxParamA(GetModuleHandleA(NULL), "AboutDlg", NULL, AboutDlgProc, 0);
    driver.join();
    ASSERT_FALSE(shown.empty()) << "no message box appeared";
    for (const auto &texts : shown) {
        bool found = false;
        for (const auto &t : texts)
            found = found || t == "LoadBitmap failed";
        EXPECT_TRUE(found) << "a message box without \"LoadBitmap failed\"";
    }
    EXPECT_EQ(version, "3.1.0c4");
    EXPECT_TRUE(finished);
    EXPECT_EQ(run.result, 1) << "OK should still end the dialog";
}

} // namespace
