// The installer and its uninstaller as a user's machine sees them, from outside, in a Wine prefix
// of their own: files, version, shortcuts, registry, and a running loader closed before any change.
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <fstream>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";
const std::string Dir = "C:\\Program Files\\Halvane D3D\\", Exe = Dir + "QTXILOAD.EXE", Hints = "SOFTWARE\\Quarnell\\Halvane\\App hints",
                  Menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Halvane D3D\\", Arp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

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
std::string FileVersion(const std::string &path)
{
    static char block[16384], *text;
    UINT length = 0;
    return GetFileVersionInfoA(path.c_str(), 0, sizeof block, block) &&
           VerQueryValueA(block, "\\StringFileInfo\\040904E4\\FileVersion", (void **)&text, &length) ? text : "-";
}

// Files, shortcuts, version, logon start, uninstall entry and their count, product key, records.
std::string State()
{
    std::string s, key = Arp + "QTXILOAD", entries = Reg(Arp);
    for (const std::string &f : {Dir, Exe, Dir + "QTXWIN32.DLL", Dir + "uninstall.exe", Menu, Menu + "QTXILOAD.lnk", Menu + "Uninstall QTXILOAD.lnk"})
        s += GetFileAttributesA(f.c_str()) != INVALID_FILE_ATTRIBUTES ? f.substr(f.rfind('\\', f.size() - 2) + 1) + " " : "";
    s += "version:" + FileVersion(Exe) + " run:" + Reg("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "QTXILOAD");
    for (const char *name : {"DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString", "QuietUninstallString", "InstallLocation", "NoModify", "NoRepair"})
        s += std::string(" ") + name + ":" + Reg(key, name);
    size_t first = entries.find("QTXILOAD");
    s += std::string(" size:") + (std::atoi(Reg(key, "EstimatedSize").c_str()) > 0 ? "yes" : "-") + " entries:" +
         (first == std::string::npos ? "0" : first == entries.rfind("QTXILOAD") ? "1" : "more");
    return s + " key:" + Reg("SOFTWARE\\Quarnell") + " records:" + Reg(Hints);
}

// Runs the program, clicking button 1 (Next, Install, Close) of its pages, and OK of a message box
// (few controls; it can show before its text is set) only once it reads as a refusal.
const std::string SetupExe = ProgramDir() + "..\\package\\QTXILOAD-3.1.0c4-setup.exe", Scratch = MakeScratchDir("installer");
std::string RunSetup(bool uninstaller, std::string args)
{
    std::string program = SetupExe;
    if (uninstaller) // in place, from a copy as NSIS does itself, so that it can be waited for
        CopyFileA((Dir + "uninstall.exe").c_str(), (program = Scratch + "uninstall.exe").c_str(), FALSE), args += " _?=" + Dir.substr(0, Dir.size() - 1);
    ChildProcess p = StartChild(program, {}, args);
    std::string refused;
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(p.pid)) {
            std::vector<std::string> texts = ChildTexts(d);
            bool refusal = std::any_of(texts.begin(), texts.end(), [](const std::string &text) {
                return text.find("is still running and did not end when asked to close") != std::string::npos; });
            if ((refused = refusal ? " refused" : refused), refusal || texts.size() > 5)
                PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }
        return !ChildRunning(p);
    }, 60000);
    std::string result = "exit " + std::to_string(WaitChild(p, 0)) + refused + " | ";
    return StopChild(p), result;
}

TEST(Installer, InstallUpgradeUninstall)
{
    const std::string log = Scratch + "calls.log", un = "\"" + Dir + "uninstall.exe\"";
    if (GetFileAttributesA(Dir.c_str()) != INVALID_FILE_ATTRIBUTES) // left by an earlier run in the reused prefix
        RunSetup(true, "/S /REMOVEHINTS"), RemoveDirectoryA(Dir.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell");
    SHSetValueA(HKEY_LOCAL_MACHINE, (Hints + "\\EARLIER").c_str(), "Description", REG_SZ, "kept", 5);
    EXPECT_EQ(FileVersion(SetupExe), "3.1.0c4");
    auto profile = [] { static char value[64]; return GetPrivateProfileStringA("QTXHAL", "EnableHAL", "-", value, 64, "zhqhw.ini"), std::string(value); };
    WNDCLASSA ignoring = {0, DefWindowProcA, 0, 0, GetModuleHandleA(NULL), NULL, NULL, NULL, NULL, Class}; // a loader that will not end
    RegisterClassA(&ignoring);

    const std::string on = "uninstall.exe Halvane D3D\\ QTXILOAD.lnk Uninstall QTXILOAD.lnk version:3.1.0c4 run:\"" + Exe + "\" DisplayName:"
        "QTXILOAD 3.1.0c4 (Halvane D3D HAL loader) DisplayVersion:3.1.0c4 Publisher:Quarnell DisplayIcon:" + Exe + ",0 UninstallString:" + un +
        " QuietUninstallString:" + un + " /S InstallLocation:" + Dir.substr(0, Dir.size() - 1) + " NoModify:1 NoRepair:1 size:yes entries:1 key:Halvane records:",
        installed = "Halvane D3D\\ QTXILOAD.EXE " + on, simulator = "Halvane D3D\\ QTXILOAD.EXE QTXWIN32.DLL " + on, both = "ADDED,EARLIER",
        off = "version:- run:- DisplayName:- DisplayVersion:- Publisher:- DisplayIcon:- UninstallString:- QuietUninstallString:- InstallLocation:- "
        "NoModify:- NoRepair:- size:- entries:0 key:", ok = "exit 0 | ", refused = "exit 2 refused | ";
    // loader: 0 none; 1 the installed one, adding a record first (then: its profile at start, at its end, the restore call); 2 one that will not end
    const struct { const char *name, *args; bool uninstall; int loader; std::string outcome; } steps[] = {
        {"a loader that will not end stops the install", "", false, 2, refused + off + "Halvane records:EARLIER"},
        {"first install keeps the records under the product key", "/S", false, 0, ok + installed + "EARLIER"},
        {"upgrade closes the loader that ran alone and added a record", "/S /SIMULATOR", false, 1, ok + simulator + both + " loader:1 ended 0"},
        {"upgrade closes the loader that prepared the display; the simulator goes", "/S", false, 1, ok + installed + both + " loader:1 ended 0 restored"},
        {"a loader that will not end stops the uninstall", "", true, 2, refused + installed + both},
        {"uninstall keeps the records", "/S", true, 0, ok + off + "Halvane records:" + both},
        {"install again", "/S", false, 0, ok + installed + both},
        {"uninstall removing the records and the product key", "/S /REMOVEHINTS", true, 0, ok + off + "- records:-"},
        {"install creates the product key", "/S", false, 0, ok + installed + "-"},
        {"uninstall leaves the product key", "/S", true, 0, ok + off + "Halvane records:-"},
    };
    for (const auto &s : steps) {
        ChildProcess loader;
        HWND window = NULL, add = NULL, hung = s.loader == 2 ? CreateWindowA(Class, Title, 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL) : NULL;
        std::string started, calls;
        DeleteFileA(log.c_str()), WritePrivateProfileStringA("QTXHAL", "EnableHAL", "-", "zhqhw.ini");
        if (s.loader == 1) { // without a support library beside it; Add through its setup dialog, left open
            loader = StartChild(Exe, {"QTXWIN32_LOG=" + log});
            ASSERT_TRUE(WaitUntil([&] { return (window = FindProcessWindow(Class, Title, loader.pid)) != NULL; })) << s.name;
            started = profile(), PostMessageA(window, WM_COMMAND, IDM_SETUP, 0);
            EXPECT_TRUE(WaitUntil([&] {
                return GetDlgItem(add = FindProcessWindow("#32770", NULL, loader.pid), IDC_HINT_ADD) && PostMessageA(add, WM_COMMAND, IDC_HINT_ADD, 0); })) << s.name;
            EXPECT_TRUE(WaitUntil([&] { return GetDlgItem(add = FindProcessWindow("#32770", NULL, loader.pid), IDC_ADD_NAME) != NULL; })) << s.name;
            SendMessageA(GetDlgItem(add, IDC_ADD_NAME), WM_SETTEXT, 0, LPARAM("ADDED")), PostMessageA(add, WM_COMMAND, IDOK, 0);
        }
        std::string outcome = RunSetup(s.uninstall, s.args);
        outcome += State(), std::getline(std::ifstream(log), calls, '\0');
        if (s.loader == 1)
            outcome += " loader:" + started + (ChildRunning(loader) ? " running " : " ended ") + profile() + (calls.find("RestoreDisplay_32") + 1 ? " restored" : "");
        EXPECT_EQ(outcome, s.outcome) << s.name;
        StopChild(loader), DestroyWindow(hung);
    }
}

} // namespace
