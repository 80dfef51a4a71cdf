// QTXILOAD.EXE as a user runs it, beside the stand-in support library or with a copy of it
// elsewhere; the stand-in logs each entry point called on a line of its own (F, G, P, R).
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";
const std::string Path = getenv("PATH");

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

std::string InWindows(const char *name, bool system) // a file of the prefix's windows or system folder
{
    char dir[MAX_PATH] = "";
    system ? GetSystemDirectoryA(dir, sizeof dir) : GetWindowsDirectoryA(dir, sizeof dir);
    return dir + std::string("\\") + name;
}

// The icons shown by Wine's notification area under bare Xvfb, and an icon's pixels, read
// until two reads 150 ms apart agree (a redraw can be caught half done).
std::vector<HWND> Icons()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowA("__winex11_standalone_tray", NULL);
    for (HWND w = NULL; tray && (w = FindWindowExA(tray, w, "__winex11_tray_icon", NULL));)
        if (IsWindowVisible(w))
            icons.push_back(w);
    return icons;
}

std::vector<COLORREF> Image(HWND icon)
{
    std::vector<COLORREF> now, last;
    for (int i = 0; i < 20 && (i < 2 || now != last); i++, Sleep(150)) {
        RECT r = {};
        GetWindowRect(icon, &r);
        HDC screen = GetDC(NULL);
        last = now, now.clear();
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++)
                now.push_back(GetPixel(screen, x, y));
        ReleaseDC(NULL, screen);
    }
    return now;
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(FindWindowA(Class, Title), nullptr) << "a loader is already running"; }
    void TearDown() override
    {
        StopChild(child);
        DeleteFileA((scratch + "QTXILOAD.EXE").c_str());
        DeleteFileA(InWindows("QTXWIN32.DLL", true).c_str());
        RemoveDirectoryA(InWindows("zhqhw.ini", false).c_str());
    }

    // Starts the loader with a fresh log and profile, with the library beside it ('B') or a copy
    // of the loader alone and a library nowhere ('-'), in its current directory ('C'), in a
    // folder first on PATH ('P') or in the system folder ('S'). Returns its window, NULL when it
    // ended or showed a message instead.
    HWND Start(const char *flags, char library = 'B')
    {
        DeleteFileA(log.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "unset", "zhqhw.ini");
        std::string exe = ProgramDir() + "QTXILOAD.EXE", lib = scratch + "lib\\", cwd(MAX_PATH, 0);
        if (library != 'B' && CopyFileA(exe.c_str(), (scratch + "QTXILOAD.EXE").c_str(), FALSE))
            exe = scratch + "QTXILOAD.EXE";
        CreateDirectoryA(lib.c_str(), NULL);
        if (strchr("CPS", library))
            CopyFileA((ProgramDir() + "QTXWIN32.DLL").c_str(),
                      (library == 'S' ? InWindows("QTXWIN32.DLL", true) : lib + "QTXWIN32.DLL").c_str(), FALSE);
        cwd.resize(GetCurrentDirectoryA(MAX_PATH, &cwd[0]));
        SetCurrentDirectoryA(library == 'C' ? lib.c_str() : cwd.c_str());
        StopChild(child);
        child = StartChild(exe, {"QTXWIN32_LOG=" + log, std::string("QTXWIN32_FLAGS=") + flags,
                                 "PATH=" + (library == 'P' ? lib + ";" : "") + Path});
        SetCurrentDirectoryA(cwd.c_str());
        HWND window = NULL;
        WaitUntil([&] {
            return (window = FindProcessWindow(Class, Title, child.pid)) || !ChildRunning(child) ||
                   !VisibleDialogs(child.pid).empty();
        });
        return window;
    }

    std::string Calls()
    {
        std::string initials;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            initials += line.substr(0, 1);
        return initials;
    }

    // Waits for the loader's message box, answers it, and tells whether it showed the text.
    bool Answer(const std::string &text)
    {
        HWND box = NULL;
        WaitUntil([&] { return (box = FindProcessWindow("#32770", "Halvane D3D HAL loader", child.pid)); });
        return box && Shows(box, text) && PostMessageA(box, WM_COMMAND, IDOK, 0);
    }

    // One icon of ours, with the image of the state (learned the first time each is seen, and
    // the two must differ).
    void ExpectIcon(int enabled)
    {
        static std::vector<COLORREF> seen[2];
        std::vector<HWND> icons;
        std::vector<COLORREF> image;
        EXPECT_TRUE(WaitUntil([&] {
            return (icons = Icons()).size() == 1 && (image = Image(icons[0])) != seen[!enabled] &&
                   (seen[enabled].empty() || image == seen[enabled]);
        })) << icons.size() << " icons; want the image of HAL " << (enabled ? "on" : "off");
        if (seen[enabled].empty())
            seen[enabled] = image;
    }

    // Removes the icon as a restarting shell would (unless it stays), then tells the loader the
    // taskbar was created; the icon is back, and a click on it opens the popup.
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
        EXPECT_TRUE(WaitUntil([&] { return (menu = FindProcessWindow("#32768", NULL, child.pid)) && IsWindowVisible(menu); }));
        SendMessageA(window, WM_CANCELMODE, 0, 0); // the default procedure ends the menu
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
    }

    std::string scratch = MakeScratchDir("loader"), log = scratch + "calls.log";
    ChildProcess child;
};

// Each start: the window (hidden), its icon and toggles (40001), the taskbar created anew twice,
// and Close (40002); or the exit code -1 without a window, after the message if any. The
// profile ends at "0" whenever the loader ends.
TEST_F(LoaderTest, Starts)
{
    const std::string noProfile = "Unable to record the HAL state: EnableHAL=0 could not be written to zhqhw.ini.";
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
            std::string ini = InWindows("zhqhw.ini", false);
            if (c.profileFolder) {
                EXPECT_TRUE(DeleteFileA(ini.c_str()) && CreateDirectoryA(ini.c_str(), NULL));
            }
            for (int i = 0; i < c.toggles; i++) {
                PostMessageA(window, WM_COMMAND, 40001, 0);
                EXPECT_TRUE(c.profileFolder ? Answer(noProfile) : ProfileBecomes(i % 2 ? "1" : "0")) << "toggle " << i + 1;
                ExpectIcon(i % 2);
            }
            if (c.profileFolder) {
                EXPECT_TRUE(RemoveDirectoryA(ini.c_str()));
            }
            TaskbarCreated(window, c.toggles % 2 == 0, false);
            TaskbarCreated(window, c.toggles % 2 == 0, true);
            PostMessageA(window, WM_COMMAND, 40002, 0);
        }
        EXPECT_EQ(WaitChild(child), c.message ? 0xFFFFFFFF : 0u);
        EXPECT_EQ(Profile(), "0");
        EXPECT_EQ(Calls(), c.calls);
        DeleteFileA(InWindows("QTXWIN32.DLL", true).c_str());
    }
}

// A second start ends with 1, touching neither the library nor the profile; the first runs on.
// Then About (40005) opens over an open setup dialog (40004); both and the loader keep working.
TEST_F(LoaderTest, SecondInstanceThenAboutOverSetup)
{
    HWND window = Start("0x0001"), setup = NULL, about = NULL;
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ProfileBecomes("1"));
    ChildProcess second = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + log});
    EXPECT_EQ(WaitChild(second), 1u);
    StopChild(second);
    EXPECT_EQ(Profile(), "1");
    EXPECT_EQ(Calls(), "FGP");

    PostMessageA(window, WM_COMMAND, 40004, 0);
    ASSERT_TRUE(WaitUntil([&] { return (setup = FindProcessWindow("#32770", "Halvane D3D Setup", child.pid)); }));
    PostMessageA(window, WM_COMMAND, 40005, 0);
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND dialog : VisibleDialogs(child.pid))
            about = Shows(dialog, "3.1.0c4") ? dialog : about;
        return about;
    }));
    PostMessageA(window, WM_COMMAND, 40001, 0);
    EXPECT_TRUE(ProfileBecomes("0"));
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    PostMessageA(GetDlgItem(setup, 1013), BM_CLICK, 0, 0); // its Exit
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    PostMessageA(window, WM_COMMAND, 40002, 0);
    EXPECT_EQ(WaitChild(child), 0u);
}

} // namespace
