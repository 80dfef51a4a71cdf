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

// Windows Vista and later keep "TaskbarCreated" from a shell that runs with fewer rights than an
// elevated loader, which would then lose its icon for good when the shell restarts. Older
// systems lack the call and need nothing.
static void AllowTaskbarCreated(void)
{
    typedef BOOL(WINAPI * FilterProc)(UINT, DWORD);
    HMODULE user = GetModuleHandleA("USER32.DLL");
    FilterProc allow = reinterpret_cast<FilterProc>(
        reinterpret_cast<void (*)(void)>(user ? GetProcAddress(user, "ChangeWindowMessageFilter") : NULL));
    if (allow && TaskbarCreatedMessage)
        allow(TaskbarCreatedMessage, 1); // MSGFLT_ADD
}

static BOOL InitLoader(HINSTANCE instance)
{
    if (!HalSwitch(1))
        return FALSE;
    EnabledIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HAL_ENABLED));
    DisabledIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HAL_DISABLED));
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    AllowTaskbarCreated();
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

// Held from the first step of start-up to the last of shutdown: the main window exists only
// after detection, and start-up or shutdown may wait on a message, during which a second start
// must still find this one. The window stays the identity other programs look for.
static const char InstanceMutexName[] = MAIN_WINDOW_CLASS " instance";

int LoaderMain(HINSTANCE instance)
{
    HANDLE running = CreateMutexA(NULL, FALSE, InstanceMutexName);
    BOOL another = running && GetLastError() == ERROR_ALREADY_EXISTS;
    // A second start leaves the profile alone: the running instance still owns the HAL state.
    if (another || FindWindowA(MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE)) {
        if (running)
            CloseHandle(running);
        return EXIT_ALREADY_RUNNING;
    }

    int exitCode = -1;
    if (InitLoader(instance)) {
        AppInstance = instance;
        AppHeap = HeapCreate(0, 0, 0);
        // Told once the icon shows the state, as after a toggle.
        ReportUnrecordedHalState();
        exitCode = RunMessageLoop();
        HeapDestroy(AppHeap);
        AppHeap = NULL;
    }
    HalSwitch(0);
    ReportUnrecordedHalState();
    if (running)
        CloseHandle(running);
    return exitCode;
}
