// The installer and its uninstaller as a user's machine sees them, from outside, under Wine. Each
// scenario is one test, run by run_scenarios.sh in a clean copy of a fresh prefix: its steps run
// the installer or a stored uninstall command, and each step's outcome is the exit code and what
// the machine then holds (folders, Start Menu, logon start, help files' registration, uninstall
// entry, product key, hint records, a running loader).
#include "manual/helpcheck.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";
const std::string A = "C:\\Program Files\\Halvane D3D\\", B = "C:\\Vendor, Inc\\", Hints = "SOFTWARE\\Quarnell\\Halvane\\App hints",
                  Menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Halvane D3D\\",
                  Entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QTXILOAD", Run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                  HelpKey = "SOFTWARE\\Microsoft\\Windows\\Help", SetupExe = ProgramDir() + "..\\package\\QTXILOAD-3.1.0c4-setup.exe",
                  Built = ProgramDir() + "..\\installer\\", Manual = ProgramDir() + "..\\manual\\";
const std::string Scratch = MakeScratchDir("installer");

// A value below HKEY_LOCAL_MACHINE as text, or without a name the subkeys; "-" when missing.
std::string Reg(const std::string &key, const char *name = nullptr)
{
    HKEY k;
    char data[512] = "";
    DWORD type = 0, size = sizeof data - 1;
    std::string all;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k))
        return "-";
    for (DWORD i = 0; !name && !RegEnumKeyA(k, i, data, sizeof data); i++)
        all += (i ? "," : "") + std::string(data);
    if (name)
        all = RegQueryValueExA(k, name, NULL, &type, (BYTE *)data, &size) ? "-" : type == REG_DWORD ? std::to_string(*(DWORD *)data) : data;
    return RegCloseKey(k), all;
}
std::string Describe(const std::string &path)
{
    static char block[16384], *text;
    UINT length = 0;
    return GetFileVersionInfoA(path.c_str(), 0, sizeof block, block) &&
           VerQueryValueA(block, "\\StringFileInfo\\040904E4\\FileDescription", (void **)&text, &length) ? text : "-";
}
std::string Content(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
// A shortcut's target and the folder it starts in.
std::pair<std::string, std::string> Shortcut(const std::string &link)
{
    char target[MAX_PATH] = "", folder[MAX_PATH] = "";
    wchar_t path[MAX_PATH];
    IShellLinkA *shell = NULL;
    IPersistFile *file = NULL;
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, path, MAX_PATH);
    CoInitialize(NULL);
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&shell))) {
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, (void **)&file)) && SUCCEEDED(file->Load(path, STGM_READ)))
            shell->GetPath(target, MAX_PATH, NULL, SLGP_RAWPATH), shell->GetWorkingDirectory(folder, MAX_PATH);
        if (file)
            file->Release();
        shell->Release();
    }
    return {target, folder};
}
// Whether the file holds just "vendor", read no further than that: a file can be a device that
// never ends.
bool Vendors(const std::string &path)
{
    char start[8] = "";
    std::ifstream(path, std::ios::binary).read(start, 7);
    return std::strcmp(start, "vendor") == 0;
}
// The names in a folder, sorted; "-" when it is missing. The vendor's library is told apart.
std::string Listing(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return "-";
    std::vector<std::string> names;
    do
        if (found.cFileName[0] != '.')
            names.push_back(found.cFileName + std::string(Vendors(dir + found.cFileName) ? "(vendor)" : ""));
    while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    std::string s = "[";
    for (const std::string &n : names)
        s += (s.size() > 1 ? "," : "") + n;
    return s + "]";
}

DWORD SetupPid; // of the last command run
// The running loader: its program, and whether the installer started it (as its own child, with
// its rights) or had the shell start it.
std::string Loader()
{
    HWND window = FindWindowA(Class, Title);
    DWORD pid = 0, parent = 0;
    if (!window || !GetWindowThreadProcessId(window, &pid))
        return "-";
    if (pid == GetCurrentProcessId())
        return "hung";
    std::string path = "?";
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 p = {};
    p.dwSize = sizeof p;
    for (BOOL more = Process32First(snap, &p); more; more = Process32Next(snap, &p))
        if (p.th32ProcessID == pid)
            parent = p.th32ParentProcessID;
    CloseHandle(snap);
    snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    MODULEENTRY32 m = {};
    m.dwSize = sizeof m;
    if (Module32First(snap, &m))
        path = m.szExePath;
    CloseHandle(snap);
    return path + (parent == SetupPid ? " started by the installer" : " started by the shell");
}

std::string State()
{
    std::string s = "A:" + Listing(A) + " B:" + Listing(B) + " menu:" + Listing(Menu) + " run:" + Reg(Run, "QTXILOAD") + " help:" + Reg(HelpKey, "qtxhelp.hlp") +
                    "|" + Reg(HelpKey, "qtxhelp.cnt") + " entry:";
    for (const char *name : {"DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString", "QuietUninstallString", "InstallLocation",
                             "NoModify", "NoRepair", "StartAtLogon", "SimulatorFile"})
        s += Reg(Entry, name) + "|";
    s += std::atoi(Reg(Entry, "EstimatedSize").c_str()) > 100 ? "size" : "-";
    return s + " key:" + Reg("SOFTWARE\\Quarnell") + " records:" + Reg(Hints) + " loader:" + Loader();
}
// What State() shows of the registrations of an install in dir (with a trailing backslash).
std::string Registered(const std::string &dir, bool logon, bool simulator)
{
    const std::string exe = dir + "QTXILOAD.EXE", un = "\"" + dir + "uninstall.exe\"";
    const std::string folder = dir.substr(0, dir.size() - 1);
    return "menu:[Manual.lnk,QTXILOAD.lnk,Read me.lnk,Uninstall QTXILOAD.lnk] run:" + (logon ? "\"" + exe + "\"" : "-") + " help:" + folder + "|" + folder +
           " entry:QTXILOAD 3.1.0c4 (Halvane D3D HAL loader)|3.1.0c4|Quarnell|" + exe + ",0|" + un + "|" + un + " /S|" + folder +
           "|1|1|" + (logon ? "1" : "0") + "|" + (simulator ? dir + "QTXWIN32.DLL" : "-") + "|size";
}
const std::string Help = "qtxhelp.cnt,qtxhelp.hlp,qtxhelp.html,", Files = "[" + Help + "QTXILOAD.EXE,README.TXT,uninstall.dat,uninstall.exe]",
                  WithSimulator = "[" + Help + "QTXILOAD.EXE,QTXWIN32.DLL,README.TXT,uninstall.dat,uninstall.exe]",
                  Unregistered = "menu:- run:- help:-|- entry:-|-|-|-|-|-|-|-|-|-|-|-";
// The files Windows Help makes beside its help file (the index hidden), for the uninstaller and a
// move to remove.
void HelpMade(const std::string &dir)
{
    for (const char *name : {"qtxhelp.fts", "qtxhelp.ftg", "qtxhelp.gid"})
        std::ofstream(dir + name) << "made";
    SetFileAttributesA((dir + "qtxhelp.gid").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

// A folder to type on the folder page of the next interactive run, as Browse leaves it there; the
// run is cancelled once that page has refused it. What the page did is kept in FolderPage.
std::wstring TypedFolder;
std::string FolderPage;

// On a page of the wizard d: types TypedFolder on the folder page, or cancels once it was refused.
// False: the page is left to the usual click on Next.
bool TypeFolder(HWND d)
{
    HWND edit = GetDlgItem(FindWindowExA(d, NULL, "#32770", NULL), 1019);
    if (TypedFolder.empty() || (!edit && FolderPage.empty()))
        return false;
    if (FolderPage.empty())
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, LPARAM(TypedFolder.c_str()), SMTO_ABORTIFHUNG, WaitMs(5000), NULL), FolderPage = "typed";
    else if (FolderPage != "typed")
        return PostMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0), true;
    return false;
}

// Runs a command line (a quoted program, then its arguments; "W:" before it: UTF-8, for names the
// code page cannot spell), clicking button 1 (Next, Install, Close) of the pages of the process,
// and OK of a message box (few controls; it can show before its text is set) only once it reads
// as a refusal or a report of work not done. With TypedFolder, the folder page's refusal is
// answered with OK, and the question whether to quit with Yes.
std::string RunCommand(const std::string &given)
{
    std::wstring line = given.rfind("W:", 0) == 0 ? std::wstring(given.size(), L'\0') : Wide(given);
    if (given.rfind("W:", 0) == 0)
        line.resize(MultiByteToWideChar(CP_UTF8, 0, given.c_str() + 2, -1, &line[0], int(line.size())) - 1);
    size_t end = line.find(L'"', 1);
    ChildProcess p = StartChild(line.substr(1, end - 1), {}, line.substr(std::min(line.size(), end + 2)));
    SetupPid = p.pid;
    std::string refused;
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(p.pid)) {
            std::vector<std::string> texts = ChildTexts(d);
            auto reads = [&](const char *part) {
                return std::any_of(texts.begin(), texts.end(), [&](const std::string &text) { return text.find(part) != std::string::npos; });
            };
            bool refusal = reads("Nothing has been changed") || reads("Not everything could be done");
            if (!TypedFolder.empty() && texts.size() <= 5 && reads("cannot spell"))
                FolderPage = FolderPage == "typed" ? "refused on the folder page" : FolderPage, PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
            else if (!TypedFolder.empty() && texts.size() <= 5 && reads("Are you sure you want to quit"))
                PostMessageA(GetDlgItem(d, IDYES), BM_CLICK, 0, 0);
            else if ((refused = refusal ? " refused" : refused), (refusal || texts.size() > 5) && !TypeFolder(d))
                PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }
        return !ChildRunning(p);
    }, 60000);
    std::string result = "exit " + std::to_string(WaitChild(p, 0)) + refused + " | ";
    return StopChild(p), result;
}

// What the installer and the uninstaller logged since the last call: their logs lie in %TEMP%, or
// in the Windows folder's TEMP where %TEMP% cannot be named (uninstall.exe's own failures before it
// finds one, in the Windows folder).
std::string Logged()
{
    static std::streamoff seen[6];
    char temp[MAX_PATH], windows[MAX_PATH], windowsTemp[MAX_PATH];
    GetTempPathA(sizeof temp, temp), GetWindowsDirectoryA(windows, sizeof windows), lstrcatA(windows, "\\");
    lstrcpyA(windowsTemp, windows), lstrcatA(windowsTemp, "TEMP\\");
    std::string all;
    int i = 0;
    for (const char *dir : {temp, windowsTemp, windows})
        for (const char *name : {"QTXILOAD-setup.log", "QTXILOAD-uninstall.log"}) {
            std::string text = Content(dir + std::string(name));
            all += text.substr(std::min<size_t>(text.size(), size_t(seen[i])));
            seen[i++] = std::streamoff(text.size());
        }
    return all;
}

ChildProcess Started;  // a loader the test started, adding a record first
HWND Hung;             // a loader window that will not close
HANDLE Held;           // a program file held open
const std::string Log = Scratch + "calls.log";
void StartLoader()
{
    HWND window = NULL, add = NULL;
    Started = StartChild(A + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log});
    ASSERT_TRUE(WaitUntil([&] { return (window = FindProcessWindow(Class, Title, Started.pid)) != NULL; }));
    PostMessageA(window, WM_COMMAND, IDM_SETUP, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return GetDlgItem(add = FindProcessWindow("#32770", NULL, Started.pid), IDC_HINT_ADD) && PostMessageA(add, WM_COMMAND, IDC_HINT_ADD, 0); }));
    EXPECT_TRUE(WaitUntil([&] { return GetDlgItem(add = FindProcessWindow("#32770", NULL, Started.pid), IDC_ADD_NAME) != NULL; }));
    SendMessageA(GetDlgItem(add, IDC_ADD_NAME), WM_SETTEXT, 0, LPARAM("ADDED")), PostMessageA(add, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return Reg(Hints).find("ADDED") != std::string::npos; }));
}
void HangLoader()
{
    static WNDCLASSA ignoring = {0, DefWindowProcA, 0, 0, GetModuleHandleA(NULL), NULL, NULL, NULL, NULL, Class};
    RegisterClassA(&ignoring);
    Hung = CreateWindowA(Class, Title, 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
}
// A loader that closes its window when asked but does not end (as one answering a message of its
// own would): its program file stays in use.
LRESULT CALLBACK Closing(HWND window, UINT message, WPARAM w, LPARAM l)
{
    return message == WM_COMMAND ? DestroyWindow(window) : DefWindowProcA(window, message, w, l);
}
void ClosingLoader()
{
    HangLoader(), SetWindowLongPtrA(Hung, GWLP_WNDPROC, (LONG_PTR)Closing);
    Held = CreateFileA((A + "QTXILOAD.EXE").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
}
// The uninstaller closes only the loader running its own folder's program: a copy of this test at
// that path, started with --hung-loader, is a loader there whose window never closes.
ChildProcess Fake;
const bool FakeLoader = [] {
    if (!strstr(GetCommandLineA(), "--hung-loader"))
        return false;
    HangLoader();
    for (MSG message; GetMessageA(&message, NULL, 0, 0) > 0;)
        DispatchMessageA(&message);
    ExitProcess(0);
}();
void HangInstalledLoader()
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self), CopyFileA(self, (A + "QTXILOAD.EXE").c_str(), FALSE);
    Fake = StartChild(A + "QTXILOAD.EXE", {}, "--hung-loader");
    EXPECT_TRUE(WaitUntil([] { return FindProcessWindow(Class, Title, Fake.pid) != NULL; }));
}
void Release() { DestroyWindow(Hung), Hung = NULL, CloseHandle(Held), Held = NULL, StopChild(Fake); }
// Ends a loader the installer started, by its Close command, until its program file is free.
void StopLoaders()
{
    for (int i = 0; i < 3 && FindWindowA(Class, Title); i++) {
        HWND window = FindWindowA(Class, Title);
        PostMessageA(window, WM_COMMAND, IDM_CLOSE, 0), WaitUntil([&] { return !IsWindow(window); });
    }
    EXPECT_TRUE(WaitUntil([] {
        HANDLE file = CreateFileA((A + "QTXILOAD.EXE").c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        return file != INVALID_HANDLE_VALUE && CloseHandle(file);
    }));
}
void Copy(const std::string &from, const std::string &to)
{
    for (const char *name : {"uninstall.exe", "uninstall.dat"})
        CreateDirectoryA(to.c_str(), NULL), CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
}
std::string Quiet() { return Reg(Entry, "QuietUninstallString"); }
std::string Replace(std::string s, const std::string &from, const std::string &to) { return s.replace(s.find(from), from.size(), to); }
std::string SetupCommand(const std::string &args) { return "\"" + SetupExe + "\" " + args; }

struct Step {
    const char *what;
    std::function<void()> before; // may be empty
    std::function<std::string()> command;
    std::string outcome;         // after the exit code and " | ": State(), then what `check` adds
    bool loaderAfter = false;    // a loader is to run afterwards: waited for
    std::string told = "";       // what the log must say about the step (outcome: " told")
    std::function<std::string()> more = nullptr; // adds to the outcome (after " ")
};
struct Scenario {
    const char *name;
    std::vector<Step> steps;
};


const std::string ok = "exit 0 | ", refused = "exit 2 | ", unchanged = "key:Halvane records:EARLIER loader:-";
const std::string installedA = "A:" + Files + " B:- " + Registered(A, true, false), nothing = "A:- B:- " + Unregistered;
// An interactive setup given folder on its folder page: the page refuses it, and the setup is cancelled.
Step FolderPageRefuses(const char *what, const std::wstring &folder)
{
    return {what, [folder] { TypedFolder = folder, FolderPage.clear(); }, [] { return SetupCommand(""); },
            "exit 1 | " + nothing + " " + unchanged + " refused on the folder page", false, "",
            [] { return TypedFolder.clear(), FolderPage; }};
}
// Removes the files of a folder (not its subfolders).
void Empty(const std::string &dir)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            SetFileAttributesA((dir + found.cFileName).c_str(), 0), DeleteFileA((dir + found.cFileName).c_str());
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}
std::string NoSlash(const std::string &dir) { return dir.substr(0, dir.size() - 1); }

// A file named like one of the package's, in the folder to install into: the install is refused
// and names it, and it stays as it was.
std::vector<Step> ForeignFiles()
{
    std::vector<Step> steps;
    for (const char *name : {"QTXILOAD.EXE", "README.TXT", "qtxhelp.hlp", "qtxhelp.cnt", "qtxhelp.html", "uninstall.exe", "uninstall.dat", "qtxhelp.gid"}) {
        const std::string n = name;
        steps.push_back({name, [n] { CreateDirectoryA(B.c_str(), NULL), Empty(B), std::ofstream(B + n) << "vendor"; },
                         [] { return SetupCommand("/S /D=" + NoSlash(B)); }, refused + "A:- B:[" + n + "(vendor)] " + Unregistered + " " + unchanged + " told",
                         false, B + n + " is already there"});
    }
    steps.push_back({"the simulator's library, with the simulator chosen", [] { Empty(B), std::ofstream(B + "QTXWIN32.DLL") << "vendor"; },
                     [] { return SetupCommand("/S /SIMULATOR /D=" + NoSlash(B)); }, refused + "A:- B:[QTXWIN32.DLL(vendor)] " + Unregistered + " " + unchanged + " told",
                     false, B + "QTXWIN32.DLL is already there"});
    steps.push_back({"another's file with another name is kept through an install and its uninstall", [] { Empty(B), std::ofstream(B + "notes.txt") << "vendor"; },
                     [] { return SetupCommand("/S /D=" + NoSlash(B)); }, ok + "A:- B:[notes.txt(vendor)," + Help + "QTXILOAD.EXE,README.TXT,uninstall.dat,uninstall.exe] " + Registered(B, true, false) + " " + unchanged});
    steps.push_back({"uninstalled: only the other's file is left", {}, Quiet, ok + "A:- B:[notes.txt(vendor)] " + Unregistered + " " + unchanged});
    return steps;
}

// Options spelled wrong in case, value or prefix, pairs that contradict each other, unknown ones:
// each refused in words, before anything changes.
std::vector<Step> WrongOptions()
{
    std::vector<Step> steps = {{"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged}};
    const std::pair<const char *, const char *> setup[] = {
        {"/S /SIMULATOR=no", "is not one this program knows"}, {"/S /LOGONSTART=0", "is not one this program knows"},
        {"/S /simulator", "is not one this program knows"}, {"/S /NOLOGINSTART", "is not one this program knows"},
        {"/S /SIM", "is not one this program knows"}, {"/S Halvane", "is not one this program knows"},
        {"/S /SIMULATOR /NOSIMULATOR", "contradict each other"}, {"/S /NOLOGONSTART /LOGONSTART", "contradict each other"},
        {"/S /D=\"C:\\Other folder\"", "without quotes"}, {"/S /D=Other", "not a full path"},
        {"/s", "is not one this program knows"}, {"/d=C:\\Other", "is not one this program knows"}};
    for (const auto &option : setup) {
        const std::string args = option.first;
        const bool shown = args.rfind("/S ", 0) != 0; // not silent: the refusal shows in a box
        steps.push_back({option.first, {}, [args] { return SetupCommand(args); },
                         (shown ? "exit 2 refused | " : refused) + installedA + " " + unchanged + " told", false, option.second});
    }
    steps.push_back({"a folder the code page cannot spell, as Windows passed it", {},
                     [] { return "W:\"" + SetupExe + "\" /S /D=C:\\Gry\\\xC5\x81\xC3\xB3" "d\xC5\xBA"; },
                     refused + installedA + " " + unchanged + " told", false, "cannot spell"});
    for (const char *option : {" /REMOVEHINTS=no", " /removehints", " /REMOVE", " /REMOVEHINTS /NOREMOVEHINTS"}) {
        const std::string args = option;
        steps.push_back({option, {}, [args] { return Quiet() + args; }, refused + installedA + " " + unchanged + " told", false, "is not one this program knows"});
    }
    return steps;
}

std::string ShortName(const std::string &dir)
{
    char shorter[MAX_PATH] = "";
    GetShortPathNameA(dir.c_str(), shorter, sizeof shorter);
    std::string s = shorter;
    CharLowerBuffA(&s[0], 1);
    return s;
}

// The rights the Users group has been given on the product key and on zhqhw.ini in the Windows
// folder, each explicit entry as what it allows: c create records, s change values, d delete,
// i passed on to the records below (Windows does; Wine keeps the mark but passes nothing on), r
// read, w write the file.
std::string Rights()
{
    auto entries = [](HANDLE object, SE_OBJECT_TYPE type, bool inherited) {
        PACL dacl = NULL;
        PSECURITY_DESCRIPTOR sd = NULL;
        PSID users = NULL;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        std::vector<std::string> found;
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users);
        if (GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, NULL, NULL, &dacl, NULL, &sd) == ERROR_SUCCESS && dacl)
            for (DWORD i = 0; i < dacl->AceCount; i++) {
                ACCESS_ALLOWED_ACE *ace = NULL;
                if (!GetAce(dacl, i, (void **)&ace) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !EqualSid(&ace->SidStart, users) ||
                    bool(ace->Header.AceFlags & INHERITED_ACE) != inherited)
                    continue;
                std::string what = type == SE_FILE_OBJECT ? ((ace->Mask & FILE_WRITE_DATA) ? "w" : "r")
                                                          : std::string((ace->Mask & KEY_CREATE_SUB_KEY) ? "c" : "") + ((ace->Mask & KEY_SET_VALUE) ? "s" : "") +
                                                                ((ace->Mask & DELETE) ? "d" : "");
                found.push_back((what.empty() ? "r" : what) + ((ace->Header.AceFlags & CONTAINER_INHERIT_ACE) ? "i" : ""));
            }
        std::sort(found.begin(), found.end());
        std::string s = "[";
        for (const std::string &f : found)
            s += (s.size() > 1 ? "," : "") + f;
        return LocalFree(sd), FreeSid(users), s + "]";
    };
    HKEY key;
    std::string s = "key:";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell\\Halvane", 0, READ_CONTROL, &key) == ERROR_SUCCESS)
        s += entries(key, SE_REGISTRY_KEY, false), RegCloseKey(key);
    char ini[MAX_PATH];
    GetWindowsDirectoryA(ini, MAX_PATH), lstrcatA(ini, "\\zhqhw.ini");
    HANDLE file = CreateFileA(ini, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    s += " ini:" + (file == INVALID_HANDLE_VALUE ? std::string("-") : entries(file, SE_FILE_OBJECT, false));
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return s;
}
// The test's own right for the Users group on the product key, which the uninstall must leave.
void OwnRight()
{
    PSECURITY_DESCRIPTOR sd = NULL;
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell\\Halvane", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;BA)(A;;KA;;;SY)(A;;0x20002;;;BU)", SDDL_REVISION_1, &sd, NULL);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), LocalFree(sd), RegCloseKey(key);
}
// Wine keeps no DACL for a file that a program sets (it shows none afterwards), so only the product
// key's rights can be seen there.
std::string KeyRights()
{
    const std::string all = Rights();
    return all.substr(0, all.find(" ini:"));
}
bool ProfileThere()
{
    char ini[MAX_PATH];
    GetWindowsDirectoryA(ini, MAX_PATH), lstrcatA(ini, "\\zhqhw.ini");
    return GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES;
}
// Whether a path is to go when Windows restarts.
bool Pending(const std::string &path)
{
    char data[8192] = "";
    DWORD size = sizeof data - 2;
    SHGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations", NULL, data, &size);
    for (const char *at = data; *at; at += lstrlenA(at) + 1)
        if (lstrcmpiA(at + (at[0] == '\\' ? 4 : 0), path.c_str()) == 0)
            return true;
    return false;
}
const std::string Far = "Z:\\tmp\\qtx far volume\\", Zip = Scratch + "zip\\";
ChildProcess First; // a setup left on its first page


// Makes path a link to /dev/full, where every write fails as on a full disk, so that the installer's
// own write fails once it has opened the file. Wine starts a Unix program given by its path, but
// without a handle to wait on: the link itself is waited for.
bool FullDisk(const std::string &path)
{
    typedef char *(CDECL * UnixName)(LPCWSTR);
    UnixName unixName = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    char *name = unixName ? unixName(Wide(path).c_str()) : NULL;
    if (!name)
        return false;
    ChildProcess ln = StartChild(std::string("Z:\\bin\\ln"), {}, "-s /dev/full \"" + std::string(name) + "\"");
    HeapFree(GetProcessHeap(), 0, name), StopChild(ln);
    return WaitUntil([&] {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(path.c_str(), &found);
        return find != INVALID_HANDLE_VALUE && FindClose(find);
    });
}
// Wine run by root opens a read-only file for writing, as the uninstaller's check does, yet refuses
// to delete it: there the check finds such a file free and its removal fails afterwards, as when
// another program takes a file between the two on Windows. Elsewhere the check refuses it.
const bool ReadOnlyOpens = [] {
    const std::string probe = Scratch + "read-only";
    std::ofstream(probe) << "x";
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    const bool opens = file != INVALID_HANDLE_VALUE && CloseHandle(file);
    return SetFileAttributesA(probe.c_str(), 0), DeleteFileA(probe.c_str()), opens;
}();
void ReadOnly(const std::string &path, bool on) { SetFileAttributesA(path.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL); }
std::string Record() { return "record:" + Reg(Entry, "Files"); }
const std::string Recorded = "record:|QTXILOAD.EXE|README.TXT|qtxhelp.hlp|qtxhelp.cnt|qtxhelp.html|uninstall.exe|uninstall.dat|qtxhelp.gid|qtxhelp.fts|qtxhelp.ftg|";

const std::vector<Scenario> Scenarios = {
    {"install, refuse, uninstall and keep the records", {
        {"a loader that will not close stops the install, saying so", HangLoader, [] { return SetupCommand(""); },
         "exit 2 refused | " + nothing + " key:Halvane records:EARLIER loader:hung"},
        {"first install keeps the records under the product key; the README is there", Release, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"a loader of this folder that will not close stops the stored uninstall command", HangInstalledLoader, Quiet,
         refused + installedA + " key:Halvane records:EARLIER loader:" + A + "QTXILOAD.EXE started by the shell"},
        {"the stored uninstall command returns once all is removed; the records stay", Release, Quiet, ok + nothing + " " + unchanged},
        {"install again", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"uninstall removing the records and the product key", {}, [] { return Quiet() + " /REMOVEHINTS"; }, ok + nothing + " key:- records:- loader:-"},
        {"install creates the product key", {}, [] { return SetupCommand("/S"); }, ok + installedA + " key:Halvane records:- loader:-"},
        {"uninstall leaves the product key and a help registration naming another folder; it removes what Windows Help made",
         [] {
             HelpMade(A);
             SHSetValueA(HKEY_LOCAL_MACHINE, HelpKey.c_str(), "qtxhelp.hlp", REG_SZ, "C:\\PROGRAM FILES\\HALVANE D3D\\", 30);
             SHSetValueA(HKEY_LOCAL_MACHINE, HelpKey.c_str(), "qtxhelp.cnt", REG_SZ, "C:\\Vendor", 10);
         },
         Quiet, ok + Replace(nothing, "help:-|-", "help:-|C:\\Vendor") + " key:Halvane records:- loader:-"},
    }},
    {"a silent upgrade over a running loader starts it again and keeps the simulator", {
        {"install with the simulator", {}, [] { return SetupCommand("/S /SIMULATOR"); }, ok + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " " + unchanged},
        {"upgrade: the loader that added a record restores the display, ends, and runs again, started by the shell", StartLoader, [] { return SetupCommand("/S"); },
         ok + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " key:Halvane records:ADDED,EARLIER loader:" + A + "QTXILOAD.EXE started by the shell ended restored", true},
        {"upgrade again over the loader it started", [] { DeleteFileA(Log.c_str()); }, [] { return SetupCommand("/S"); },
         ok + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " key:Halvane records:ADDED,EARLIER loader:" + A + "QTXILOAD.EXE started by the shell ended restored", true},
        {"an upgrade refused (a file held open) starts again the loader it closed",
         [] { DeleteFileA(Log.c_str()), Held = CreateFileA((A + "README.TXT").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL); },
         [] { return SetupCommand("/S /NOSIMULATOR"); },
         refused + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " key:Halvane records:ADDED,EARLIER loader:" + A + "QTXILOAD.EXE started by the shell ended restored", true},
    }},
    {"the logon start switched off stays off", {
        {"install without the logon start", {}, [] { return SetupCommand("/S /NOLOGONSTART"); }, ok + "A:" + Files + " B:- " + Registered(A, false, false) + " " + unchanged},
        {"an upgrade keeps it off", {}, [] { return SetupCommand("/S"); }, ok + "A:" + Files + " B:- " + Registered(A, false, false) + " " + unchanged},
        {"/LOGONSTART switches it on", {}, [] { return SetupCommand("/S /LOGONSTART"); }, ok + installedA + " " + unchanged},
    }},
    {"a move into a folder holding the vendor's QTXWIN32.DLL keeps it", {
        {"install with the simulator", {}, [] { return SetupCommand("/S /SIMULATOR"); }, ok + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " " + unchanged},
        {"the simulator, chosen before, would replace the vendor's library: refused",
         [] { CreateDirectoryA(B.c_str(), NULL), std::ofstream(B + "QTXWIN32.DLL") << "vendor", std::ofstream(A + "notes.txt") << "mine", HelpMade(A); },
         [] { return SetupCommand("/S /D=" + B.substr(0, B.size() - 1)); },
         refused + "A:[notes.txt,qtxhelp.cnt,qtxhelp.ftg,qtxhelp.fts,qtxhelp.gid,qtxhelp.hlp,qtxhelp.html,QTXILOAD.EXE,QTXWIN32.DLL,README.TXT,uninstall.dat,uninstall.exe] B:[QTXWIN32.DLL(vendor)] " +
             Registered(A, true, true) + " " + unchanged},
        {"moved without the simulator: the old folder keeps only what was not installed", {}, [] { return SetupCommand("/S /NOSIMULATOR /D=" + B.substr(0, B.size() - 1)); },
         ok + "A:[notes.txt] B:[" + Help + "QTXILOAD.EXE,QTXWIN32.DLL(vendor),README.TXT,uninstall.dat,uninstall.exe] " + Registered(B, true, false) + " " + unchanged},
        {"uninstalling keeps the vendor's library", {}, Quiet, ok + "A:[notes.txt] B:[QTXWIN32.DLL(vendor)] " + Unregistered + " " + unchanged},
    }},
    {"an uninstaller left behind by a move leaves the new install and its loader alone", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"move over a running loader: started again from the new folder, whose name has a comma", [] { StartLoader(), Copy(A, Scratch); },
         [] { return SetupCommand("/S /D=" + B.substr(0, B.size() - 1)); },
         ok + "A:- B:" + Files + " " + Registered(B, true, false) + " key:Halvane records:ADDED,EARLIER loader:" + B + "QTXILOAD.EXE started by the shell ended", true},
        {"the old uninstaller, put back, removes only its own folder", [] { Copy(Scratch, A); }, [] { return "\"" + A + "uninstall.exe\" /S"; },
         ok + "A:- B:" + Files + " " + Registered(B, true, false) + " key:Halvane records:ADDED,EARLIER loader:" + B + "QTXILOAD.EXE started by the shell ended"},
    }},
    // A DACL granting only read makes Windows refuse a key below; Wine ignores it when creating
    // one, and refuses instead a lasting key below a volatile one.
    {"a product key that cannot be created stops the install", {
        {"refused, nothing installed", [] {
             HKEY key;
             PSECURITY_DESCRIPTOR readOnly;
             SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell");
             RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell", 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL);
             ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, NULL);
             RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), LocalFree(readOnly), RegCloseKey(key);
         }, [] { return SetupCommand("/S"); }, refused + nothing + " key: records:- loader:-"},
    }},
    {"an unusable /D= folder is refused", {
        {"a missing drive", {}, [] { return SetupCommand("/S /D=Q:\\Halvane"); }, refused + nothing + " " + unchanged},
        {"a character the code page cannot hold, passed as ? (which NSIS drops)", {}, [] { return SetupCommand("/S /D=C:\\Vend?or"); }, refused + nothing + " " + unchanged},
        {"a folder too long for Windows", {}, [] { return SetupCommand("/S /D=C:\\Vendor" + std::string(240, 'x')); }, refused + nothing + " " + unchanged},
    }},
    {"a program file held open stops the upgrade and the uninstall", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"the upgrade is refused and changes nothing",
         [] { Held = CreateFileA((A + "QTXILOAD.EXE").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL); SHSetValueA(HKEY_LOCAL_MACHINE, Entry.c_str(), "NoRepair", REG_DWORD, "\7\0\0", 4); },
         [] { return SetupCommand("/S /SIMULATOR"); }, refused + Replace(installedA, "|1|1|1|-|size", "|1|7|1|-|size") + " " + unchanged},
        {"the uninstall is refused and changes nothing", {}, Quiet, refused + Replace(installedA, "|1|1|1|-|size", "|1|7|1|-|size") + " " + unchanged},
        {"once free, the uninstall ends", Release, Quiet, ok + nothing + " " + unchanged},
    }},
    {"interactive: the last page starts the loader; a loader gone from view but still running is told", {
        {"install, the last page's box ticked", {}, [] { return SetupCommand(""); },
         ok + installedA + " key:Halvane records:EARLIER loader:" + A + "QTXILOAD.EXE started by the shell", true},
        {"a loader whose window closed but whose program is still in use stops the upgrade", [] { StopLoaders(), ClosingLoader(); },
         [] { return SetupCommand(""); }, "exit 2 refused | " + installedA + " " + unchanged},
    }},
    {"an install of the earlier release: its stand-in and logon start are known by what it left", {
        {"upgraded with both kept", [] {
             CreateDirectoryA(A.c_str(), NULL), CopyFileA((ProgramDir() + "QTXWIN32.DLL").c_str(), (A + "QTXWIN32.DLL").c_str(), FALSE);
             const std::string location = A.substr(0, A.size() - 1);
             SHSetValueA(HKEY_LOCAL_MACHINE, Entry.c_str(), "InstallLocation", REG_SZ, location.c_str(), DWORD(location.size() + 1));
             SHSetValueA(HKEY_LOCAL_MACHINE, Entry.c_str(), "SimulatorInstalled", REG_DWORD, "\1\0\0", 4);
             const std::string run = "\"" + A + "QTXILOAD.EXE\"";
             SHSetValueA(HKEY_LOCAL_MACHINE, Run.c_str(), "QTXILOAD", REG_SZ, run.c_str(), DWORD(run.size() + 1));
         }, [] { return SetupCommand("/S"); }, ok + "A:" + WithSimulator + " B:- " + Registered(A, true, true) + " " + unchanged},
    }},
    {"a folder holding files named like the package's", ForeignFiles()},
    {"options are read exactly", WrongOptions()},
    {"a folder written with doubled separators, \".\", a trailing backslash or its short name is one folder", {
        {"doubled separators", {}, [] { return SetupCommand("/S /D=C:\\Program Files\\\\Halvane D3D"); }, ok + installedA + " " + unchanged},
        {"the stored uninstall leaves nothing", {}, Quiet, ok + nothing + " " + unchanged},
        {"\".\" and a trailing backslash", {}, [] { return SetupCommand("/S /D=C:\\Program Files\\.\\Halvane D3D\\"); }, ok + installedA + " " + unchanged},
        {"the stored uninstall leaves nothing again", {}, Quiet, ok + nothing + " " + unchanged},
        {"its short name, the drive in lower case", [] { CreateDirectoryA(A.c_str(), NULL); }, [] { return SetupCommand("/S /D=" + NoSlash(ShortName(A))); },
         ok + installedA + " " + unchanged},
        {"the uninstaller run by its short name leaves nothing", {}, [] { return "\"" + ShortName(A) + "uninstall.exe\" /S"; }, ok + nothing + " " + unchanged},
    }},
    // The installer writes each file under a name of its own first (a folder of that name makes the
    // write fail, as a full disk would).
    {"a write that fails mid-install leaves the installation as it was and starts its loader again", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"the upgrade cannot write the manual: refused, the old copy intact, the loader running again",
         [] { StartLoader(), DeleteFileA(Log.c_str()), CreateDirectoryA((A + "qtxhelp.html.qtxnew").c_str(), NULL); }, [] { return SetupCommand("/S /SIMULATOR"); },
         refused + "A:[" + Help + "qtxhelp.html.qtxnew,QTXILOAD.EXE,README.TXT,uninstall.dat,uninstall.exe] B:- " + Registered(A, true, false) +
             " key:Halvane records:ADDED,EARLIER loader:" + A + "QTXILOAD.EXE started by the shell ended told",
         true, "could not be written completely"},
    }},
    {"a logon start removed by hand stays off through an upgrade", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"upgrade after the value was removed from Run", [] { SHDeleteValueA(HKEY_LOCAL_MACHINE, Run.c_str(), "QTXILOAD"); }, [] { return SetupCommand("/S"); },
         ok + "A:" + Files + " B:- " + Registered(A, false, false) + " " + unchanged},
    }},
    {"one setup at a time", {
        {"a second setup while the first shows its pages is refused", [] {
             First = StartChild(SetupExe, {});
             EXPECT_TRUE(WaitUntil([] { return !VisibleDialogs(First.pid).empty(); }));
         }, [] { return SetupCommand("/S"); }, refused + nothing + " " + unchanged + " told", false, "Another setup or uninstall"},
        {"once it has gone, a setup runs", [] { StopChild(First); }, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
    }},
    {"a loader run from elsewhere (an unpacked ZIP) is closed and started again from there", {
        {"install while it runs", [] {
             HWND window = NULL;
             CreateDirectoryA(Zip.c_str(), NULL), CopyFileA((ProgramDir() + "QTXILOAD.EXE").c_str(), (Zip + "QTXILOAD.EXE").c_str(), FALSE);
             Started = StartChild(Zip + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log});
             ASSERT_TRUE(WaitUntil([&] { return (window = FindProcessWindow(Class, Title, Started.pid)) != NULL; }));
         }, [] { return SetupCommand("/S"); },
         ok + installedA + " key:Halvane records:EARLIER loader:" + Zip + "QTXILOAD.EXE started by the shell ended", true},
    }},
    {"the machine's users may change the hint records and the HAL state; the uninstall takes back only those rights", {
        {"install: the product key and its records; zhqhw.ini made", OwnRight, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged + " key:[csdi,s] made",
         false, "", [] { return KeyRights() + (ProfileThere() ? " made" : " missing"); }},
        {"an upgrade keeps them", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged + " key:[csdi,s]", false, "", KeyRights},
        {"uninstalled: the test's own right stays", {}, Quiet, ok + nothing + " " + unchanged + " key:[s]", false, "", KeyRights},
    }},
    {"an uninstall from another volume than %TEMP% removes its folder, or has it removed at the restart", {
        {"install", {}, [] { return SetupCommand("/S /D=" + NoSlash(Far)); }, ok + "A:- B:- " + Registered(Far, true, false) + " " + unchanged},
        {"uninstalled", {}, Quiet, ok + nothing + " " + unchanged + " gone", false, "", [] {
             return Listing(Far) == "-" || (Listing(Far) == "[uninstall.exe]" && Pending(Far + "uninstall.exe")) ? "gone" : "left " + Listing(Far);
         }},
    }},
    {"a file the uninstaller cannot remove keeps the uninstaller, its entry and the record of what is left", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged + " " + Recorded, false, "", Record},
        {"its own data held open by another program: refused, nothing removed",
         [] { Held = CreateFileA((A + "uninstall.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL); }, Quiet,
         refused + installedA + " " + unchanged + " " + Recorded + " told", false, A + "uninstall.dat is in use", Record},
        {"a read-only file: the others go, the uninstaller and its entry stay, the record names what is left",
         [] { Release(), ReadOnly(A + "README.TXT", true); }, Quiet,
         ReadOnlyOpens ? refused + "A:[README.TXT,uninstall.dat,uninstall.exe] B:- " + Registered(A, true, false) + " " + unchanged +
                             " record:|README.TXT|uninstall.exe|uninstall.dat|qtxhelp.gid|qtxhelp.fts|qtxhelp.ftg| told"
                       : refused + installedA + " " + unchanged + " " + Recorded + " told",
         false, ReadOnlyOpens ? A + "README.TXT could not be removed" : A + "README.TXT is read-only", Record},
        {"once it can be removed, the uninstall ends", [] { ReadOnly(A + "README.TXT", false); }, Quiet, ok + nothing + " " + unchanged + " record:-", false, "", Record},
    }},
    // The first write that fails once the file is open makes NSIS abort the section. The copies
    // written before it go; the full disk itself, a link to a device, Wine cannot delete: told.
    {"a disk that fills up while the upgrade writes: the installation is left as it was, its loader running again", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"the upgrade stops writing the manual: refused, no copy it wrote left",
         [] { StartLoader(), DeleteFileA(Log.c_str()); EXPECT_TRUE(FullDisk(A + "qtxhelp.html.qtxnew")); }, [] { return SetupCommand("/S /SIMULATOR"); },
         refused + Replace(installedA, "qtxhelp.html,", "qtxhelp.html,qtxhelp.html.qtxnew,") + " key:Halvane records:ADDED,EARLIER loader:" + A +
             "QTXILOAD.EXE started by the shell ended told",
         true, "The installation stopped before it was complete.\r\n" + A + "qtxhelp.html.qtxnew could not be removed."},
    }},
    {"a move whose last write fails leaves the installation where it was", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"the uninstaller's part cannot be written in the new folder: refused",
         [] { CreateDirectoryA(B.c_str(), NULL), CreateDirectoryA((B + "uninstall.dat.qtxnew").c_str(), NULL); }, [] { return SetupCommand("/S /D=" + NoSlash(B)); },
         refused + "A:" + Files + " B:[uninstall.dat.qtxnew] " + Registered(A, true, false) + " " + unchanged + " told", false, "could not be written completely"},
    }},
    {"a folder chosen on the folder page with characters the code page cannot spell is refused there", {
        FolderPageRefuses("Polish letters, which the ANSI text would spell as look-alikes", Wide(B) + L"\x0141\x00f3" L"d\x017a"),
        FolderPageRefuses("a ?, which NSIS would drop", Wide(B) + L"Vend?or"),
    }},
    {"an uninstall where %TEMP% has characters the code page cannot spell", {
        {"install", {}, [] { return SetupCommand("/S"); }, ok + installedA + " " + unchanged},
        {"uninstalled", [] {
             CreateDirectoryW(L"C:\\\x0422\x043c\x043f", NULL);
             SetEnvironmentVariableW(L"TEMP", L"C:\\\x0422\x043c\x043f"), SetEnvironmentVariableW(L"TMP", L"C:\\\x0422\x043c\x043f");
         }, Quiet, ok + nothing + " " + unchanged},
    }},
};

class Installer : public ::testing::TestWithParam<size_t> {};

TEST_P(Installer, Scenario)
{
    const Scenario &scenario = Scenarios[GetParam()];
    SHSetValueA(HKEY_LOCAL_MACHINE, (Hints + "\\EARLIER").c_str(), "Description", REG_SZ, "kept", 5);
    for (const Step &step : scenario.steps) {
        if (step.before)
            step.before();
        Logged();
        std::string outcome = RunCommand(step.command());
        const std::string logged = Logged();
        if (step.loaderAfter)
            WaitUntil([] { return FindWindowA(Class, Title) != NULL; });
        outcome += State();
        if (Started.process) // the loader the test started, and whether it restored the display
            outcome += std::string(ChildRunning(Started) ? " running" : " ended") + (Content(Log).find("RestoreDisplay_32") + 1 ? " restored" : "");
        if (step.more)
            outcome += " " + step.more();
        if (!step.told.empty())
            outcome += logged.find(step.told) != std::string::npos ? " told" : " not told: " + logged;
        EXPECT_EQ(outcome, step.outcome) << scenario.name << ": " << step.what << "\nlogged:\n" << logged;
    }
    Release(), StopChild(Started);
}

// The files installed are those built, the shortcuts start their targets in the program's folder,
// where the setup dialog's Help finds the manual, and the uninstaller's parts name themselves.
TEST(InstalledFiles, AsBuilt)
{
    RunCommand(SetupCommand("/S /SIMULATOR"));
    for (const char *name : {"QTXILOAD.EXE", "QTXWIN32.DLL"})
        EXPECT_EQ(Content(A + name), Content(ProgramDir() + name)) << name;
    for (const char *name : {"qtxhelp.hlp", "qtxhelp.cnt", "qtxhelp.html", "README.TXT"})
        EXPECT_FALSE(Content(Manual + name).empty() || Content(A + name) != Content(Manual + name)) << name;
    EXPECT_EQ(Content(A + "uninstall.exe"), Content(Built + "stub\\uninstall.exe"));
    EXPECT_EQ(Content(A + "uninstall.dat"), Content(Built + "uninstall.dat"));
    const std::string folder = A.substr(0, A.size() - 1);
    for (auto link : {std::make_pair("QTXILOAD", "QTXILOAD.EXE"), {"Read me", "README.TXT"}, {"Manual", "qtxhelp.html"}, {"Uninstall QTXILOAD", "uninstall.exe"}})
        EXPECT_EQ(Shortcut(Menu + link.first + ".lnk"), std::make_pair(A + link.second, folder)) << link.first;

    HelpShown shown = HelpFrom(Shortcut(Menu + "QTXILOAD.lnk").second + "\\");
    EXPECT_EQ(std::string(shown.viewer ? "viewer" : "no viewer") + ", refusal:" + shown.refusal + ", loader's exit code " + std::to_string(shown.exitCode),
              "viewer, refusal:, loader's exit code 0");
    EXPECT_EQ(shown.topic.rfind("Halvane D3D HAL loader", 0), 0u) << "the topic shown:\n" << shown.topic;
    EXPECT_EQ(Describe(A + "uninstall.exe") + " / " + Describe(A + "uninstall.dat") + " / " + Describe(SetupExe),
              "Uninstaller of QTXILOAD 3.1.0c4 / Uninstaller of QTXILOAD 3.1.0c4 / Setup of QTXILOAD 3.1.0c4, the Halvane D3D HAL loader");
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Installer, ::testing::Range<size_t>(0, Scenarios.size()));

} // namespace
