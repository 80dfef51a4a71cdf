// The setup dialog of the running QTXILOAD.EXE, opened by the tray menu command and driven from
// this process, over the prefix's own HKEY_LOCAL_MACHINE (a child cannot see a redirection).
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";
const std::string Chain[] = {"SOFTWARE\\Quarnell", PRODUCT_PATH, HINTS_PATH};

void Post(HWND window, WPARAM wParam, LPARAM lParam = 0) { PostMessageA(window, WM_COMMAND, wParam, lParam); }

class SetupBlackBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
        for (int i = 0; i < 3; i++)
            existed[i] = KeyExists(Chain[i]);
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
        name = "BB" + std::to_string(GetCurrentProcessId());
        other = "BC" + std::to_string(GetCurrentProcessId());
        std::string log = MakeScratchDir("setup") + "calls.log";
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001", "QTXWIN32_LOG=" + log});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow(WindowClass, WindowTitle, child.pid)) != NULL; }));
    }
    void TearDown() override
    {
        StopChild(child);
        for (const std::string &record : {name, other})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(record).c_str());
        for (int i = 2; i >= 0; i--) // only what this test created, and only when nothing else lives there
            if (!existed[i])
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, Chain[i].c_str());
    }
    // A shown dialog of the loader holding the control, other than the one given.
    HWND WaitForDialog(int controlId, HWND except = NULL)
    {
        HWND found = NULL;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid))
                if (GetDlgItem(d, controlId) && d != except)
                    found = d;
            return found != NULL;
        });
        return found;
    }
    HWND OpenSetup(HWND except = NULL)
    {
        Post(main, IDM_SETUP);
        return WaitForDialog(IDC_HINT_LIST, except);
    }
    static int LineOf(HWND setup, const std::string &record)
    {
        std::vector<std::string> lines = ListLines(GetDlgItem(setup, IDC_HINT_LIST));
        for (size_t i = 0; i < lines.size(); i++)
            if (lines[i].compare(0, record.size() + 1, record + "\t") == 0)
                return static_cast<int>(i);
        return -1;
    }
    static bool Shows(HWND setup, const std::string &line)
    {
        return WaitUntil([&] {
            std::vector<std::string> lines = ListLines(GetDlgItem(setup, IDC_HINT_LIST));
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }
    static void Select(HWND setup, const std::string &record)
    {
        SendMessageW(GetDlgItem(setup, IDC_HINT_LIST), LB_SETCURSEL, static_cast<WPARAM>(LineOf(setup, record)), 0);
    }
    void Add(HWND setup, const std::string &record, const char *description)
    {
        Post(setup, IDC_HINT_ADD);
        HWND add = WaitForDialog(IDC_ADD_NAME);
        ASSERT_NE(add, nullptr) << "no Add dialog";
        SendMessageA(GetDlgItem(add, IDC_ADD_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(record.c_str()));
        SendMessageA(GetDlgItem(add, IDC_ADD_DESCRIPTION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(description));
        Post(add, IDOK);
    }
    static void DoubleClick(HWND setup, const std::string &record)
    {
        Select(setup, record);
        Post(setup, MAKEWPARAM(IDC_HINT_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(GetDlgItem(setup, IDC_HINT_LIST)));
    }
    bool Holds(const std::string &record, const Values &values)
    {
        return WaitUntil([&] { return RecordValues(record) == values; });
    }
    void Close(HWND setup)
    {
        Post(setup, IDC_HINT_EXIT);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    }
    void CloseLoader()
    {
        Post(main, IDM_CLOSE);
        EXPECT_EQ(WaitChild(child), 0u);
    }

    bool existed[3] = {};
    std::string name, other;
    ChildProcess child;
    HWND main = NULL;
};

TEST_F(SetupBlackBoxTest, AddFlipEditDeleteThroughTheRunningProgram)
{
    HWND setup = OpenSetup();
    ASSERT_NE(setup, nullptr) << "command 40004 opened no setup dialog";
    EXPECT_EQ(LineOf(setup, name), -1);

    Add(setup, name, "racing");
    EXPECT_TRUE(Holds(name, {{"Description", "racing"}, {"Need3DOn2D", "1"}}));
    EXPECT_TRUE(Shows(setup, name + "\tracing\tOn"));

    DoubleClick(setup, name);
    EXPECT_TRUE(Holds(name, {{"Description", "racing"}, {"Need3DOn2D", "0"}}));
    EXPECT_TRUE(Shows(setup, name + "\tracing\tOff"));

    Select(setup, name);
    Post(setup, IDC_HINT_EDIT);
    HWND edit = WaitForDialog(IDC_EDIT_DESCRIPTION);
    ASSERT_NE(edit, nullptr) << "no Edit dialog";
    EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_NAME)), name);
    EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION)), "racing");
    EXPECT_EQ(SendMessageW(GetDlgItem(edit, IDC_EDIT_COMPOSITING), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageA(GetDlgItem(edit, IDC_EDIT_DESCRIPTION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("arcade"));
    SendMessageW(GetDlgItem(edit, IDC_EDIT_COMPOSITING), BM_SETCHECK, BST_CHECKED, 0);
    Post(edit, IDOK);
    EXPECT_TRUE(Holds(name, {{"Description", "arcade"}, {"Need3DOn2D", "1"}}));
    EXPECT_TRUE(Shows(setup, name + "\tarcade\tOn"));

    Select(setup, name);
    Post(setup, IDC_HINT_DELETE);
    EXPECT_TRUE(WaitUntil([&] { return !KeyExists(RecordPath(name)); }));
    EXPECT_TRUE(WaitUntil([&] { return LineOf(setup, name) == -1; }));
    Close(setup);
    CloseLoader();
}

TEST_F(SetupBlackBoxTest, TwoSetupDialogsAtOnce)
{
    HWND first = OpenSetup();
    HWND second = OpenSetup(first);
    ASSERT_TRUE(first && second) << "a second setup dialog did not open beside the first";
    DWORD_PTR ignored;
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored)) << "main window stuck";

    // A record added through one shows there at once, in the other only after its own refill.
    Add(second, name, "two");
    EXPECT_TRUE(Shows(second, name + "\ttwo\tOn"));
    EXPECT_EQ(LineOf(first, name), -1);
    Add(first, other, "one");
    EXPECT_TRUE(Shows(first, other + "\tone\tOn"));
    EXPECT_TRUE(Shows(first, name + "\ttwo\tOn"));
    EXPECT_TRUE(Holds(other, {{"Description", "one"}, {"Need3DOn2D", "1"}}));

    // Each flips what its own list shows at the selected line.
    DoubleClick(first, name);
    EXPECT_TRUE(Holds(name, {{"Description", "two"}, {"Need3DOn2D", "0"}}));
    EXPECT_EQ(RecordValues(other)["Need3DOn2D"], "1");

    Close(second);
    EXPECT_TRUE(IsWindowVisible(first));
    Close(first);
    CloseLoader();
}

} // namespace
