// QTXILOAD.EXE as a user runs it, beside the stand-in support library, which logs each entry
// point called on a line of its own (F, G, P, R: their initials).
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

const char Class[] = "QTXILoadWClass", Title[] = "Halvane interceptor loader";

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

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(FindWindowA(Class, Title), nullptr) << "a loader is already running"; }
    void TearDown() override { StopChild(child), DeleteFileA((scratch + "QTXILOAD.EXE").c_str()); }

    // Starts the loader (a copy without the library beside it when alone) with a fresh log and
    // profile; returns its window, NULL when it ended or showed a message instead.
    HWND Start(const char *flags, bool alone = false)
    {
        DeleteFileA(log.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "unset", "zhqhw.ini");
        std::string exe = ProgramDir() + "QTXILOAD.EXE";
        if (alone && CopyFileA(exe.c_str(), (scratch + "QTXILOAD.EXE").c_str(), FALSE))
            exe = scratch + "QTXILOAD.EXE";
        StopChild(child);
        child = StartChild(exe, {"QTXWIN32_LOG=" + log, std::string("QTXWIN32_FLAGS=") + flags});
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

    std::string scratch = MakeScratchDir("loader"), log = scratch + "calls.log";
    ChildProcess child;
};

// Each start: the window (hidden) and its toggles (40001) and Close (40002), or the exit code -1
// without a window, after the message if any; the profile ends at "0" whenever the loader ends.
TEST_F(LoaderTest, Starts)
{
    const struct {
        const char *name, *flags;
        bool alone;
        int toggles;
        const char *message; // of a start that fails: "" for none
        const char *calls;
    } cases[] = {
        {"prepared display, off and on again", "0x0001", false, 2, nullptr, "FGPRFGPR"},
        {"present without preparation", "0x0002", false, 1, nullptr, "F"},
        {"library missing: on without detection", "0x0001", true, 0, nullptr, ""},
        {"no hardware", "0", false, 0, "", "F"},
        {"driver refusal", "0x1001", false, 0,
         "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise", "FGPR"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = Start(c.flags, c.alone), box = NULL;
        EXPECT_EQ(window == NULL, c.message != NULL);
        if (c.message && *c.message) {
            ASSERT_TRUE(WaitUntil([&] { return (box = FindProcessWindow("#32770", "Halvane D3D HAL loader", child.pid)); }));
            EXPECT_TRUE(Shows(box, c.message));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        if (window) {
            EXPECT_FALSE(IsWindowVisible(window));
            EXPECT_TRUE(ProfileBecomes("1"));
            for (int i = 0; i < c.toggles; i++) {
                PostMessageA(window, WM_COMMAND, 40001, 0);
                EXPECT_TRUE(ProfileBecomes(i % 2 ? "1" : "0")) << "toggle " << i + 1;
            }
            PostMessageA(window, WM_COMMAND, 40002, 0);
        }
        EXPECT_EQ(WaitChild(child), c.message ? 0xFFFFFFFF : 0u);
        EXPECT_EQ(Profile(), "0");
        EXPECT_EQ(Calls(), c.calls);
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
