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

// Sets or deletes (value NULL) a text value, creating the key as needed.
static void SetText(HKEY root, const char *path, const char *name, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value), DWORD(strlen(value) + 1));
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

static bool GetText(HKEY root, const char *path, const char *name, std::string *value)
{
    char data[1024];
    DWORD size = sizeof data - 1;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(data), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found && (data[size] = 0, *value = data, true);
}

static const char VersionKey[] = "Software\\Wine\\AppDefaults\\QTXILOAD.EXE", Recorder[] = "QtxTest.RecordedHtml";

// While it lives: the loader sees the Windows version given, and .html files open in the recorder.
struct HelpSetting {
    std::string version, html;
    bool hadVersion, hadHtml;
    HelpSetting(const char *windows, const char *opener)
    {
        hadVersion = GetText(HKEY_CURRENT_USER, VersionKey, "Version", &version);
        hadHtml = GetText(HKEY_CLASSES_ROOT, ".html", NULL, &html);
        SetText(HKEY_CURRENT_USER, VersionKey, "Version", windows);
        std::string command = "\"" + ProgramDir() + opener + "\" \"%1\"";
        SetText(HKEY_CLASSES_ROOT, (std::string(Recorder) + "\\shell\\open\\command").c_str(), NULL, command.c_str());
        SetText(HKEY_CLASSES_ROOT, ".html", NULL, Recorder);
    }
    ~HelpSetting()
    {
        SetText(HKEY_CLASSES_ROOT, ".html", NULL, hadHtml ? html.c_str() : NULL);
        for (const char *key : {"\\shell\\open\\command", "\\shell\\open", "\\shell", ""})
            RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(Recorder) + key).c_str());
        SetText(HKEY_CURRENT_USER, VersionKey, "Version", hadVersion ? version.c_str() : NULL);
    }
};

// What the recorder wrote: its command line after its own quoted name, the quotes around the
// file taken away.
static std::string Recorded(const std::string &file)
{
    HANDLE f = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return "";
    char line[2048] = "";
    DWORD n = 0;
    ReadFile(f, line, sizeof line - 1, &n, NULL);
    CloseHandle(f);
    std::string all(line, n), argument;
    if (all.empty())
        return "(an empty command line)";
    size_t start = all[0] == '"' ? all.find('"', 1) + 1 : all.find(' ');
    argument = start == 0 || start == std::string::npos ? "" : all.substr(start);
    argument.erase(0, argument.find_first_not_of(' '));
    if (argument.size() >= 2 && argument[0] == '"' && argument.back() == '"')
        argument = argument.substr(1, argument.size() - 2);
    return argument.empty() ? "(nothing: " + all + ")" : argument;
}

HelpShown HelpFrom(const std::string &folder, const char *windows, const char *opener)
{
    HelpShown shown;
    HelpSetting setting(windows, opener);
    const std::string record = MakeScratchDir("html") + "opened.txt";
    // A viewer already open would take the Help command itself; only an earlier run of these
    // tests can have left one.
    for (HWND w : Viewers())
        CloseViewer(w);
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    if (!SetCurrentDirectoryA(folder.c_str()))
        return shown;
    ChildProcess loader = StartChild(folder + "QTXILOAD.EXE", {"QTX_HTML_RECORD=" + record});
    SetCurrentDirectoryA(cwd);

    HWND window = NULL, setup = NULL, viewer = NULL, box = NULL;
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
            box = ShownDialog(loader.pid, 0);
            return !shown.refusal.empty() || shown.topic.find(Title) != std::string::npos || box ||
                   GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES;
        }, 30000); // a help viewer's or a browser's first start can be slow (several times so under emulation)
    }
    shown.viewer = viewer != NULL;
    shown.opened = Recorded(record);
    if (box) {
        shown.message = ControlText(GetDlgItem(box, 0xffff)) + " / " + ControlText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); });
    }
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
