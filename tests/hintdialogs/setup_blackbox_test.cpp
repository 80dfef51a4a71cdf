// The setup dialog of the running QTXILOAD.EXE, opened by the tray menu command and driven from
// this process, over the prefix's own HKEY_LOCAL_MACHINE (a child cannot see a redirection).
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>

namespace {

void Post(HWND window, WPARAM wParam, LPARAM lParam = 0) { PostMessageA(window, WM_COMMAND, wParam, lParam); }
void Set(HWND dialog, int id, const char *text) { SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(text)); }
std::string Lines(HWND setup) { return "|" + Join(ListLines(GetDlgItem(setup, IDC_HINT_LIST))) + "|"; }

struct SetupBlackBox : ::testing::Test {
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA("QTXILoadWClass", NULL), nullptr) << "a loader is already running";
        for (int i = 0; i < 3; i++)
            existed[i] = KeyExists(chain[i]);
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001"});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow("QTXILoadWClass", NULL, child.pid)) != NULL; }));
    }
    void TearDown() override
    {
        for (HWND d : VisibleDialogs(child.pid))
            Post(d, IDC_HINT_EXIT);
        EXPECT_TRUE(WaitUntil([&] { return VisibleDialogs(child.pid).empty(); }));
        Post(main, IDM_CLOSE);
        EXPECT_EQ(WaitChild(child), 0u);
        StopChild(child);
        for (const std::string &record : {name, other})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(record).c_str());
        for (int i = 2; i >= 0; i--) // only what this test created, and only when nothing else lives there
            if (!existed[i])
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, chain[i].c_str());
    }
    HWND Dialog(int controlId, HWND except = NULL) // a shown dialog of the loader holding the control
    {
        HWND found = NULL;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid))
                found = GetDlgItem(d, controlId) && d != except ? d : found;
            return found != NULL;
        });
        return found;
    }
    // Selects the record's line and posts the command (with a double-click's notification when given).
    void Act(HWND setup, const std::string &record, WPARAM command, WORD notification = 0)
    {
        std::string lines = Lines(setup);
        int line = static_cast<int>(std::count(lines.begin(), lines.begin() + lines.find("|" + record + "\t") + 1, '|')) - 1;
        SendMessageW(GetDlgItem(setup, IDC_HINT_LIST), LB_SETCURSEL, line, 0);
        Post(setup, MAKEWPARAM(command, notification), LPARAM(GetDlgItem(setup, IDC_HINT_LIST)));
    }
    void Add(HWND setup, const std::string &record, const char *description)
    {
        Post(setup, IDC_HINT_ADD);
        HWND add = Dialog(IDC_ADD_NAME);
        ASSERT_NE(add, nullptr) << "no Add dialog";
        Set(add, IDC_ADD_NAME, record.c_str()), Set(add, IDC_ADD_DESCRIPTION, description), Post(add, IDOK);
    }
    // Waits until the record holds the values and the setup dialog lists the line.
    static bool Holds(HWND setup, const std::string &record, const Values &values, const std::string &line)
    {
        return WaitUntil([&] { return RecordValues(record) == values && Lines(setup).find("|" + line + "|") != std::string::npos; });
    }

    const std::string chain[3] = {"SOFTWARE\\Quarnell", PRODUCT_PATH, HINTS_PATH};
    const std::string name = "BB" + std::to_string(GetCurrentProcessId()), other = "BC" + name;
    bool existed[3] = {};
    ChildProcess child;
    HWND main = NULL;
};

// Opened without an owner, so a second one opens beside the first; each refills only itself.
TEST_F(SetupBlackBox, TwoSetupDialogsAddFlipEditDelete)
{
    Post(main, IDM_SETUP);
    HWND first = Dialog(IDC_HINT_LIST);
    Post(main, IDM_SETUP);
    HWND second = Dialog(IDC_HINT_LIST, first);
    ASSERT_TRUE(first && second) << "command 40004 did not open two setup dialogs";
    Add(second, name, "racing");
    EXPECT_TRUE(Holds(second, name, {{"Description", "racing"}, {"Need3DOn2D", "1"}}, name + "\tracing\tOn"));
    EXPECT_EQ(Lines(first).find("|" + name + "\t"), std::string::npos);
    Add(first, other, "one");
    EXPECT_TRUE(Holds(first, name, {{"Description", "racing"}, {"Need3DOn2D", "1"}}, name + "\tracing\tOn"));

    Act(first, name, IDC_HINT_LIST, LBN_DBLCLK);
    EXPECT_TRUE(Holds(first, name, {{"Description", "racing"}, {"Need3DOn2D", "0"}}, name + "\tracing\tOff"));

    Act(first, name, IDC_HINT_EDIT);
    HWND edit = Dialog(IDC_EDIT_DESCRIPTION);
    ASSERT_NE(edit, nullptr) << "no Edit dialog";
    EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION)), "racing");
    Set(edit, IDC_EDIT_DESCRIPTION, "arcade");
    SendMessageW(GetDlgItem(edit, IDC_EDIT_COMPOSITING), BM_SETCHECK, BST_CHECKED, 0);
    Post(edit, IDOK);
    EXPECT_TRUE(Holds(first, name, {{"Description", "arcade"}, {"Need3DOn2D", "1"}}, name + "\tarcade\tOn"));

    Act(first, name, IDC_HINT_DELETE);
    EXPECT_TRUE(WaitUntil([&] { return !KeyExists(RecordPath(name)) && Lines(first).find("|" + name + "\t") == std::string::npos; }));
    Post(second, IDC_HINT_EXIT);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(second); }) && IsWindowVisible(first));
}

} // namespace
