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
//   qtxpoke help            in the setup dialog press Help...: the help viewer shows the manual
//   qtxpoke unhelp          close the help viewer
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

static const char Caption[] = "Halvane D3D Setup";

// Bounds are for a machine that runs Wine directly; QTX_WAIT_FACTOR (set in the emulated system,
// where everything is several times slower) multiplies them.
template <class Cond> static bool Poll(Cond cond, DWORD timeoutMs = 10000)
{
    char factor[16] = "";
    DWORD n = GetEnvironmentVariableA("QTX_WAIT_FACTOR", factor, sizeof factor);
    unsigned long times = n > 0 && n < sizeof factor ? strtoul(factor, NULL, 10) : 1;
    timeoutMs *= times < 1 ? 1 : times > 100 ? 100 : times;
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

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

// A key entry is the name itself (matched as the registry does, without regard to case); a
// value entry is "index) name ".
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

// Polls until locate(area) finds the window with its content and two samples of its pixels
// 150 ms apart agree, then prints the rectangle.
template <class Locate> static bool ShowWhenDrawn(const char *what, Locate locate)
{
    RECT area = {0, 0, 0, 0};
    DWORD last = 0;
    bool sampled = false;
    bool drawn = Poll([&] {
        bool colourful = false;
        bool there = locate(&area);
        DWORD sum = there ? Snapshot(area, &colourful) : 0;
        bool settled = there && colourful && sampled && sum == last;
        sampled = there && colourful;
        last = sum;
        if (sampled && !settled)
            Sleep(130);
        return settled;
    });
    if (drawn)
        printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
    else
        fprintf(stderr, "qtxpoke: %s was not drawn in time\n", what);
    return drawn;
}

template <class Ready> static bool ShowDialog(const char *what, const char *title, int child, Ready ready)
{
    return ShowWhenDrawn(what, [&](RECT *area) {
        HWND dialog = FindDialog(title, child);
        return dialog && GetWindowRect(dialog, area) && ready(dialog);
    });
}

static bool Anyway(HWND) { return true; }

static bool HasText(HWND dialog, int id)
{
    char text[512];
    TextOf(GetDlgItem(dialog, id), text, sizeof text);
    return text[0] != 0;
}

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

static bool Dismiss(void)
{
    HWND top = FindDialog(NULL, 0);
    if (!top)
        return false;
    PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Poll([&] { return !IsWindow(top); });
}

static bool SetCtrl(bool down)
{
    keybd_event(VK_CONTROL, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
    return Poll([&] { return ((GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0) == down; }, 3000);
}

static bool Popup(HWND loader, bool ctrl)
{
    if (ctrl && !SetCtrl(true))
        return false;
    // At the icon's lower right corner, so that the menu leaves the icon in sight. The icon
    // shows a little after the loader's window exists.
    HWND tray = NULL;
    RECT r;
    if (!Poll([&] {
            tray = FindWindowA("__winex11_standalone_tray", NULL);
            HWND icon = FindWindowExA(tray, NULL, "__winex11_tray_icon", NULL);
            return icon && IsWindowVisible(icon) && GetWindowRect(icon, &r);
        })) {
        fprintf(stderr, "qtxpoke: the icon is not in the notification area\n");
        return false;
    }
    SetCursorPos(r.right - 1, r.bottom - 1);
    PostMessageA(loader, WM_USER + 101, 102, WM_RBUTTONDOWN);
    bool shown = ShowWhenDrawn("the popup menu", [&](RECT *area) {
        HWND menu = FindWindowA("#32768", NULL);
        RECT strip;
        return menu && IsWindowVisible(menu) && GetWindowRect(menu, area) && GetWindowRect(tray, &strip) &&
               UnionRect(area, area, &strip);
    });
    return (!ctrl || SetCtrl(false)) && shown;
}

static void Choose(HWND loader, WPARAM command)
{
    // The default procedure ends the menu that the window tracks.
    SendMessageA(loader, WM_CANCELMODE, 0, 0);
    PostMessageA(loader, WM_COMMAND, command, 0);
}

static bool Command(HWND dialog, WPARAM command)
{
    return dialog && PostMessageA(dialog, WM_COMMAND, command, 0);
}

static HWND Setup(void) { return FindDialog(Caption, 1010); }
static HWND Browser(void) { return FindDialog(Caption, 110); }

static bool Add(const char *name, const char *description)
{
    HWND add = NULL;
    if (!Command(Setup(), 1004) || !Poll([&] { return (add = FindDialog(Caption, 1011)) != NULL; }))
        return false;
    SetTextOf(GetDlgItem(add, 1011), name);
    SetTextOf(GetDlgItem(add, 1012), description);
    SendDlgItemMessageW(add, 1011, EM_SETSEL, strlen(name), strlen(name));
    return ShowDialog("the Add dialog", Caption, 1011, Anyway);
}

static bool Edit(int position)
{
    HWND setup = Setup();
    return setup && SendDlgItemMessageW(setup, 1010, LB_SETCURSEL, position, 0) != LB_ERR && Command(setup, 1014) &&
           ShowDialog("the Edit dialog", Caption, 1016, [](HWND d) { return HasText(d, 1016); });
}

static bool Down(const char *name)
{
    HWND browser = Browser();
    int i = browser ? FindEntry(GetDlgItem(browser, 110), name) : -1;
    if (i < 0)
        return false;
    SendDlgItemMessageW(browser, 110, LB_SETCURSEL, i, 0);
    return Command(browser, 111) && ShowDialog("the registry browser", Caption, 110, [&](HWND d) {
               char shown[512], first[512];
               TextOf(GetDlgItem(d, 101), shown, sizeof shown);
               EntryOf(GetDlgItem(d, 110), 0, first, sizeof first);
               return lstrcmpiA(shown, name) == 0 && strcmp(first, "..") == 0;
           });
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
    return ShowDialog("the value display", Caption, 110, [](HWND d) { return HasText(d, 106); });
}

// Wine's help viewer, once the topic in its rich-edit child names the product.
static bool HelpShown(RECT *area)
{
    HWND viewer = FindWindowA("MS_WINHELP", NULL);
    if (!viewer || !IsWindowVisible(viewer) || !GetWindowRect(viewer, area))
        return false;
    for (HWND child = GetWindow(viewer, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32], text[512];
        GetClassNameA(child, className, sizeof className);
        TextOf(child, text, sizeof text);
        if (_strnicmp(className, "RichEdit", 8) == 0 && strstr(text, "Halvane D3D HAL loader"))
            return true;
    }
    return false;
}

static bool CloseHelp(void)
{
    HWND viewer = FindWindowA("MS_WINHELP", NULL);
    return viewer && PostMessageA(viewer, WM_CLOSE, 0, 0) && Poll([&] { return !IsWindow(viewer); });
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
        return ShowDialog("the setup dialog", Caption, 1010,
                          [](HWND d) { return SendDlgItemMessageW(d, 1010, LB_GETCOUNT, 0, 0) > 0; });
    }
    if (strcmp(verb, "add") == 0)
        return argc > 3 && Add(argv[2], argv[3]);
    if (strcmp(verb, "edit") == 0)
        return Edit(atoi(arg));
    if (strcmp(verb, "browse") == 0)
        return Command(Setup(), 1008) &&
               ShowDialog("the registry browser", Caption, 110,
                          [](HWND d) { return SendDlgItemMessageW(d, 110, LB_GETCOUNT, 0, 0) == 4; });
    if (strcmp(verb, "down") == 0)
        return Down(arg);
    if (strcmp(verb, "value") == 0)
        return Value(arg);
    if (strcmp(verb, "help") == 0)
        return Command(Setup(), 1002) && ShowWhenDrawn("the help viewer", HelpShown);
    if (strcmp(verb, "unhelp") == 0)
        return CloseHelp();
    if (strcmp(verb, "about") == 0) {
        Choose(loader, 40005);
        return ShowDialog("the About box", Caption, 1000, LogoDrawn);
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
                        "down NAME|value NAME|help|unhelp|about|refusal|dismiss|close\n");
        return 2;
    }
    if (strcmp(argv[1], "refusal") == 0)
        return ShowDialog("the refusal message", "Halvane D3D HAL loader", 0, Anyway) ? 0 : 1;
    if (strcmp(argv[1], "dismiss") == 0)
        return Dismiss() ? 0 : 1;
    // The loader's first start in a fresh prefix also starts Wine's own services: on a loaded
    // machine that alone can take most of a minute.
    if (!Poll([] { return FindLoader() != NULL; }, 60000)) {
        fprintf(stderr, "qtxpoke: the loader is not running\n");
        return 1;
    }
    return Run(FindLoader(), argc, argv) ? 0 : 1;
}
