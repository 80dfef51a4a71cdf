// QTXILOAD.EXE as a user runs it, beside the stand-in support library or with a copy of it
// elsewhere; the stand-in logs each entry point called on a line of its own (F, G, P, R).
#include "resource.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <psapi.h>

#include <algorithm>
#include <fstream>
#include <tuple>

namespace {

const std::string Path = getenv("PATH"), Scratch = MakeScratchDir("loader"), Log = Scratch + "calls.log";
ChildProcess Child;
HWND Icon; // the loader's icon in Wine's notification area, as last seen

std::string InWindows(UINT(WINAPI *folder)(LPSTR, UINT), const char *name)
{
    char dir[MAX_PATH] = "";
    return std::string(dir, folder(dir, sizeof dir)) + "\\" + name;
}
const std::string Ini = InWindows(GetWindowsDirectoryA, "zhqhw.ini"), SystemDll = InWindows(GetSystemDirectoryA, "QTXWIN32.DLL");

std::string ProfileAndCalls() // the profile's value, then the initials of the entry points called
{
    char value[64];
    std::string result(value, GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini"));
    std::ifstream in(Log);
    for (std::string line; std::getline(in, line);)
        result += line.substr(0, 1);
    return result;
}
bool ProfileBecomes(char value) { return WaitUntil([&] { return ProfileAndCalls()[0] == value; }); }

HWND Dialog(const std::string &text) // the loader's visible dialog that shows the text, waited for
{
    HWND found = NULL;
    WaitUntil([&] {
        for (HWND dialog : VisibleDialogs(Child.pid))
            for (const std::string &t : ChildTexts(dialog))
                found = t == text ? dialog : found;
        return found;
    });
    return found;
}

// Starts the loader with a fresh log and profile: beside the library ('B'), or a copy of it with
// the library nowhere ('-'), in its current directory ('C'), in a folder first on PATH ('P') or
// in the system folder ('S'). Returns its window, NULL when it ended or showed a message instead.
HWND Start(const char *flags, char library = 'B')
{
    DeleteFileA(Log.c_str());
    WritePrivateProfileStringA("QTXHAL", "EnableHAL", "unset", "zhqhw.ini");
    std::string exe = ProgramDir() + "QTXILOAD.EXE", lib = Scratch + "lib\\", cwd(MAX_PATH, 0);
    if (library != 'B' && CopyFileA(exe.c_str(), (Scratch + "QTXILOAD.EXE").c_str(), FALSE))
        exe = Scratch + "QTXILOAD.EXE";
    CreateDirectoryA(lib.c_str(), NULL);
    CopyFileA((ProgramDir() + "QTXWIN32.DLL").c_str(), (library == 'S' ? SystemDll : lib + "QTXWIN32.DLL").c_str(), FALSE);
    cwd.resize(GetCurrentDirectoryA(MAX_PATH, &cwd[0]));
    SetCurrentDirectoryA(library == 'C' ? lib.c_str() : cwd.c_str());
    Child = StartChild(exe, {"QTXWIN32_LOG=" + Log, std::string("QTXWIN32_FLAGS=") + flags,
                             "PATH=" + (library == 'P' ? lib + ";" : "") + Path});
    SetCurrentDirectoryA(cwd.c_str());
    HWND window = NULL;
    WaitUntil([&] {
        return (window = FindProcessWindow("QTXILoadWClass", "Halvane interceptor loader", Child.pid)) || !ChildRunning(Child) ||
               !VisibleDialogs(Child.pid).empty();
    });
    return window;
}

std::string Field(HWND d, int id) { return ControlText(GetDlgItem(d, id)); }
std::vector<HWND> With(int id) // the loader's dialogs on screen that hold control id
{
    std::vector<HWND> d = VisibleDialogs(Child.pid);
    return d.erase(std::remove_if(d.begin(), d.end(), [&](HWND w) { return !GetDlgItem(w, id); }), d.end()), d;
}
// Selects entry, posts the action (d Next/Down, u Back/Up, k or v a double-click in the key or
// value list; g Next/Down on a key deleted meanwhile) and waits until the browser shows want.
void Step(HWND b, char action, const std::string &entry, const std::string &want)
{
    HWND list = GetDlgItem(b, action == 'v' ? IDC_REG_VALUES : IDC_REG_KEYS);
    std::vector<std::string> lines = ListLines(list);
    SendMessageW(list, LB_SETCURSEL, entry.empty() ? -1 : std::find(lines.begin(), lines.end(), entry) - lines.begin(), 0);
    if (action == 'g')
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (Field(b, IDC_REG_PATH).substr(RegFixtureScratch().size() + 1) + "\\" + entry).c_str());
    int command = action == 'u' ? IDC_REG_UP : action == 'd' || action == 'g' ? IDC_REG_DOWN : 0;
    PostMessageA(b, WM_COMMAND, command ? command : MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), command ? 0 : LPARAM(list));
    std::string boxes, now;
    WaitUntil([&] {
        for (HWND box : With(IDOK)) // message boxes: each recorded and answered once
            if (IsWindowEnabled(box) && !EnableWindow(box, FALSE)) {
                boxes += Field(box, 0xffff) + " / " + ControlText(box) + (GetWindow(box, GW_OWNER) == b ? "\n" : " (not owned)\n");
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        now = want[0] == '-' ? "-" : Join(ListLines(GetDlgItem(b, IDC_REG_KEYS))) + "/" + Join(ListLines(GetDlgItem(b, IDC_REG_VALUES))) + "|";
        for (int id : {IDC_REG_KEYNAME, IDC_REG_CLASS, IDC_REG_PATH, IDC_REG_DATA})
            now += Field(b, id) + "|";
        return (now += boxes) == want;
    });
    EXPECT_EQ(now, want) << action << " " << entry.substr(0, 40);
}

// One icon in Wine's notification area (a window under bare Xvfb), with the image of the state:
// its pixels, learned the first time each state is seen (the two differ), and read until two
// reads 150 ms apart agree (a redraw can be caught half done).
void ExpectIcon(int enabled)
{
    static std::vector<COLORREF> seen[2];
    std::vector<COLORREF> image;
    size_t count = 0;
    auto pixels = [] {
        std::vector<COLORREF> all;
        RECT r = {};
        HDC screen = GetDC(NULL);
        for (GetWindowRect(Icon, &r); r.top < r.bottom; r.top++)
            for (LONG x = r.left; x < r.right; x++)
                all.push_back(GetPixel(screen, x, r.top));
        return ReleaseDC(NULL, screen), all;
    };
    EXPECT_TRUE(WaitUntil([&] {
        HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
        count = 0;
        for (HWND w = NULL; tray && (w = FindWindowExA(tray, w, "__winex11_tray_icon", NULL));)
            count += IsWindowVisible(w) && (Icon = w);
        return count == 1 && (image = pixels()) != seen[!enabled] && (seen[enabled].empty() || image == seen[enabled]) &&
               (Sleep(150), image == pixels());
    })) << count << " icons; want the image of HAL " << (enabled ? "on" : "off");
    seen[enabled] = seen[enabled].empty() ? image : seen[enabled];
}

// Removes the icon as a restarting shell would (unless it stays) and tells the loader that the
// taskbar was created: the icon is back, and a click on it opens the popup.
void TaskbarCreated(HWND window, int enabled, bool iconStays)
{
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE, icon.hWnd = window, icon.uID = 102;
    EXPECT_TRUE(iconStays || (Shell_NotifyIconA(NIM_DELETE, &icon) && WaitUntil([] { return !IsWindowVisible(Icon); })));
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ExpectIcon(enabled);
    HWND menu = NULL;
    PostMessageA(Icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_TRUE(WaitUntil([&] { return (menu = FindProcessWindow("#32768", NULL, Child.pid)) && IsWindowVisible(menu); }));
    SendMessageA(window, WM_CANCELMODE, 0, 0); // the default procedure ends the menu
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
}

// The whole logo stretched over the About box's client area (children hidden), as this process
// stretches it; each paint loads the logo (about 370 KB as a device bitmap) and a block of its
// rows (46 KB), and two hundred leaked ones would grow the loader by tens of megabytes.
void ExpectLogo(HWND about)
{
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    HMODULE exe = LoadLibraryExA((ProgramDir() + "QTXILOAD.EXE").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = GetDC(NULL), logo = CreateCompatibleDC(screen), want = CreateCompatibleDC(screen);
    RECT r = {};
    GetClientRect(about, &r);
    HGDIOBJ bitmaps[] = {LoadImageA(exe, "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION),
                         CreateCompatibleBitmap(screen, r.right, r.bottom)};
    SelectObject(logo, bitmaps[0]), SelectObject(want, bitmaps[1]);
    StretchBlt(want, 0, 0, r.right, r.bottom, logo, 0, 0, 345, 270, SRCCOPY);
    MapWindowPoints(about, NULL, reinterpret_cast<POINT *>(&r), 2);
    int wrong = 0;
    EXPECT_TRUE(WaitUntil([&] {
        for (LONG y = wrong = 0; y < r.bottom - r.top; y += 5)
            for (LONG x = 0; x < r.right - r.left; x += 5)
                wrong += GetPixel(want, x, y) != GetPixel(screen, r.left + x, r.top + y);
        return wrong == 0;
    }, 3000)) << wrong << " points differ from the logo";
    DeleteDC(logo), DeleteDC(want), DeleteObject(bitmaps[0]), DeleteObject(bitmaps[1]), ReleaseDC(NULL, screen), FreeLibrary(exe);
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    GetProcessMemoryInfo(Child.process, &before, sizeof before);
    for (int i = 0; i < 200; i++)
        RedrawWindow(about, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    GetProcessMemoryInfo(Child.process, &after, sizeof after);
    EXPECT_LT(after.WorkingSetSize, before.WorkingSetSize + 4000000) << "bitmaps or blocks left behind";
}

struct Loader : ::testing::Test {
    void TearDown() override { StopChild(Child), DeleteFileA(SystemDll.c_str()), RemoveDirectoryA(Ini.c_str()); }
};

// Each start: the window (hidden), its icon and toggles (40001), the profile file replaced by a
// folder or not, the taskbar created anew twice, and Close (40002); or the exit code -1 without a
// window, after the message if any. The profile ends at "0" whenever the loader ends.
TEST_F(Loader, Starts)
{
    const std::string Unrecorded = "Unable to record the HAL state: EnableHAL=0 could not be written to " + Ini + ".";
    const struct {
        const char *name, *flags, library, toggles, profileFolder, *message, *calls;
    } cases[] = {
        {"prepared display, off and on again", "0x0001", 'B', 2, 0, "", "FGPRFGPR"},
        {"present without preparation", "0x0002", 'B', 1, 0, "", "F"},
        {"library missing: on without detection", "0x0001", '-', 0, 0, "", ""},
        {"library in the current directory: not loaded", "0x0001", 'C', 0, 0, "", ""},
        {"library in a folder on PATH: not loaded", "0x0001", 'P', 0, 0, "", ""},
        {"library in the system folder", "0x0001", 'S', 1, 0, "", "FGPR"},
        {"profile not writable: told, icon follows", "0x0001", 'B', 1, 1, "", "FGPR"},
        {"no hardware", "0", 'B', -1, 0, "", "F"},
        {"driver refusal, its flags in decimal", "4097", 'B', -1, 0,
         "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise", "FGPR"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = Start(c.flags, c.library), box = *c.message ? Dialog(c.message) : NULL;
        EXPECT_EQ(window != NULL, c.toggles >= 0);
        EXPECT_EQ(box != NULL, *c.message != 0);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (window) {
            EXPECT_TRUE(!IsWindowVisible(window) && ProfileBecomes('1'));
            ExpectIcon(1);
            EXPECT_TRUE(!c.profileFolder || (DeleteFileA(Ini.c_str()) && CreateDirectoryA(Ini.c_str(), NULL)));
            for (int i = 0; i < c.toggles; i++) {
                PostMessageA(window, WM_COMMAND, 40001, 0);
                HWND told = c.profileFolder ? Dialog(Unrecorded) : NULL;
                EXPECT_TRUE(c.profileFolder ? told != NULL : ProfileBecomes(i % 2 ? '1' : '0')) << i + 1;
                ExpectIcon(i % 2); // already while the message is open
                PostMessageA(told, WM_COMMAND, IDOK, 0);
            }
            RemoveDirectoryA(Ini.c_str());
            TaskbarCreated(window, c.toggles % 2 == 0, false);
            TaskbarCreated(window, c.toggles % 2 == 0, true);
            PostMessageA(window, WM_COMMAND, 40002, 0);
        }
        EXPECT_EQ(WaitChild(Child), window ? 0u : 0xFFFFFFFF);
        EXPECT_EQ(ProfileAndCalls(), std::string("0") + c.calls);
        DeleteFileA(SystemDll.c_str());
    }
}

// A second start ends with 1, touching neither the library nor the profile. The popup's dialogs
// have no owner: About (40005) opens over the setup dialog (40004) and the icon still toggles
// the HAL. Esc leaves About open; its close box and OK end it.
TEST_F(Loader, SecondInstanceThenAboutOverSetup)
{
    HWND window = Start("0x0001"), setup = NULL;
    ASSERT_TRUE(window && ProfileBecomes('1'));
    ChildProcess second = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log});
    EXPECT_EQ(WaitChild(second), 1u);
    StopChild(second);
    EXPECT_EQ(ProfileAndCalls(), "1FGP");
    PostMessageA(window, WM_COMMAND, 40004, 0);
    ASSERT_TRUE(WaitUntil([&] { return (setup = FindProcessWindow("#32770", "Halvane D3D Setup", Child.pid)); }));
    for (bool closeBox : {true, false}) {
        PostMessageA(window, WM_COMMAND, 40005, 0);
        HWND about = Dialog("3.1.0c4");
        PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(window, WM_COMMAND, 40001, 0); // handled after the Esc: one queue
        EXPECT_TRUE(ProfileBecomes(closeBox ? '0' : '1') && IsWindowVisible(about)) << "Esc ended About";
        if (closeBox)
            ExpectLogo(about);
        PostMessageA(about, closeBox ? WM_SYSCOMMAND : WM_COMMAND, closeBox ? SC_CLOSE : IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << (closeBox ? "close box" : "OK");
    }
    PostMessageA(GetDlgItem(setup, 1013), BM_CLICK, 0, 0); // its Exit
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    PostMessageA(window, WM_COMMAND, 40002, 0);
    EXPECT_EQ(WaitChild(Child), 0u);
}

// A second start while the first one's start-up message about the profile is open finds it and
// ends with 1; the first then runs on and tells the profile again when it ends.
TEST_F(Loader, SecondStartWhileTheProfileMessageIsOpen)
{
    const std::string told = "Unable to record the HAL state: EnableHAL=%c could not be written to " + Ini + ".";
    ASSERT_TRUE((DeleteFileA(Ini.c_str()), CreateDirectoryA(Ini.c_str(), NULL)));
    HWND window = Start("0x0001"), box = Dialog(std::string(told).replace(told.find("%c"), 2, "1"));
    ASSERT_TRUE(window && box);
    ChildProcess second = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log});
    EXPECT_EQ(WaitChild(second), 1u);
    StopChild(second);
    PostMessageA(box, WM_COMMAND, IDOK, 0), PostMessageA(window, WM_COMMAND, 40002, 0);
    EXPECT_TRUE((box = Dialog(std::string(told).replace(told.find("%c"), 2, "0"))) && PostMessageA(box, WM_COMMAND, IDOK, 0));
    EXPECT_EQ(WaitChild(Child), 0u);
}

// From a folder whose name the code page cannot spell (Cyrillic under 1252) or whose double-byte
// name ends in a trail byte 0x5C (表 under 932, the run with LC_ALL=ja_JP.UTF-8), the library
// beside the program is the one called: with no accelerator reported, start-up fails with -1.
TEST_F(Loader, StartsBesideItsLibraryFromAnyFolder)
{
    const UINT cp = GetACP();
    if (getenv("QTX_EXPECT_932") && cp != 932)
        GTEST_SKIP() << "Wine runs this under code page " << cp << ", not 932: is the locale of LC_ALL (ja_JP.UTF-8) there?";
    if (cp != 932 && cp != 1252)
        GTEST_SKIP() << "no folder name chosen for code page " << cp;
    const WCHAR cyrillic[] = {0x418, 0x433, 0x440, 0x430, 0}, table[] = {L'C', L':', L'\\', 0x8868, 0};
    const std::wstring dir = (cp == 932 ? std::wstring(table) : Wide(Scratch) + cyrillic) + L"\\";
    CreateDirectoryW(dir.c_str(), NULL);
    for (const char *file : {"QTXILOAD.EXE", "QTXWIN32.DLL"})
        ASSERT_TRUE(CopyFileW(Wide(ProgramDir() + file).c_str(), (dir + Wide(file)).c_str(), FALSE)) << file;
    DeleteFileA(Log.c_str());
    Child = StartChild(dir + L"QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log, "QTXWIN32_FLAGS=0"});
    EXPECT_EQ(WaitChild(Child), 0xFFFFFFFF) << "the HAL went on without detection";
    EXPECT_EQ(ProfileAndCalls(), "0F");
    StopChild(Child);
    for (const char *file : {"QTXILOAD.EXE", "QTXWIN32.DLL"})
        DeleteFileW((dir + Wide(file)).c_str());
    RemoveDirectoryW(dir.c_str());
}

// Two browsers of the running loader over the scratch tree below HKEY_CURRENT_USER, also under UTF-8.
struct Browsers : RegistryTest {
    void TearDown() override { StopChild(Child), RegistryTest::TearDown(); }
};

TEST_F(Browsers, EachOfTwoBrowsersWalksTheKeyItsPathSays)
{
    HWND main = Start("0x0001");
    ASSERT_TRUE(main);
    const bool utf8 = GetACP() == CP_UTF8;
    if (getenv("QTX_EXPECT_UTF8") && !utf8)
        GTEST_SKIP() << "Wine runs this under code page " << GetACP() << ", not 65001: is the locale of LC_ALL there?";
    const std::string base = RegFixtureScratch(), f(200, 'f'), s(57 - base.size(), 's'), t(58 - base.size(), 't');
    const std::string top = "..|" + f + "|K|P" + (utf8 ? "|U" : "") + "/|", scratch = base.substr(base.rfind('\\') + 1);
    std::string roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT/|", longE, euros; // é: 2 bytes, €: 3
    for (int i = 0; i < 254; i++)
        longE += "\xc3\xa9", euros += i < 8 ? "\xe2\x82\xac" : "";
    ASSERT_TRUE(SeedKey("K", "c class") && SeedKey("K\\Sub") && SeedValue("K", "n", REG_DWORD, std::string("\x07\0\0\0", 4)));
    ASSERT_TRUE(SeedKey("P\\Locked") && MarkUnreadable("P\\Locked") && SeedKey(f + "\\" + s) && SeedKey(f + "\\" + t));
    ASSERT_TRUE(!utf8 || (SeedKey("U\\A" + longE) && SeedKey("U\\B") && SeedKey("U\\C") && SeedText("U", longE.substr(0, 200), euros)));
    std::vector<HWND> b; // each through a setup dialog of its own, as a user opens a second one
    PostMessageA(main, WM_COMMAND, IDM_SETUP, 0), PostMessageA(main, WM_COMMAND, IDM_SETUP, 0);
    ASSERT_TRUE(WaitUntil([&] { return With(IDC_HINT_LIST).size() == 2; })) << "no two setup dialogs";
    for (HWND setup : With(IDC_HINT_LIST))
        PostMessageA(setup, WM_COMMAND, IDC_HINT_BROWSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return (b = With(IDC_REG_KEYS)).size() == 2; })) << "no two browsers";
    // Browser 1 or 2, action, entry; what it then shows: key list/value list ("-": not compared)|
    // key name|class|path ("~": the scratch tree)|data|messages.
    std::vector<std::tuple<int, char, std::string, std::string>> rows = {
        {1, 'u', "", roots + "||||Top Level: You can not backup any further. / Registry Utility\n"},
        {1, 'd', "", roots + "||||Please select an item from the list box / Registry Utility\n"},
        {1, 'd', "HKEY_CURRENT_USER", "-HKEY_CURRENT_USER||||"}, {2, 'd', "HKEY_LOCAL_MACHINE", "-HKEY_LOCAL_MACHINE||||"},
        {1, 'd', "Software", "-Software||Software||"}, {2, 'd', "Software", "-Software||Software||"},
        {1, 'd', "QtxTest", "-QtxTest||Software\\QtxTest||"}, {1, 'd', scratch, top + scratch + "||~||"},
        {1, 'd', "K", "..|Sub/0) n |K|c class|~\\K||"}, {2, 'u', "", "-HKEY_LOCAL_MACHINE||||"}, {1, 'v', "0) n ", "..|Sub/0) n |K|c class|~\\K|7|"},
        {1, 'g', "Sub", "../0) n |K|c class|~\\K|7|Error: Unable to open key, RegOpenKey = 2, Line = 1063 / \n"},
        {1, 'd', "..", top + scratch + "||~|7|"}, {1, 'k', "P", "..|Locked/|P||~\\P||"},
        {1, 'd', "Locked", "..|Locked/|P||~\\P||Error: unable to open key.  Probably due to security reasons. / \n"},
        {1, 'u', "", top + scratch + "||~||"}, {1, 'd', f, "..|" + s + "|" + t + "/|" + f + "||~\\" + f + "||"},
        {1, 'd', t, "..|" + s + "|" + t + "/|" + f + "||~\\" + f + "||Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility\n"},
    };
    const std::string u = "0) " + longE.substr(0, 200) + " ";
    if (utf8) // a subkey name past 259 bytes left out; a value name past 127 bytes; data longer than its size
        rows.insert(rows.end(), {{1, 'k', "..", top + scratch + "||~||"}, {1, 'd', "U", "..|B|C/" + u + "|U||~\\U||"}, {1, 'v', u, "..|B|C/" + u + "|U||~\\U|\"" + euros + "\"|"}});
    for (auto &[who, action, entry, shows] : rows)
        Step(b[who - 1], action, entry, shows.find('~') == std::string::npos ? shows : shows.replace(shows.find('~'), 1, base));
    Key(b[0], IDC_REG_KEYS, VK_ESCAPE), Key(b[0], IDC_REG_KEYS, VK_RETURN), CloseBox(b[1]); // only the system close ends one
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(b[1]); }) && IsWindowVisible(b[0]));
    PostMessageA(main, WM_COMMAND, IDM_CLOSE, 0); // which ends the loop of every dialog still open
    EXPECT_EQ(WaitChild(Child), 0u);
}

} // namespace
