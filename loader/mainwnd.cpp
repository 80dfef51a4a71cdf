#include "loader/loader.h"

#include "common/globals.h"
#include "loader/halswitch.h"
#include "resource.h"

HICON EnabledIcon;
HICON DisabledIcon;
static UINT TaskbarCreatedMessage;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        TrayIcon(window, NIM_ADD);
        return 0;
    case WM_DESTROY:
        TrayIcon(window, NIM_DELETE);
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (TrayCommand(window, LOWORD(wParam)))
            return 0;
        break;
    case WM_TRAYNOTIFY:
        TrayPopup(window, wParam, lParam);
        return 0;
    default:
        // The shell broadcasts this when it creates its taskbar anew (it restarted, or came up
        // after us): the new notification area lacks our icon, the user's only handle on us.
        if (message == TaskbarCreatedMessage && message != 0) {
            TrayIcon(window, NIM_ADD);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static BOOL RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA wc;
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = EnabledIcon;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = NULL;
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassA(&wc) != 0;
}

static BOOL InitLoader(HINSTANCE instance)
{
    if (!HalSwitch(1))
        return FALSE;
    EnabledIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HAL_ENABLED));
    DisabledIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HAL_DISABLED));
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    if (!RegisterMainClass(instance))
        return FALSE;
    HWND window = CreateWindowExA(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, instance, NULL);
    if (!window)
        return FALSE;
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    return TRUE;
}

static int RunMessageLoop(void)
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) != 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int LoaderMain(HINSTANCE instance)
{
    // A second start leaves the profile alone: the running instance still owns the HAL state.
    if (FindWindowA(MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE))
        return EXIT_ALREADY_RUNNING;

    int exitCode = -1;
    if (InitLoader(instance)) {
        AppInstance = instance;
        AppHeap = HeapCreate(0, 0, 0);
        exitCode = RunMessageLoop();
        HeapDestroy(AppHeap);
        AppHeap = NULL;
    }
    HalSwitch(0);
    return exitCode;
}
