// QTXILOAD.EXE as a user runs it, beside the stand-in support library: start-up with each kind
// of hardware, the profile it leaves, the entry points it calls, the menu commands it answers.
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";
const DWORD ExitFailed = 0xFFFFFFFF; // -1
const DWORD ExitAlreadyRunning = 1;

std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini");
    return value;
}

void SetProfile(const char *value) { WritePrivateProfileStringA("QTXHAL", "EnableHAL", value, "zhqhw.ini"); }

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
        scratch = MakeScratchDir("loader");
        logPath = scratch + "calls.log";
        SetProfile("unset");
    }

    void TearDown() override
    {
        for (auto &child : children)
            StopChild(child);
    }

    ChildProcess Start(const char *flags, const std::string &exe = "")
    {
        std::vector<std::string> env = {std::string("QTXWIN32_LOG=") + logPath};
        if (flags)
            env.push_back(std::string("QTXWIN32_FLAGS=") + flags);
        children.push_back(StartChild(exe.empty() ? ProgramDir() + "QTXILOAD.EXE" : exe, env));
        return children.back();
    }

    HWND WaitForMainWindow(const ChildProcess &child)
    {
        HWND window = NULL;
        WaitUntil([&] { return (window = FindProcessWindow(WindowClass, WindowTitle, child.pid)) != NULL; });
        return window;
    }

    // Names of the entry points called so far, in order.
    std::vector<std::string> Calls()
    {
        std::vector<std::string> names;
        for (const auto &line : ReadLines(logPath))
            names.push_back(line.substr(0, line.find(' ')));
        return names;
    }

    bool WaitForProfile(const char *value)
    {
        return WaitUntil([&] { return Profile() == value; });
    }

    void Command(HWND window, WPARAM id) { PostMessageA(window, WM_COMMAND, id, 0); }

    std::string scratch, logPath;
    std::vector<ChildProcess> children;
};

typedef std::vector<std::string> Names;
const Names Prepared = {"FindHalvaneHardware", "Get565Status", "PrepareDisplay_32"};

TEST_F(LoaderTest, PreparedDisplayTogglesAndCloses)
{
    ChildProcess child = Start("0x0001");
    HWND window = WaitForMainWindow(child);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(WaitForProfile("1"));
    EXPECT_EQ(Calls(), Prepared);

    Command(window, 40001); // off
    EXPECT_TRUE(WaitForProfile("0"));
    Names expected = Prepared;
    expected.push_back("RestoreDisplay_32");
    EXPECT_EQ(Calls(), expected);

    Command(window, 40001); // on again: the library is loaded and detection runs anew
    EXPECT_TRUE(WaitForProfile("1"));
    expected.insert(expected.end(), Prepared.begin(), Prepared.end());
    EXPECT_EQ(Calls(), expected);

    Command(window, 40002); // Close
    EXPECT_EQ(WaitChild(child), 0u);
    EXPECT_EQ(Profile(), "0");
    expected.push_back("RestoreDisplay_32");
    EXPECT_EQ(Calls(), expected);
}

TEST_F(LoaderTest, NoHardwareExitsWithoutWindow)
{
    ChildProcess child = Start("0");
    EXPECT_EQ(WaitChild(child), ExitFailed);
    EXPECT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr);
    EXPECT_EQ(Profile(), "0");
    EXPECT_EQ(Calls(), Names{"FindHalvaneHardware"});
}

TEST_F(LoaderTest, DriverRefusalIsReportedAndRestoredAtExit)
{
    ChildProcess child = Start("0x1001");
    HWND box = NULL;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindProcessWindow("#32770", "Halvane D3D HAL loader", child.pid)); }))
        << "no refusal message";
    std::vector<std::string> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise"),
              texts.end());
    EXPECT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitChild(child), ExitFailed);
    EXPECT_EQ(Profile(), "0");
    Names expected = Prepared;
    expected.push_back("RestoreDisplay_32");
    EXPECT_EQ(Calls(), expected);
}

// Starts that switch the HAL on and end with Close: exit 0, the profile back at "0".
TEST_F(LoaderTest, StartsOnAndClosesCleanly)
{
    struct Case {
        const char *name;
        const char *flags;
        bool withoutLibrary;
        Names calls;
    };
    const Case cases[] = {
        {"present without preparation: never restored", "2", false, {"FindHalvaneHardware"}},
        {"preparation with unrelated library bits", "0x0101", false,
         {"FindHalvaneHardware", "Get565Status", "PrepareDisplay_32", "RestoreDisplay_32"}},
        {"library missing: switched on without detection", "0x0001", true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(logPath.c_str());
        SetProfile("unset");
        std::string exe;
        if (c.withoutLibrary) {
            exe = scratch + "QTXILOAD.EXE";
            ASSERT_TRUE(CopyFileA((ProgramDir() + "QTXILOAD.EXE").c_str(), exe.c_str(), FALSE));
        }
        ChildProcess child = Start(c.flags, exe);
        HWND window = WaitForMainWindow(child);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(WaitForProfile("1"));
        Command(window, 40002);
        EXPECT_EQ(WaitChild(child), 0u);
        EXPECT_EQ(Profile(), "0");
        EXPECT_EQ(Calls(), c.calls);
        if (!exe.empty())
            DeleteFileA(exe.c_str());
    }
}

TEST_F(LoaderTest, SecondInstanceLeavesFirstAndProfileAlone)
{
    ChildProcess first = Start("0x0001");
    HWND window = WaitForMainWindow(first);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForProfile("1"));

    ChildProcess second = Start("0x0001");
    EXPECT_EQ(WaitChild(second), ExitAlreadyRunning);
    EXPECT_TRUE(ChildRunning(first));
    EXPECT_EQ(FindProcessWindow(WindowClass, WindowTitle, first.pid), window);
    EXPECT_EQ(Profile(), "1");
    EXPECT_EQ(Calls(), Prepared) << "the second start must not touch the library";

    Command(window, 40002);
    EXPECT_EQ(WaitChild(first), 0u);
    EXPECT_EQ(Profile(), "0");
}

TEST_F(LoaderTest, UnknownCommandsAreIgnored)
{
    ChildProcess child = Start("0x0001");
    HWND window = WaitForMainWindow(child);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForProfile("1"));
    for (WPARAM id : {40003, 40006, 1, 2})
        Command(window, id);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_TRUE(ChildRunning(child));
    EXPECT_EQ(Profile(), "1");
    Command(window, 40002);
    EXPECT_EQ(WaitChild(child), 0u);
}

} // namespace
