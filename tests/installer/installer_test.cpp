// The installer and its uninstaller as a user's machine sees them, from outside, in a Wine prefix
// of their own: files, version, shortcuts, registry, and a running loader closed before any change.
// Started with an argument, this program is instead a hung loader: a window that never answers.
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
    return SHGetFolderPathA(NULL, csidl, NULL, 0, path), std::string(path) + "\\Halvane D3D\\";
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
std::string Profile()
{
    char value[64];
    return GetPrivateProfileStringA("QTXHAL", "EnableHAL", "-", value, sizeof value, "zhqhw.ini"), value;
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
    size_t first = entries.find("QTXILOAD");
    s += std::string(" size:") + (std::atoi(Value(key, "EstimatedSize").c_str()) > 0 ? "yes" : "-") + " entries:" +
         (first == std::string::npos ? "0" : first == entries.rfind("QTXILOAD") ? "1" : "more");
    return s + " key:" + Subkeys("SOFTWARE\\Quarnell") + " records:" + Subkeys(Hints);
}

// Runs the program, clicking button 1 (Next, Install, Close) of its pages, and OK of a message box
// once its text reads as a refusal. Returns the exit code, and "refused" after a refusal. A
// message box can show before its texts are set: a dialog showing no text yet is left alone.
std::string RunSetup(const std::string &program, const std::string &args)
{
    ChildProcess p = StartChild(program, {}, args);
    std::string refused;
    WaitUntil([&] {
        for (HWND d : VisibleDialogs(p.pid)) {
            std::vector<std::string> texts = ChildTexts(d);
            bool box = std::count(texts.begin(), texts.end(), "OK") || std::count(texts.begin(), texts.end(), "") == long(texts.size());
            for (const std::string &text : texts)
                refused = text.find("is still running and did not end when asked to close") + 1 ? box = false, " refused" : refused;
            if (!box)
                PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }
        return !ChildRunning(p);
    }, 60000);
    std::string result = "exit " + std::to_string(WaitChild(p, 0)) + refused + " |";
    return StopChild(p), result;
}

TEST(Installer, InstallUpgradeUninstall)
{
    const std::string setup = ProgramDir() + "..\\package\\QTXILOAD-3.1.0c4-setup.exe", scratch = MakeScratchDir("installer"),
                      log = scratch + "calls.log", un = "\"" + Dir + "uninstall.exe\"";
    auto uninstall = [&](const std::string &args) { // in place, from a copy as NSIS does itself, so that it can be waited for
        CopyFileA((Dir + "uninstall.exe").c_str(), (scratch + "uninstall.exe").c_str(), FALSE);
        return RunSetup(scratch + "uninstall.exe", args + " _?=" + Dir.substr(0, Dir.size() - 1));
    };
    if (GetFileAttributesA(Dir.c_str()) != INVALID_FILE_ATTRIBUTES) // left by an earlier run in the reused prefix
        uninstall("/S /REMOVEHINTS"), RemoveDirectoryA(Dir.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell");
    SHSetValueA(HKEY_LOCAL_MACHINE, (Hints + "\\EARLIER").c_str(), "Description", REG_SZ, "kept", 5);
    EXPECT_EQ(FileVersion(setup), "3.1.0c4");

    const std::string on = "uninstaller folder menu menu-uninstall version:3.1.0c4 run:\"" + Exe + "\" DisplayName:QTXILOAD 3.1.0c4 "
        "(Halvane D3D HAL loader) DisplayVersion:3.1.0c4 Publisher:Quarnell DisplayIcon:" + Exe + ",0 UninstallString:" + un +
        " QuietUninstallString:" + un + " /S InstallLocation:" + Dir.substr(0, Dir.size() - 1) + " NoModify:1 NoRepair:1 size:yes entries:1 key:Halvane records:",
        installed = "exit 0 | exe " + on, simulator = "exit 0 | exe simulator " + on, both = "ADDED,EARLIER", off = "exit 0 | version:- run:- DisplayName:- "
        "DisplayVersion:- Publisher:- DisplayIcon:- UninstallString:- QuietUninstallString:- InstallLocation:- NoModify:- NoRepair:- size:- entries:0 key:",
        refused = "exit 2 refused | ";
    // loader: 0 none, 1 the installed one (which first adds a record; then what it showed at its end), 2 a hung one
    const struct { const char *name, *args; bool uninstall; int loader; std::string outcome; } steps[] = {
        {"a hung loader stops the install", "", false, 2, refused + off.substr(9) + "Halvane records:EARLIER"},
        {"first install keeps the records under the product key", "/S", false, 0, installed + "EARLIER"},
        {"upgrade closes the loader that ran alone and added a record", "/S /SIMULATOR", false, 1, simulator + both + " loader:ended 0"},
        {"upgrade closes the loader that prepared the display; the simulator goes", "/S", false, 1, installed + both + " loader:ended 0 restored"},
        {"a hung loader stops the uninstall", "", true, 2, refused + installed.substr(9) + both},
        {"uninstall keeps the records", "/S", true, 0, off + "Halvane records:" + both},
        {"install again", "/S", false, 0, installed + both},
        {"uninstall removing the records and the product key", "/S /REMOVEHINTS", true, 0, off + "- records:-"},
        {"install creates the product key", "/S", false, 0, installed + "-"},
        {"uninstall leaves the product key", "/S", true, 0, off + "Halvane records:-"},
    };
    for (const auto &s : steps) {
        ChildProcess loader;
        HWND window = NULL, setup_dialog = NULL, add = NULL;
        DeleteFileA(log.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "-", "zhqhw.ini");
        if (s.loader)
            loader = s.loader == 2 ? StartChild(ProgramDir() + "installer_test.exe", {}, "hung") : StartChild(Exe, {"QTXWIN32_LOG=" + log});
        ASSERT_TRUE(!s.loader || WaitUntil([&] { return (window = FindProcessWindow(Class, Title, loader.pid)) != NULL; })) << s.name;
        if (s.loader == 1) { // it started without a support library beside it; Add through its setup dialog, left open
            EXPECT_TRUE(WaitUntil([&] { return Profile() == "1"; })) << s.name;
            PostMessageA(window, WM_COMMAND, IDM_SETUP, 0);
            EXPECT_TRUE(WaitUntil([&] {
                for (HWND d : VisibleDialogs(loader.pid)) {
                    if (!setup_dialog && GetDlgItem(d, IDC_HINT_ADD))
                        PostMessageA(setup_dialog = d, WM_COMMAND, IDC_HINT_ADD, 0);
                    add = GetDlgItem(d, IDC_ADD_NAME) ? d : add;
                }
                return add != NULL;
            })) << s.name;
            SendMessageA(GetDlgItem(add, IDC_ADD_NAME), WM_SETTEXT, 0, LPARAM("ADDED")), PostMessageA(add, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(WaitUntil([&] { return Subkeys(Hints).find("ADDED") != std::string::npos; })) << s.name;
        }
        std::string outcome = s.uninstall ? uninstall(s.args) : RunSetup(setup, s.args);
        outcome += " " + State();
        std::ifstream in(log);
        std::string calls((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (s.loader == 1)
            outcome += (ChildRunning(loader) ? " loader:running " : " loader:ended ") + Profile() + (calls.find("RestoreDisplay_32") + 1 ? " restored" : "");
        EXPECT_EQ(outcome, s.outcome) << s.name;
        StopChild(loader);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1) { // hung: the window exists, but its thread never reads a message
        WNDCLASSA wc = {0, DefWindowProcA, 0, 0, GetModuleHandleA(NULL), NULL, NULL, NULL, NULL, Class};
        RegisterClassA(&wc), CreateWindowA(Class, Title, 0, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL), Sleep(INFINITE);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
