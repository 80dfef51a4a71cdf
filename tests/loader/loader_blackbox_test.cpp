// QTXILOAD.EXE as a user runs it, beside the stand-in support library or with a copy of it
// elsewhere; the stand-in logs each entry point called on a line of its own (F, G, P, R).
#include "wine/wintest.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <fstream>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";
const std::string Path = getenv("PATH"), Scratch = MakeScratchDir("loader"), Log = Scratch + "calls.log";
ChildProcess Child;

std::string Folder(bool system)
{
    char dir[MAX_PATH] = "";
    system ? GetSystemDirectoryA(dir, sizeof dir) : GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}
const std::string Ini = Folder(false) + "\\zhqhw.ini", SystemDll = Folder(true) + "\\QTXWIN32.DLL";

std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini");
    return value;
}

bool ProfileBecomes(const char *value) { return WaitUntil([&] { return Profile() == value; }); }

bool Shows(HWND window, const std::string &text)
{
    std::vector<std::string> texts = ChildTexts(window);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string Calls()
{
    std::string initials;
    std::ifstream in(Log);
    for (std::string line; std::getline(in, line);)
        initials += line.substr(0, 1);
    return initials;
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
        return (window = FindProcessWindow(Class, Title, Child.pid)) || !ChildRunning(Child) || !VisibleDialogs(Child.pid).empty();
    });
    return window;
}

// Waits for the loader's message box and answers it; whether it showed the text.
bool Answer(const std::string &text)
{
    HWND box = NULL;
    WaitUntil([&] { return (box = FindProcessWindow("#32770", "Halvane D3D HAL loader", Child.pid)); });
    return box && Shows(box, text) && PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// The icons shown by Wine's notification area under bare Xvfb.
std::vector<HWND> Icons()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
    for (HWND w = NULL; tray && (w = FindWindowExA(tray, w, "__winex11_tray_icon", NULL));)
        if (IsWindowVisible(w))
            icons.push_back(w);
    return icons;
}

// Screen pixels of a window, read until two reads 150 ms apart agree (a redraw can be caught half done).
std::vector<COLORREF> Image(HWND window)
{
    std::vector<COLORREF> now, last;
    for (int i = 0; i < 20 && (i < 2 || now != last); i++, Sleep(150)) {
        RECT r = {};
        HDC screen = GetDC(NULL);
        last.swap(now), now.clear();
        for (GetWindowRect(window, &r); r.top < r.bottom; r.top++)
            for (LONG x = r.left; x < r.right; x++)
                now.push_back(GetPixel(screen, x, r.top));
        ReleaseDC(NULL, screen);
    }
    return now;
}

// One icon of ours, with the image of the state (learned the first time each is seen; the two differ).
void ExpectIcon(int enabled)
{
    static std::vector<COLORREF> seen[2];
    std::vector<HWND> icons;
    std::vector<COLORREF> image;
    EXPECT_TRUE(WaitUntil([&] {
        return (icons = Icons()).size() == 1 && (image = Image(icons[0])) != seen[!enabled] &&
               (seen[enabled].empty() || image == seen[enabled]);
    })) << icons.size() << " icons; want the image of HAL " << (enabled ? "on" : "off");
    seen[enabled] = seen[enabled].empty() ? image : seen[enabled];
}

// Removes the icon as a restarting shell would (unless it stays), then tells the loader that the
// taskbar was created: the icon is back, and a click on it opens the popup.
void TaskbarCreated(HWND window, int enabled, bool iconStays)
{
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE, icon.hWnd = window, icon.uID = 102;
    if (!iconStays) {
        EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon) && WaitUntil([] { return Icons().empty(); }));
    }
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ExpectIcon(enabled);
    HWND menu = NULL;
    PostMessageA(Icons().empty() ? NULL : Icons()[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_TRUE(WaitUntil([&] { return (menu = FindProcessWindow("#32768", NULL, Child.pid)) && IsWindowVisible(menu); }));
    SendMessageA(window, WM_CANCELMODE, 0, 0); // the default procedure ends the menu
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
}

// The whole logo stretched over the About box's client area (children hidden): pixels match the
// logo's at points in one-coloured 5 x 5 patches, within 8 per channel for 16-bit displays. Each
// paint loads the logo (about 370 KB as a device bitmap) and a block of its rows (46 KB): two
// hundred leaked ones would grow the loader by tens of megabytes.
void ExpectLogo(HWND about)
{
    HMODULE exe = LoadLibraryExA((ProgramDir() + "QTXILOAD.EXE").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HDC logo = CreateCompatibleDC(NULL), screen = GetDC(NULL);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(exe, "QTXLOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    SelectObject(logo, bitmap);
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    RECT client = {};
    GetClientRect(about, &client);
    POINT origin = {0, 0};
    ClientToScreen(about, &origin);
    int samples = 0, wrong = 0;
    WaitUntil([&] {
        samples = wrong = 0;
        for (int v = 4; v < 266; v += 13)
            for (int u = 4; u < 341; u += 13) {
                COLORREF want = GetPixel(logo, u, v), got = GetPixel(screen, origin.x + (2 * u + 1) * client.right / 690,
                                                                      origin.y + (2 * v + 1) * client.bottom / 540);
                bool uniform = true;
                for (int i = 0; i < 25; i++)
                    uniform &= GetPixel(logo, u - 2 + i % 5, v - 2 + i / 5) == want;
                samples += uniform;
                for (int shift = 0; uniform && shift < 24; shift += 8)
                    wrong += abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 8;
            }
        return wrong == 0;
    }, 3000);
    EXPECT_TRUE(samples >= 50 && wrong == 0) << wrong << " of " << samples << " points differ from the logo";
    ReleaseDC(NULL, screen), DeleteDC(logo), DeleteObject(bitmap), FreeLibrary(exe);
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

// Each start: the window (hidden), its icon and toggles (40001), the taskbar created anew twice,
// and Close (40002); or the exit code -1 without a window, after the message if any. The
// profile ends at "0" whenever the loader ends.
TEST_F(Loader, Starts)
{
    const struct {
        const char *name, *flags;
        char library;
        int toggles;
        bool profileFolder;  // the profile file replaced by a folder for the toggles
        const char *message; // of a start that fails: "" for none
        const char *calls;
    } cases[] = {
        {"prepared display, off and on again", "0x0001", 'B', 2, false, nullptr, "FGPRFGPR"},
        {"present without preparation", "0x0002", 'B', 1, false, nullptr, "F"},
        {"library missing: on without detection", "0x0001", '-', 0, false, nullptr, ""},
        {"library in the current directory: not loaded", "0x0001", 'C', 0, false, nullptr, ""},
        {"library in a folder on PATH: not loaded", "0x0001", 'P', 0, false, nullptr, ""},
        {"library in the system folder", "0x0001", 'S', 1, false, nullptr, "FGPR"},
        {"profile not writable: told, icon follows", "0x0001", 'B', 1, true, nullptr, "FGPR"},
        {"no hardware", "0", 'B', 0, false, "", "F"},
        {"driver refusal", "0x1001", 'B', 0, false,
         "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise", "FGPR"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = Start(c.flags, c.library);
        EXPECT_EQ(window == NULL, c.message != NULL);
        if (c.message && *c.message) {
            EXPECT_TRUE(Answer(c.message));
        }
        if (window) {
            EXPECT_FALSE(IsWindowVisible(window));
            EXPECT_TRUE(ProfileBecomes("1"));
            ExpectIcon(1);
            if (c.profileFolder) {
                EXPECT_TRUE(DeleteFileA(Ini.c_str()) && CreateDirectoryA(Ini.c_str(), NULL));
            }
            for (int i = 0; i < c.toggles; i++) {
                PostMessageA(window, WM_COMMAND, 40001, 0);
                EXPECT_TRUE(c.profileFolder ? Answer("Unable to record the HAL state: EnableHAL=0 could not be written to zhqhw.ini.")
                                            : ProfileBecomes(i % 2 ? "1" : "0")) << "toggle " << i + 1;
                ExpectIcon(i % 2);
            }
            RemoveDirectoryA(Ini.c_str());
            TaskbarCreated(window, c.toggles % 2 == 0, false);
            TaskbarCreated(window, c.toggles % 2 == 0, true);
            PostMessageA(window, WM_COMMAND, 40002, 0);
        }
        EXPECT_EQ(WaitChild(Child), c.message ? 0xFFFFFFFF : 0u);
        EXPECT_EQ(Profile() + Calls(), std::string("0") + c.calls);
        DeleteFileA(SystemDll.c_str());
    }
}

// A second start ends with 1, touching neither the library nor the profile. The popup's dialogs
// have no owner: About (40005) opens over the setup dialog (40004), and the icon still toggles
// the HAL. Esc leaves About open; its close box and OK end it.
TEST_F(Loader, SecondInstanceThenAboutOverSetup)
{
    HWND window = Start("0x0001"), setup = NULL, about = NULL;
    ASSERT_TRUE(window && ProfileBecomes("1"));
    ChildProcess second = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + Log});
    EXPECT_EQ(WaitChild(second), 1u);
    StopChild(second);
    EXPECT_EQ(Profile() + Calls(), "1FGP");
    PostMessageA(window, WM_COMMAND, 40004, 0);
    ASSERT_TRUE(WaitUntil([&] { return (setup = FindProcessWindow("#32770", "Halvane D3D Setup", Child.pid)); }));
    for (bool closeBox : {true, false}) {
        PostMessageA(window, WM_COMMAND, 40005, 0);
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND dialog : VisibleDialogs(Child.pid))
                about = Shows(dialog, "3.1.0c4") ? dialog : about;
            return about;
        }));
        PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(window, WM_COMMAND, 40001, 0); // handled after the Esc: one queue
        EXPECT_TRUE(ProfileBecomes(closeBox ? "0" : "1"));
        EXPECT_TRUE(IsWindowVisible(about)) << "Esc ended About";
        if (closeBox)
            ExpectLogo(about);
        PostMessageA(about, closeBox ? WM_SYSCOMMAND : WM_COMMAND, closeBox ? SC_CLOSE : IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << (closeBox ? "close box" : "OK");
        about = NULL;
    }
    PostMessageA(GetDlgItem(setup, 1013), BM_CLICK, 0, 0); // its Exit
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    PostMessageA(window, WM_COMMAND, 40002, 0);
    EXPECT_EQ(WaitChild(Child), 0u);
}

} // namespace
