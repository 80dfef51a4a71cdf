// The About box of the running QTXILOAD.EXE: opened by menu command 40005 while the loader keeps
// answering, several at once and over a setup dialog, each ending on its own. Leaves a screenshot of the box in the
// build tree (about.png).
#include "wine/capture.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";
const char Caption[] = "Halvane D3D Setup";
const WPARAM ToggleHal = 40001, Close = 40002, SetupDialog = 40004, About = 40005;

struct Collect {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectAbout(HWND window, LPARAM param)
{
    Collect *c = reinterpret_cast<Collect *>(param);
    char cls[64], title[64];
    DWORD pid = 0;
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid && strcmp(cls, "#32770") == 0 && strcmp(title, Caption) == 0 && IsWindowVisible(window))
        c->found.push_back(window);
    return TRUE;
}

// The visible About boxes (or other dialogs with the common caption) of a process.
std::vector<HWND> Boxes(DWORD pid)
{
    Collect c = {pid, {}};
    EnumWindows(CollectAbout, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

// The text of a control of another process's dialog: WM_GETTEXT through the wide call, which
// crosses processes in Wine, converted to the ANSI code page.
std::string FieldText(HWND box, int id)
{
    WCHAR wide[64] = L"";
    DWORD_PTR n = 0;
    SendMessageTimeoutW(GetDlgItem(box, id), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000,
                        &n);
    char text[128] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

// The box answers and shows the About box's texts.
bool IsAboutBox(HWND box)
{
    std::vector<std::string> texts = ChildTexts(box);
    return FieldText(box, 1000) == "3.1.0c4" && std::find(texts.begin(), texts.end(), "Version") != texts.end() &&
           std::find(texts.begin(), texts.end(), "OK") != texts.end();
}

std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini");
    return value;
}

class AboutBlackBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001"});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow(WindowClass, WindowTitle, child.pid)); }));
        ASSERT_TRUE(WaitUntil([] { return Profile() == "1"; }));
    }

    void TearDown() override { StopChild(child); }

    void Command(WPARAM id) { PostMessageA(main, WM_COMMAND, id, 0); }

    // Sends a menu command that opens a dialog, and returns the new one (NULL if none came).
    HWND OpenDialog(WPARAM command)
    {
        std::vector<HWND> before = Boxes(child.pid);
        Command(command);
        HWND opened = NULL;
        WaitUntil([&] {
            for (HWND box : Boxes(child.pid))
                if (std::find(before.begin(), before.end(), box) == before.end())
                    opened = box;
            return opened != NULL;
        });
        return opened;
    }

    HWND OpenAbout() { return OpenDialog(About); }

    bool Answers(HWND window)
    {
        DWORD_PTR result;
        return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    }

    ChildProcess child;
    HWND main = NULL;
};

TEST_F(AboutBlackBox, OpensFromTheMenuCommandWhileTheLoaderKeepsAnswering)
{
    HWND box = OpenAbout();
    ASSERT_NE(box, nullptr) << "command 40005 opened no About box";
    EXPECT_TRUE(IsAboutBox(box));
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "the About box has no owner";

    // The logo is on screen: mostly its navy field, with its yellow name, and the version field
    // drawn over it. Kept as about.png.
    RECT r, field;
    GetWindowRect(box, &r);
    GetWindowRect(GetDlgItem(box, 1000), &field);
    Image shot;
    EXPECT_TRUE(WaitUntil([&] {
        shot = CaptureScreen(r);
        size_t navy = 0, yellow = 0;
        for (COLORREF c : shot.pixels) {
            navy += CloseColours(c, RGB(0, 0, 128), 8);
            yellow += CloseColours(c, RGB(255, 255, 0), 8);
        }
        return navy > shot.pixels.size() / 3 && yellow > shot.pixels.size() / 50 &&
               !CloseColours(shot.At((field.left + field.right) / 2 - r.left, (field.top + field.bottom) / 2 - r.top),
                             RGB(0, 0, 128), 8);
    })) << "no logo on the screen where the About box is";
    EXPECT_TRUE(WritePng(ProgramDir() + "..\\about.png", shot));

    // The main window still answers the menu while the box is open.
    Command(ToggleHal);
    EXPECT_TRUE(WaitUntil([] { return Profile() == "0"; }));
    EXPECT_TRUE(IsWindowVisible(box));

    PostMessageA(FindWindowExA(box, NULL, "Button", "OK"), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return Boxes(child.pid).empty(); }));
    Command(Close);
    EXPECT_EQ(WaitChild(child), 0u);
}

TEST_F(AboutBlackBox, TwoAtOnceEachEndOnTheirOwn)
{
    HWND first = OpenAbout();
    ASSERT_NE(first, nullptr);
    HWND second = OpenAbout();
    ASSERT_NE(second, nullptr) << "a second About box did not open beside the first";
    EXPECT_TRUE(IsAboutBox(first));
    EXPECT_TRUE(IsAboutBox(second));

    // The first one closes first, though the second's loop runs inside its own.
    PostMessageA(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return Boxes(child.pid) == std::vector<HWND>{second}; }));
    EXPECT_TRUE(IsAboutBox(second)) << "the second box should keep working";
    Command(ToggleHal);
    EXPECT_TRUE(WaitUntil([] { return Profile() == "0"; }));

    PostMessageA(second, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(first) && !IsWindow(second); }));
    Command(Close);
    EXPECT_EQ(WaitChild(child), 0u);
}

TEST_F(AboutBlackBox, OpensWhileASetupDialogIsOpen)
{
    HMODULE exe = LoadLibraryExA((ProgramDir() + "QTXILOAD.EXE").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    bool hasSetup = exe && FindResourceA(exe, "MAINDLG", MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (exe)
        FreeLibrary(exe);
    if (!hasSetup)
        GTEST_SKIP() << "this build of QTXILOAD.EXE has no setup dialog yet";
    HWND setup = OpenDialog(SetupDialog);
    ASSERT_NE(setup, nullptr) << "command 40004 opened no setup dialog";
    ASSERT_FALSE(IsAboutBox(setup));
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr) << "no About box over the setup dialog";
    EXPECT_TRUE(IsAboutBox(about));
    EXPECT_TRUE(IsWindowVisible(setup));

    PostMessageA(FindWindowExA(about, NULL, "Button", "OK"), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowVisible(setup) && Answers(setup)) << "the setup dialog should keep working";
    // The About box opens again while the setup dialog stays.
    about = OpenAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(IsAboutBox(about));

    PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    PostMessageA(setup, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    Command(Close);
    EXPECT_EQ(WaitChild(child), 0u);
}

} // namespace
