// Drives a running QTXILOAD.EXE from outside, for scripts:
//   qtxpoke wait     wait (at most 20 s) until the loader's window exists
//   qtxpoke popup    open the icon's popup menu as a right click on the icon would
//   qtxpoke about    dismiss an open menu, choose About... and wait until the box shows its logo
//   qtxpoke close    dismiss an open menu or About box, then choose Close
// Exit code 0 on success, 1 when the loader (or its menu) did not appear in time.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static HWND FindLoader(void)
{
    return FindWindowA("QTXILoadWClass", "Halvane interceptor loader");
}

static bool Poll(bool (*cond)(void), DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

static bool LoaderUp(void) { return FindLoader() != NULL; }

// The About box, once its logo covers the middle of its client area.
static bool AboutDrawn(void)
{
    HWND box = FindWindowA("#32770", "Halvane D3D Setup");
    RECT r;
    if (!box || !IsWindowVisible(box) || !GetClientRect(box, &r))
        return false;
    POINT mid = {r.right / 2, r.bottom / 3};
    ClientToScreen(box, &mid);
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, mid.x, mid.y);
    ReleaseDC(NULL, screen);
    return c != CLR_INVALID && c != GetSysColor(COLOR_BTNFACE);
}

// The popup menu, once the text of its first item is on screen (a dark pixel on its first line):
// the window shows before it has painted.
static bool MenuDrawn(void)
{
    HWND menu = FindWindowA("#32768", NULL);
    RECT r;
    if (!menu || !IsWindowVisible(menu) || !GetWindowRect(menu, &r))
        return false;
    HDC screen = GetDC(NULL);
    bool dark = false;
    for (int y = r.top + 4; y < r.top + 16 && !dark; y++) {
        for (int x = r.left + 4; x < r.right - 4 && !dark; x++) {
            COLORREF c = GetPixel(screen, x, y);
            dark = c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 96;
        }
    }
    ReleaseDC(NULL, screen);
    return dark;
}

int main(int argc, char **argv)
{
    const char *verb = argc > 1 ? argv[1] : "";
    if (!Poll(LoaderUp, 20000)) {
        fprintf(stderr, "qtxpoke: the loader is not running\n");
        return 1;
    }
    HWND loader = FindLoader();
    if (strcmp(verb, "wait") == 0)
        return 0;
    if (strcmp(verb, "popup") == 0) {
        SetCursorPos(14, 32); // over the icon in the tray window at the top left
        PostMessageA(loader, WM_USER + 101, 102, WM_RBUTTONDOWN);
        return Poll(MenuDrawn, 10000) ? 0 : 1;
    }
    if (strcmp(verb, "about") == 0) {
        SendMessageA(loader, WM_CANCELMODE, 0, 0);
        PostMessageA(loader, WM_COMMAND, 40005, 0);
        return Poll(AboutDrawn, 10000) ? 0 : 1;
    }
    if (strcmp(verb, "close") == 0) {
        // The default procedure ends the menu that the window tracks.
        SendMessageA(loader, WM_CANCELMODE, 0, 0);
        HWND about = FindWindowA("#32770", "Halvane D3D Setup");
        if (about)
            PostMessageA(about, WM_COMMAND, IDOK, 0);
        PostMessageA(loader, WM_COMMAND, 40002, 0);
        return 0;
    }
    fprintf(stderr, "usage: qtxpoke wait|popup|about|close\n");
    return 2;
}
