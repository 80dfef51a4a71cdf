// The installer and its uninstaller as a user's machine sees them, from outside, in a Wine prefix
// of their own: files, version, shortcuts, registry, and a running loader closed before any change.
// With --stubborn this program is instead a loader that will not end: its window ignores Close.
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";
const std::string Hints = "SOFTWARE\\Quarnell\\Halvane\\App hints", Arp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, 0, path);
    return std::string(path) + "\\Halvane D3D\\";
}
const std::string Dir = Folder(CSIDL_PROGRAM_FILES), Menu = Folder(CSIDL_COMMON_PROGRAMS), Exe = Dir + "QTXILOAD.EXE";

std::string Value(const std::string &key, const char *name) // REG_SZ or REG_DWORD as text, "-" if missing
{
    char data[512] = "";
    DWORD type = 0, size = sizeof data - 1;
    if (SHGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, &type, data, &size))
        return "-";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD *>(data)) : data;
}
std::string Subkeys(const std::string &key) // joined with ",", "-" if missing
{
    HKEY k;
    char name[260];
    std::string all;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k))
        return "-";
    for (DWORD i = 0; !RegEnumKeyA(k, i, name, sizeof name); i++)
        all += (i ? "," : "") + std::string(name);
    return RegCloseKey(k), all;
}
std::string FileVersion(const std::string &path)
{
    DWORD ignored, n = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::string block(n + 1, '\0');
    char *text = nullptr;
    UINT length = 0;
    return n && GetFileVersionInfoA(path.c_str(), 0, n, &block[0]) &&
           VerQueryValueA(&block[0], "\\StringFileInfo\\040904E4\\FileVersion", (void **)&text, &length) ? text : "-";
}

// Files and shortcuts present, the exe's version, the logon start, the Add/Remove Programs values
// and entries, the product key and the records.
std::string State()
{
    const std::pair<const char *, std::string> files[] = {{"exe", Exe}, {"simulator", Dir + "QTXWIN32.DLL"},
        {"uninstaller", Dir + "uninstall.exe"}, {"folder", Dir}, {"menu", Menu + "QTXILOAD.lnk"}, {"menu-uninstall", Menu + "Uninstall QTXILOAD.lnk"}};
    std::string s, key = Arp + "QTXILOAD", entries = Subkeys(Arp);
    for (const auto &f : files)
        s += GetFileAttributesA(f.second.c_str()) != INVALID_FILE_ATTRIBUTES ? std::string(f.first) + " " : "";
    s += "version:" + FileVersion(Exe) + " run:" + Value("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "QTXILOAD");
    for (const char *name : {"DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString",
                             "QuietUninstallString", "InstallLocation", "NoModify", "NoRepair"})
        s += std::string(" ") + name + ":" + Value(key, name);
    s += std::string(" size:") + (std::atoi(Value(key, "EstimatedSize").c_str()) > 0 ? "yes" : "-");
    size_t count = 0;
    for (size_t at = entries.find("QTXILOAD"); at != std::string::npos; at = entries.find("QTXILOAD", at + 1))
        count++;
    return s + " entries:" + std::to_string(count) + " key:" + Subkeys("SOFTWARE\\Quarnell") + " records:" + Subkeys(Hints);
}
std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "-", value, sizeof value, "zhqhw.ini");
    return value;
}
HWND DialogWith(DWORD pid, int control) // a shown dialog of the process holding the control
{
    HWND found = NULL;
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(pid))
            found = GetDlgItem(d, control) ? d : found;
        return found != NULL;
    });
    return found;
}
void Post(HWND window, WPARAM command) { PostMessageA(window, WM_COMMAND, command, 0); }

// Runs the program, clicking button 1 (Next, Install, Close) of its pages, and OK of a message box
// once its text reads as a refusal, which is kept; returns the exit code.
DWORD RunSetup(const std::string &program, const std::string &args, std::string *refusal)
{
    ChildProcess p = StartChild(program, {}, args);
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(p.pid)) {
            std::vector<std::string> texts = ChildTexts(d);
            // A message box can show before its texts are set: nothing is clicked on a dialog that shows none yet.
            bool box = std::count(texts.begin(), texts.end(), "OK") || std::count(texts.begin(), texts.end(), "") == long(texts.size());
            for (const std::string &text : texts)
                *refusal = text.find("did not end") != std::string::npos ? box = false, text : *refusal;
            if (!box)
                PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }
        return !ChildRunning(p);
    }, 60000);
    DWORD code = WaitChild(p, 0);
    return StopChild(p), code;
}

enum Loader { None, Installed, Stubborn };

TEST(Installer, InstallUpgradeUninstall)
{
    const std::string setup = ProgramDir() + "..\\package\\QTXILOAD-3.1.0c4-setup.exe",
                      scratch = MakeScratchDir("installer"), log = scratch + "calls.log";
    // Run in place from a copy, as NSIS does itself, so that the test can wait for it to end.
    auto uninstall = [&](const std::string &args, std::string *refusal) {
        CopyFileA((Dir + "uninstall.exe").c_str(), (scratch + "uninstall.exe").c_str(), FALSE);
        return RunSetup(scratch + "uninstall.exe", args + " _?=" + Dir.substr(0, Dir.size() - 1), refusal);
    };
    std::string refusal, un = "\"" + Dir + "uninstall.exe\"";
    if (GetFileAttributesA(Dir.c_str()) != INVALID_FILE_ATTRIBUTES) // left by an earlier run in the reused prefix
        uninstall("/S /REMOVEHINTS", &refusal), RemoveDirectoryA(Dir.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell");
    SHSetValueA(HKEY_LOCAL_MACHINE, (Hints + "\\EARLIER").c_str(), "Description", REG_SZ, "kept", 5);
    EXPECT_EQ(FileVersion(setup), "3.1.0c4");

    const std::string on = "uninstaller folder menu menu-uninstall version:3.1.0c4 run:\"" + Exe + "\" DisplayName:QTXILOAD 3.1.0c4 "
        "(Halvane D3D HAL loader) DisplayVersion:3.1.0c4 Publisher:Quarnell DisplayIcon:" + Exe + ",0 UninstallString:" + un +
        " QuietUninstallString:" + un + " /S InstallLocation:" + Dir.substr(0, Dir.size() - 1) + " NoModify:1 NoRepair:1 size:yes entries:1 key:Halvane records:",
        installed = "exe " + on, simulator = "exe simulator " + on, both = "ADDED,EARLIER", off = "version:- run:- DisplayName:- "
        "DisplayVersion:- Publisher:- DisplayIcon:- UninstallString:- QuietUninstallString:- InstallLocation:- NoModify:- NoRepair:- size:- entries:0 key:";
    const struct {
        const char *name, *args;
        bool uninstall;
        Loader loader;
        DWORD exit;
        std::string state;
        const char *closed; // what the loader that was running shows afterwards
    } steps[] = {
        {"a loader that will not end stops the install", "", false, Stubborn, 2, off + "Halvane records:EARLIER", ""},
        {"first install keeps the records under the product key", "/S", false, None, 0, installed + "EARLIER", ""},
        {"upgrade closes the loader that ran alone and added a record", "/S /SIMULATOR", false, Installed, 0, simulator + both, "ended 0"},
        {"upgrade closes the loader that prepared the display; the simulator goes", "/S", false, Installed, 0, installed + both, "ended 0 restored"},
        {"a loader that will not end stops the uninstall", "", true, Stubborn, 2, installed + both, ""},
        {"uninstall keeps the records", "/S", true, None, 0, off + "Halvane records:" + both, ""},
        {"install again", "/S", false, None, 0, installed + both, ""},
        {"uninstall removing the records and the product key", "/S /REMOVEHINTS", true, None, 0, off + "- records:-", ""},
        {"install creates the product key", "/S", false, None, 0, installed + "-", ""},
        {"uninstall leaves the product key", "/S", true, None, 0, off + "Halvane records:-", ""},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.name);
        ChildProcess loader;
        HWND window = NULL;
        DeleteFileA(log.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "-", "zhqhw.ini");
        if (s.loader != None) {
            loader = s.loader == Stubborn ? StartChild(ProgramDir() + "installer_test.exe", {}, "--stubborn")
                                          : StartChild(Exe, {"QTXWIN32_LOG=" + log});
            ASSERT_TRUE(WaitUntil([&] { return (window = FindProcessWindow(Class, Title, loader.pid)) != NULL; }));
        }
        if (s.loader == Installed) { // Add through its setup dialog, which stays open
            EXPECT_TRUE(WaitUntil([&] { return Profile() == "1"; }));
            Post(window, IDM_SETUP);
            Post(DialogWith(loader.pid, IDC_HINT_ADD), IDC_HINT_ADD);
            HWND add = DialogWith(loader.pid, IDC_ADD_NAME);
            SendMessageA(GetDlgItem(add, IDC_ADD_NAME), WM_SETTEXT, 0, LPARAM("ADDED")), Post(add, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return Subkeys(Hints).find("ADDED") != std::string::npos; }));
        }
        refusal.clear();
        EXPECT_EQ(s.uninstall ? uninstall(s.args, &refusal) : RunSetup(setup, s.args, &refusal), s.exit);
        EXPECT_EQ(refusal.find("is still running and did not end when asked to close") != std::string::npos, s.exit == 2) << refusal;
        EXPECT_EQ(State(), s.state);
        std::ifstream in(log);
        std::string calls((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (s.loader == Installed) {
            EXPECT_EQ((ChildRunning(loader) ? "running " : "ended ") + Profile() + (calls.find("RestoreDisplay_32") + 1 ? " restored" : ""), s.closed);
        }
        StopChild(loader);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--stubborn") { // DefWindowProcA ignores command 40002
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA, wc.hInstance = GetModuleHandleA(NULL), wc.lpszClassName = Class;
        RegisterClassA(&wc);
        CreateWindowA(Class, Title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, wc.hInstance, NULL);
        for (MSG m; GetMessageA(&m, NULL, 0, 0) > 0;)
            DispatchMessageA(&m);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
