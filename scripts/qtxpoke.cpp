// Drives a running QTXILOAD.EXE from outside, for the run and tour scripts:
//   qtxpoke wait            wait (at most 20 s) until the loader's window exists
//   qtxpoke popup [ctrl]    open the icon's popup menu as a right click would (with Ctrl held)
//   qtxpoke hal             choose the menu's first item: switch the HAL
//   qtxpoke setup           choose "Halvane D3D Setup..."
//   qtxpoke add NAME DESC   in the setup dialog press Add... and fill in the two fields
//   qtxpoke edit POSITION   in the setup dialog select that line and press Edit...
//   qtxpoke browse          give the setup dialog its Browse command (the button is hidden)
//   qtxpoke down NAME       in the registry browser select the key NAME and press Next/Down
//   qtxpoke value NAME      in the registry browser double-click the value NAME
//   qtxpoke about           choose About...
//   qtxpoke refusal         wait for the message of the display driver's refusal
//   qtxpoke dismiss         close the topmost dialog or message box
//   qtxpoke close           close every dialog, then choose Close
// A verb that shows a window waits until it is drawn and no longer changes, then prints the
// rectangle to photograph as WIDTHxHEIGHT+X+Y (the menu's includes the notification area).
// Exit code 0 on success, 1 when a window did not appear or settle in time.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char SetupCaption[] = "Halvane D3D Setup";

static HWND FindLoader(void)
{
    return FindWindowA("QTXILoadWClass", "Halvane interceptor loader");
}

// Windows of other processes answer the wide-character text messages reliably under Wine.
static void TextOf(HWND window, char *text, int size)
{
    WCHAR wide[512] = L"";
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(wide));
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, NULL, NULL);
}

static void SetTextOf(HWND window, const char *text)
{
    WCHAR wide[512] = L"";
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 512);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide));
}

static void EntryOf(HWND list, int position, char *text, int size)
{
    WCHAR wide[512] = L"";
    text[0] = 0;
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, position, 0);
    if (length >= 0 && length < 512 && SendMessageW(list, LB_GETTEXT, position, reinterpret_cast<LPARAM>(wide)) >= 0)
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, NULL, NULL);
}

// A key entry is the name itself; a value entry is "index) name ".
static int FindEntry(HWND list, const char *name)
{
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    size_t length = strlen(name);
    for (int i = 0; i < count; i++) {
        char text[512];
        EntryOf(list, i, text, sizeof text);
        const char *rest = strstr(text, ") ");
        if (lstrcmpiA(text, name) == 0 ||
            (rest && strncmp(rest + 2, name, length) == 0 && strcmp(rest + 2 + length, " ") == 0))
            return i;
    }
    return -1;
}

struct DialogSearch {
    const char *title;
    int child;
    HWND found;
};

static BOOL CALLBACK MatchDialog(HWND window, LPARAM param)
{
    DialogSearch *search = reinterpret_cast<DialogSearch *>(param);
    char className[16], title[64];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window) ||
        (search->title && strcmp(title, search->title) != 0) || (search->child && !GetDlgItem(window, search->child)))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The topmost visible dialog with that caption (NULL: any) holding that control (0: any).
static HWND FindDialog(const char *title, int child)
{
    DialogSearch search = {title, child, NULL};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What a verb waits for: how to find its window, and when its content is there.
struct Target {
    const char *title;
    int child;
    bool (*ready)(HWND);
    const char *name;
};

static bool AnyContent(HWND) { return true; }

// The About box, once its logo covers the middle of its client area.
static bool LogoDrawn(HWND box)
{
    RECT r;
    if (!GetClientRect(box, &r))
        return false;
    POINT mid = {r.right / 2, r.bottom / 3};
    ClientToScreen(box, &mid);
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, mid.x, mid.y);
    ReleaseDC(NULL, screen);
    return c != CLR_INVALID && c != GetSysColor(COLOR_BTNFACE);
}

static bool HintsListed(HWND dialog) { return SendDlgItemMessageW(dialog, 1010, LB_GETCOUNT, 0, 0) > 0; }
static bool RootsListed(HWND dialog) { return SendDlgItemMessageW(dialog, 110, LB_GETCOUNT, 0, 0) == 4; }

static bool HasText(HWND dialog, int id)
{
    char text[512];
    TextOf(GetDlgItem(dialog, id), text, sizeof text);
    return text[0] != 0;
}

static bool EditFilled(HWND dialog) { return HasText(dialog, 1016); }
static bool ValueShown(HWND dialog) { return HasText(dialog, 106); }

static const char *WantedKey;

static bool KeyListed(HWND dialog)
{
    char name[512], first[512];
    TextOf(GetDlgItem(dialog, 101), name, sizeof name);
    EntryOf(GetDlgItem(dialog, 110), 0, first, sizeof first);
    return lstrcmpiA(name, WantedKey) == 0 && strcmp(first, "..") == 0;
}

// A checksum of the screen rectangle's pixels, and whether it shows at least four colours.
static DWORD Snapshot(const RECT &r, bool *colourful)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    DWORD sum = 2166136261u, colours[4];
    int seen = 0;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const DWORD *pixel = static_cast<const DWORD *>(bits);
        for (int i = 0; i < w * h; i++) {
            DWORD c = pixel[i] & 0xFFFFFF;
            sum = (sum ^ c) * 16777619u;
            int k = 0;
            while (k < seen && colours[k] != c)
                k++;
            if (k == seen && seen < 4)
                colours[seen++] = c;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    *colourful = seen == 4;
    return sum;
}

static bool Unite(HWND window, RECT *area)
{
    RECT r;
    if (!window || !GetWindowRect(window, &r))
        return false;
    UnionRect(area, area, &r);
    return true;
}

// Polls (at most 10 s) until the window is there with its content and two samples of its pixels
// 150 ms apart agree; prints the rectangle. The menu's rectangle takes in the notification area.
static bool ShowWhenDrawn(const Target &target, bool menu)
{
    DWORD start = GetTickCount(), last = 0;
    bool sampled = false;
    while (GetTickCount() - start < 10000) {
        RECT area = {0, 0, 0, 0};
        HWND window = menu ? FindWindowA("#32768", NULL) : FindDialog(target.title, target.child);
        bool there = window && IsWindowVisible(window) && Unite(window, &area) && target.ready(window) &&
                     (!menu || Unite(FindWindowA("__winex11_standalone_tray", NULL), &area));
        bool colourful = false;
        DWORD sum = there ? Snapshot(area, &colourful) : 0;
        if (there && colourful && sampled && sum == last) {
            printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
            return true;
        }
        sampled = there && colourful;
        last = sum;
        Sleep(sampled ? 150 : 20);
    }
    fprintf(stderr, "qtxpoke: %s was not drawn in time\n", target.name);
    return false;
}

static bool WaitGone(HWND window)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > 10000)
            return false;
        Sleep(20);
    }
    return true;
}

static bool Dismiss(void)
{
    HWND top = FindDialog(NULL, 0);
    if (!top)
        return false;
    PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    return WaitGone(top);
}

static bool SetCtrl(bool down)
{
    keybd_event(VK_CONTROL, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
    DWORD start = GetTickCount();
    while (((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) != down) {
        if (GetTickCount() - start > 3000)
            return false;
        Sleep(10);
    }
    return true;
}

static bool Popup(HWND loader, bool ctrl)
{
    if (ctrl && !SetCtrl(true))
        return false;
    // At the icon's lower right corner, so that the menu leaves the icon in sight.
    HWND icon = FindWindowExA(FindWindowA("__winex11_standalone_tray", NULL), NULL, "__winex11_tray_icon", NULL);
    RECT r = {0, 0, 15, 33};
    if (icon)
        GetWindowRect(icon, &r);
    SetCursorPos(r.right - 1, r.bottom - 1);
    PostMessageA(loader, WM_USER + 101, 102, WM_RBUTTONDOWN);
    Target menu = {NULL, 0, AnyContent, "the popup menu"};
    bool shown = ShowWhenDrawn(menu, true);
    return (!ctrl || SetCtrl(false)) && shown;
}

static void Choose(HWND loader, WPARAM command)
{
    // The default procedure ends the menu that the window tracks.
    SendMessageA(loader, WM_CANCELMODE, 0, 0);
    PostMessageA(loader, WM_COMMAND, command, 0);
}

static bool Show(HWND owner, WPARAM command, const Target &target)
{
    if (!owner)
        return false;
    PostMessageA(owner, WM_COMMAND, command, 0);
    return ShowWhenDrawn(target, false);
}

static HWND Setup(void) { return FindDialog(SetupCaption, 1010); }
static HWND Browser(void) { return FindDialog(SetupCaption, 110); }

static bool Add(const char *name, const char *description)
{
    HWND add = NULL;
    DWORD start = GetTickCount();
    if (Setup())
        PostMessageA(Setup(), WM_COMMAND, 1004, 0);
    while (!(add = FindDialog(SetupCaption, 1011)) && GetTickCount() - start < 10000)
        Sleep(20);
    if (!add)
        return false;
    SetTextOf(GetDlgItem(add, 1011), name);
    SetTextOf(GetDlgItem(add, 1012), description);
    SendDlgItemMessageW(add, 1011, EM_SETSEL, strlen(name), strlen(name));
    Target target = {SetupCaption, 1011, AnyContent, "the Add dialog"};
    return ShowWhenDrawn(target, false);
}

static bool Edit(int position)
{
    HWND setup = Setup();
    if (!setup || SendDlgItemMessageW(setup, 1010, LB_SETCURSEL, position, 0) == LB_ERR)
        return false;
    Target target = {SetupCaption, 1016, EditFilled, "the Edit dialog"};
    return Show(setup, 1014, target);
}

static bool Down(const char *name)
{
    HWND browser = Browser();
    int i = browser ? FindEntry(GetDlgItem(browser, 110), name) : -1;
    if (i < 0)
        return false;
    SendDlgItemMessageW(browser, 110, LB_SETCURSEL, i, 0);
    WantedKey = name;
    Target target = {SetupCaption, 110, KeyListed, "the registry browser"};
    return Show(browser, 111, target);
}

static bool Value(const char *name)
{
    HWND browser = Browser();
    HWND values = browser ? GetDlgItem(browser, 103) : NULL;
    int i = values ? FindEntry(values, name) : -1;
    if (i < 0)
        return false;
    SendMessageW(values, LB_SETCURSEL, i, 0);
    SetTextOf(GetDlgItem(browser, 106), "");
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(103, LBN_DBLCLK), reinterpret_cast<LPARAM>(values));
    Target target = {SetupCaption, 110, ValueShown, "the value display"};
    return ShowWhenDrawn(target, false);
}

static bool Run(HWND loader, int argc, char **argv)
{
    const char *verb = argv[1];
    const char *arg = argc > 2 ? argv[2] : "";
    if (strcmp(verb, "wait") == 0)
        return true;
    if (strcmp(verb, "popup") == 0)
        return Popup(loader, strcmp(arg, "ctrl") == 0);
    if (strcmp(verb, "hal") == 0) {
        SendMessageA(loader, WM_CANCELMODE, 0, 0);
        SendMessageA(loader, WM_COMMAND, 40001, 0);
        return true;
    }
    if (strcmp(verb, "setup") == 0) {
        Choose(loader, 40004);
        Target target = {SetupCaption, 1010, HintsListed, "the setup dialog"};
        return ShowWhenDrawn(target, false);
    }
    if (strcmp(verb, "add") == 0)
        return argc > 3 && Add(argv[2], argv[3]);
    if (strcmp(verb, "edit") == 0)
        return Edit(atoi(arg));
    if (strcmp(verb, "browse") == 0) {
        Target target = {SetupCaption, 110, RootsListed, "the registry browser"};
        return Show(Setup(), 1008, target);
    }
    if (strcmp(verb, "down") == 0)
        return Down(arg);
    if (strcmp(verb, "value") == 0)
        return Value(arg);
    if (strcmp(verb, "about") == 0) {
        Choose(loader, 40005);
        Target target = {SetupCaption, 1000, LogoDrawn, "the About box"};
        return ShowWhenDrawn(target, false);
    }
    if (strcmp(verb, "close") == 0) {
        while (Dismiss()) {
        }
        Choose(loader, 40002);
        return true;
    }
    fprintf(stderr, "qtxpoke: unknown verb %s\n", verb);
    return false;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: qtxpoke wait|popup [ctrl]|hal|setup|add NAME DESC|edit POSITION|browse|"
                        "down NAME|value NAME|about|refusal|dismiss|close\n");
        return 2;
    }
    if (strcmp(argv[1], "refusal") == 0) {
        Target target = {"Halvane D3D HAL loader", 0, AnyContent, "the refusal message"};
        return ShowWhenDrawn(target, false) ? 0 : 1;
    }
    if (strcmp(argv[1], "dismiss") == 0)
        return Dismiss() ? 0 : 1;
    DWORD start = GetTickCount();
    while (!FindLoader()) {
        if (GetTickCount() - start > 20000) {
            fprintf(stderr, "qtxpoke: the loader is not running\n");
            return 1;
        }
        Sleep(20);
    }
    return Run(FindLoader(), argc, argv) ? 0 : 1;
}
