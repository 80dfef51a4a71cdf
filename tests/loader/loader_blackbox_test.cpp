// QTXILOAD.EXE as a user runs it, beside the stand-in support library: start-up with each kind
// of hardware, the profile it leaves, the entry points it calls, the menu commands it answers.
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";
typedef std::vector<std::string> Names;
const std::string F = "FindHalvaneHardware", G = "Get565Status", P = "PrepareDisplay_32", R = "RestoreDisplay_32";

std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini");
    return value;
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
        scratch = MakeScratchDir("loader");
        logPath = scratch + "calls.log";
    }

    void TearDown() override
    {
        for (auto &child : children)
            StopChild(child);
        DeleteFileA((scratch + "QTXILOAD.EXE").c_str());
    }

    // Starts the loader (a copy without the library beside it when alone) with a fresh log and
    // profile, and returns its main window: NULL when it ended or showed a message instead.
    HWND Start(const char *flags, bool alone = false)
    {
        DeleteFileA(logPath.c_str());
        WritePrivateProfileStringA("QTXHAL", "EnableHAL", "unset", "zhqhw.ini");
        std::string exe = ProgramDir() + "QTXILOAD.EXE";
        if (alone && CopyFileA(exe.c_str(), (scratch + "QTXILOAD.EXE").c_str(), FALSE))
            exe = scratch + "QTXILOAD.EXE";
        children.push_back(StartChild(exe, {"QTXWIN32_LOG=" + logPath, std::string("QTXWIN32_FLAGS=") + flags}));
        HWND window = NULL;
        WaitUntil([&] {
            const ChildProcess &child = children.back();
            return (window = FindProcessWindow(WindowClass, WindowTitle, child.pid)) || !ChildRunning(child) ||
                   !VisibleDialogs(child.pid).empty();
        });
        return window;
    }

    // Names of the entry points called so far, in order.
    Names Calls()
    {
        Names names;
        for (const auto &line : ReadLines(logPath))
            names.push_back(line.substr(0, line.find(' ')));
        return names;
    }

    std::string scratch, logPath;
    std::vector<ChildProcess> children;
};

bool ProfileBecomes(const char *value)
{
    return WaitUntil([&] { return Profile() == value; });
}

// Starts that switch the HAL on, stay hidden, toggle with 40001 and end with Close: exit 0,
// whatever was prepared restored, the profile back at "0".
TEST_F(LoaderTest, StartsOnTogglesAndCloses)
{
    struct Case {
        const char *name, *flags;
        bool withoutLibrary;
        int toggles;
        Names calls;
    };
    const Case cases[] = {
        {"prepared display, off and on again", "0x0001", false, 2, {F, G, P, R, F, G, P, R}},
        {"present without preparation: never restored", "2", false, 1, {F}},
        {"preparation beside unrelated library bits", "0x0101", false, 0, {F, G, P, R}},
        {"library missing: switched on without detection", "0x0001", true, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HWND window = Start(c.flags, c.withoutLibrary);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(ProfileBecomes("1"));
        for (int i = 0; i < c.toggles; i++) {
            PostMessageA(window, WM_COMMAND, 40001, 0);
            EXPECT_TRUE(ProfileBecomes(i % 2 ? "1" : "0")) << "toggle " << i + 1;
        }
        PostMessageA(window, WM_COMMAND, 40002, 0);
        EXPECT_EQ(WaitChild(children.back()), 0u);
        EXPECT_EQ(Profile(), "0");
        EXPECT_EQ(Calls(), c.calls);
    }
}

// Starts that end with -1 before any window: no hardware, or the driver refusing it.
TEST_F(LoaderTest, FailedStartsLeaveNoWindow)
{
    struct Case {
        const char *name, *flags, *message;
        Names calls;
    };
    const Case cases[] = {
        {"no hardware", "0", nullptr, {F}},
        {"driver refusal", "0x1001",
         "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise", {F, G, P, R}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Start(c.flags), nullptr);
        HWND box = NULL;
        if (c.message) {
            ASSERT_TRUE(WaitUntil([&] {
                return (box = FindProcessWindow("#32770", "Halvane D3D HAL loader", children.back().pid));
            })) << "no refusal message";
            std::vector<std::string> texts = ChildTexts(box);
            EXPECT_NE(std::find(texts.begin(), texts.end(), c.message), texts.end());
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        EXPECT_EQ(WaitChild(children.back()), 0xFFFFFFFF);
        EXPECT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr);
        EXPECT_EQ(Profile(), "0");
        EXPECT_EQ(Calls(), c.calls);
    }
}

// A second start ends with 1 and touches neither the library nor the profile; commands the
// menu does not have change nothing.
TEST_F(LoaderTest, SecondInstanceAndUnknownCommandsLeaveTheFirstAlone)
{
    HWND window = Start("0x0001");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ProfileBecomes("1"));
    ChildProcess first = children.back();
    children.push_back(StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_LOG=" + logPath, "QTXWIN32_FLAGS=0x0001"}));
    EXPECT_EQ(WaitChild(children.back()), 1u);
    for (WPARAM id : {40003, 40006, 1, 2})
        PostMessageA(window, WM_COMMAND, id, 0);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_TRUE(ChildRunning(first));
    EXPECT_EQ(FindProcessWindow(WindowClass, WindowTitle, first.pid), window);
    EXPECT_EQ(Profile(), "1");
    EXPECT_EQ(Calls(), (Names{F, G, P}));
    PostMessageA(window, WM_COMMAND, 40002, 0);
    EXPECT_EQ(WaitChild(first), 0u);
}

} // namespace
