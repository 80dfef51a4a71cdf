#include "manual/helpcheck.h"

#include "resource.h"
#include "wine/wintest.h"

#include <string.h>

static const char Title[] = "Halvane D3D HAL loader";

static std::vector<HWND> Viewers(void)
{
    std::vector<HWND> found;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, "MS_WINHELP", NULL));)
        found.push_back(w);
    return found;
}

static std::string TopicText(HWND viewer)
{
    for (HWND child = GetWindow(viewer, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        if (_strnicmp(className, "RichEdit", 8) == 0)
            return ControlText(child);
    }
    return "";
}

static std::string CannotFind(void)
{
    for (HWND box : VisibleDialogs())
        for (const std::string &text : ChildTexts(box))
            if (text.find("Cannot find") != std::string::npos)
                return text;
    return "";
}

// The viewer is a process of its own, started by the Help command; one that does not close
// (a message box of its own open) is ended.
static void CloseViewer(HWND viewer)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process, WaitMs(5000)) != WAIT_OBJECT_0)
        TerminateProcess(process, 0xDEAD), WaitForSingleObject(process, WaitMs(5000));
    if (process)
        CloseHandle(process);
}

HelpShown HelpFrom(const std::string &folder)
{
    HelpShown shown;
    // A viewer already open would take the Help command itself; only an earlier run of these
    // tests can have left one.
    for (HWND w : Viewers())
        CloseViewer(w);
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    if (!SetCurrentDirectoryA(folder.c_str()))
        return shown;
    ChildProcess loader = StartChild(folder + "QTXILOAD.EXE", {});
    SetCurrentDirectoryA(cwd);

    HWND window = NULL, setup = NULL, viewer = NULL;
    if (WaitUntil([&] { return (window = FindProcessWindow("QTXILoadWClass", NULL, loader.pid)) != NULL; })) {
        PostMessageA(window, WM_COMMAND, IDM_SETUP, 0);
        WaitUntil([&] { return (setup = ShownDialog(loader.pid, IDC_HINT_LIST)) != NULL; });
    }
    if (setup) {
        PostMessageA(setup, WM_COMMAND, IDC_HINT_HELP, 0);
        WaitUntil([&] {
            shown.refusal = CannotFind();
            viewer = FindWindowA("MS_WINHELP", NULL);
            shown.topic = viewer ? TopicText(viewer) : "";
            return !shown.refusal.empty() || shown.topic.find(Title) != std::string::npos;
        });
    }
    shown.viewer = viewer != NULL;
    if (viewer)
        CloseViewer(viewer);
    if (setup)
        CloseBox(setup);
    if (window)
        PostMessageA(window, WM_COMMAND, IDM_CLOSE, 0);
    shown.exitCode = WaitChild(loader);
    StopChild(loader);
    return shown;
}
