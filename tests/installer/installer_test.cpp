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

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader", Version[] = "3.1.0c4";
const std::string Arp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
                  Hints = "SOFTWARE\\Quarnell\\Halvane\\App hints";

std::string Folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, 0, path);
    return std::string(path) + "\\Halvane D3D\\";
}
const std::string Dir = Folder(CSIDL_PROGRAM_FILES), Menu = Folder(CSIDL_COMMON_PROGRAMS);

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
std::string Files(const std::string &dir) // sorted, joined with ",", "-" if missing
{
    WIN32_FIND_DATAA f;
    std::vector<std::string> names;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &f);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &f))
        if (f.cFileName[0] != '.')
            names.push_back(f.cFileName);
    if (h == INVALID_HANDLE_VALUE)
        return "-";
    FindClose(h), std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string &n : names)
        all += (all.empty() ? "" : ",") + n;
    return all;
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
// The Add/Remove Programs entry: "-" when missing, else "ok" or the wrong values, and how many
// entries name the product.
std::string ArpEntry()
{
    const std::string key = Arp + "QTXILOAD", uninstaller = "\"" + Dir + "uninstall.exe\"", entries = Subkeys(Arp);
    const std::pair<const char *, std::string> expected[] = {{"DisplayVersion", Version}, {"Publisher", "Quarnell"},
        {"DisplayIcon", Dir + "QTXILOAD.EXE,0"}, {"UninstallString", uninstaller}, {"QuietUninstallString", uninstaller + " /S"},
        {"InstallLocation", Dir.substr(0, Dir.size() - 1)}, {"NoModify", "1"}, {"NoRepair", "1"}};
    std::string wrong;
    for (const auto &e : expected)
        wrong += Value(key, e.first) == e.second ? "" : std::string(" ") + e.first + "=" + Value(key, e.first);
    wrong += Value(key, "DisplayName").find("QTXILOAD") == std::string::npos ? " DisplayName" : "";
    wrong += std::atoi(Value(key, "EstimatedSize").c_str()) > 0 ? "" : " EstimatedSize";
    size_t count = 0;
    for (size_t at = entries.find("QTXILOAD"); at != std::string::npos; at = entries.find("QTXILOAD", at + 1))
        count++;
    return Value(key, "DisplayVersion") == "-" ? "-" : (wrong.empty() ? "ok" : wrong) + " x" + std::to_string(count);
}
std::string State()
{
    std::string run = Value("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "QTXILOAD");
    return "files:" + Files(Dir) + " version:" + FileVersion(Dir + "QTXILOAD.EXE") + " menu:" + Files(Menu) +
           " run:" + (run == "\"" + Dir + "QTXILOAD.EXE\"" ? "ok" : run) + " arp:" + ArpEntry() +
           " key:" + Subkeys("SOFTWARE\\Quarnell") + " records:" + Subkeys(Hints);
}
std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "-", value, sizeof value, "zhqhw.ini");
    return value;
}
HWND DialogWith(DWORD pid, int control)
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
std::string Calls(const std::string &log) // the initials of the support library's logged calls
{
    std::string initials;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        initials += line.substr(0, 1);
    return initials;
}

// Runs the program, clicking button 1 (Next, Install, Close) of its pages and OK of a message box
// once its text reads as a refusal, which is kept; returns the exit code.
DWORD RunSetup(const std::string &program, const std::string &args, std::string *refusal)
{
    ChildProcess p = StartChild(program, {}, args);
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(p.pid)) {
            std::vector<std::string> texts = ChildTexts(d);
            bool box = std::count(texts.begin(), texts.end(), "OK") > 0;
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
    std::string refusal;
    if (Files(Dir) != "-") // left by an earlier run of this test in the reused prefix
        uninstall("/S /REMOVEHINTS", &refusal), RemoveDirectoryA(Dir.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell");
    SHSetValueA(HKEY_LOCAL_MACHINE, (Hints + "\\EARLIER").c_str(), "Description", REG_SZ, "kept", 5);
    EXPECT_EQ(FileVersion(setup), Version);

    const std::string on = " version:3.1.0c4 menu:QTXILOAD.lnk,Uninstall QTXILOAD.lnk run:ok arp:ok x1 key:Halvane records:",
                      installed = "files:QTXILOAD.EXE,uninstall.exe" + on, simulator = "files:QTXILOAD.EXE,QTXWIN32.DLL,uninstall.exe" + on,
                      off = "files:- version:- menu:- run:- arp:- key:", both = "ADDED,EARLIER";
    const struct {
        const char *name;
        bool uninstall;
        const char *args;
        Loader loader;
        DWORD exit;
        std::string state;
        const char *calls; // of the loader that the run closed
    } steps[] = {
        {"a loader that will not end stops the install", false, "", Stubborn, 2, off + "Halvane records:EARLIER", nullptr},
        {"first install keeps the records under the product key", false, "/S", None, 0, installed + "EARLIER", nullptr},
        {"upgrade closes the loader that ran alone and added a record", false, "/S /SIMULATOR", Installed, 0, simulator + both, ""},
        {"upgrade closes the loader that prepared the display; the simulator goes", false, "/S", Installed, 0, installed + both, "FGPR"},
        {"a loader that will not end stops the uninstall", true, "", Stubborn, 2, installed + both, nullptr},
        {"uninstall keeps the records", true, "/S", None, 0, off + "Halvane records:" + both, nullptr},
        {"install again", false, "/S", None, 0, installed + both, nullptr},
        {"uninstall removing the records and the product key", true, "/S /REMOVEHINTS", None, 0, off + "- records:-", nullptr},
        {"install creates the product key", false, "/S", None, 0, installed + "-", nullptr},
        {"uninstall leaves the product key", true, "/S", None, 0, off + "Halvane records:-", nullptr},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.name);
        ChildProcess loader;
        HWND window = NULL;
        DeleteFileA(log.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "-", "zhqhw.ini");
        if (s.loader != None) {
            loader = s.loader == Stubborn ? StartChild(ProgramDir() + "installer_test.exe", {}, "--stubborn")
                                          : StartChild(Dir + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + log});
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
        if (s.calls)
            EXPECT_EQ(std::to_string(ChildRunning(loader)) + Profile() + Calls(log), "00" + std::string(s.calls)) << "running, profile, calls";
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
