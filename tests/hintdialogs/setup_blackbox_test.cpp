// The setup dialog of the running QTXILOAD.EXE, opened by the tray menu command and driven from
// this process, over the prefix's own HKEY_LOCAL_MACHINE (a child cannot see a redirection).
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>

namespace {

void Post(HWND window, WPARAM wParam, LPARAM lParam = 0) { PostMessageA(window, WM_COMMAND, wParam, lParam); }
void Set(HWND dialog, int id, const std::string &text) { SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(text.c_str())); }

class SetupBlackBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA("QTXILoadWClass", NULL), nullptr) << "a loader is already running";
        for (int i = 0; i < 3; i++)
            existed[i] = KeyExists(Chain[i]);
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001"});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow("QTXILoadWClass", NULL, child.pid)) != NULL; }));
    }
    void TearDown() override
    {
        if (main) {
            for (HWND d : VisibleDialogs(child.pid))
                Post(d, IDC_HINT_EXIT);
            EXPECT_TRUE(WaitUntil([&] { return VisibleDialogs(child.pid).empty(); }));
            Post(main, IDM_CLOSE);
            EXPECT_EQ(WaitChild(child), 0u);
        }
        StopChild(child);
        for (const std::string &record : {name, other})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(record).c_str());
        for (int i = 2; i >= 0; i--) // only what this test created, and only when nothing else lives there
            if (!existed[i])
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, Chain[i].c_str());
    }
    // A shown dialog of the loader holding the control, other than the one given.
    HWND Dialog(int controlId, HWND except = NULL)
    {
        HWND found = NULL;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid))
                found = GetDlgItem(d, controlId) && d != except ? d : found;
            return found != NULL;
        });
        return found;
    }
    HWND OpenSetup(HWND except = NULL) { return Post(main, IDM_SETUP), Dialog(IDC_HINT_LIST, except); }
    static void Select(HWND setup, const std::string &record)
    {
        std::vector<std::string> lines = ListLines(GetDlgItem(setup, IDC_HINT_LIST));
        auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string &l) { return l.find(record + "\t") == 0; });
        SendMessageW(GetDlgItem(setup, IDC_HINT_LIST), LB_SETCURSEL, at == lines.end() ? WPARAM(-1) : at - lines.begin(), 0);
    }
    // Waits until the registry holds the values and the setup list shows the line (or, with
    // values empty, until neither holds the record).
    static bool Holds(HWND setup, const std::string &record, const Values &values, const std::string &line = "")
    {
        return WaitUntil([&] {
            std::vector<std::string> lines = ListLines(GetDlgItem(setup, IDC_HINT_LIST));
            bool listed = std::any_of(lines.begin(), lines.end(), [&](const std::string &l) { return l.find(record + "\t") == 0; });
            return RecordValues(record) == values && KeyExists(RecordPath(record)) == !values.empty() &&
                   (line.empty() ? listed == !values.empty() : std::find(lines.begin(), lines.end(), line) != lines.end());
        });
    }
    void Add(HWND setup, const std::string &record, const char *description)
    {
        Post(setup, IDC_HINT_ADD);
        HWND add = Dialog(IDC_ADD_NAME);
        ASSERT_NE(add, nullptr) << "no Add dialog";
        Set(add, IDC_ADD_NAME, record), Set(add, IDC_ADD_DESCRIPTION, description);
        Post(add, IDOK);
    }
    static void DoubleClick(HWND setup, const std::string &record)
    {
        Select(setup, record);
        Post(setup, MAKEWPARAM(IDC_HINT_LIST, LBN_DBLCLK), LPARAM(GetDlgItem(setup, IDC_HINT_LIST)));
    }

    const std::string Chain[3] = {"SOFTWARE\\Quarnell", PRODUCT_PATH, HINTS_PATH};
    const std::string name = "BB" + std::to_string(GetCurrentProcessId()), other = "BC" + name;
    bool existed[3] = {};
    ChildProcess child;
    HWND main = NULL;
};

TEST_F(SetupBlackBox, AddFlipEditDelete)
{
    HWND setup = OpenSetup();
    ASSERT_NE(setup, nullptr) << "command 40004 opened no setup dialog";
    Add(setup, name, "racing");
    EXPECT_TRUE(Holds(setup, name, {{"Description", "racing"}, {"Need3DOn2D", "1"}}, name + "\tracing\tOn"));
    DoubleClick(setup, name);
    EXPECT_TRUE(Holds(setup, name, {{"Description", "racing"}, {"Need3DOn2D", "0"}}, name + "\tracing\tOff"));

    Select(setup, name);
    Post(setup, IDC_HINT_EDIT);
    HWND edit = Dialog(IDC_EDIT_DESCRIPTION);
    ASSERT_NE(edit, nullptr) << "no Edit dialog";
    EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION)), "racing");
    Set(edit, IDC_EDIT_DESCRIPTION, "arcade");
    SendMessageW(GetDlgItem(edit, IDC_EDIT_COMPOSITING), BM_SETCHECK, BST_CHECKED, 0);
    Post(edit, IDOK);
    EXPECT_TRUE(Holds(setup, name, {{"Description", "arcade"}, {"Need3DOn2D", "1"}}, name + "\tarcade\tOn"));

    Select(setup, name);
    Post(setup, IDC_HINT_DELETE);
    EXPECT_TRUE(Holds(setup, name, {}));
}

// Opened without an owner, so the main window keeps answering and a second one opens; each
// refills only itself and flips what its own list shows.
TEST_F(SetupBlackBox, TwoSetupDialogsAtOnce)
{
    HWND first = OpenSetup(), second = OpenSetup(first);
    ASSERT_TRUE(first && second) << "a second setup dialog did not open beside the first";
    Add(second, name, "two");
    EXPECT_TRUE(Holds(second, name, {{"Description", "two"}, {"Need3DOn2D", "1"}}, name + "\ttwo\tOn"));
    EXPECT_EQ(Join(ListLines(GetDlgItem(first, IDC_HINT_LIST))).find(name), std::string::npos);
    Add(first, other, "one");
    EXPECT_TRUE(Holds(first, other, {{"Description", "one"}, {"Need3DOn2D", "1"}}, other + "\tone\tOn"));
    DoubleClick(first, name);
    EXPECT_TRUE(Holds(first, name, {{"Description", "two"}, {"Need3DOn2D", "0"}}, name + "\ttwo\tOff"));
    Post(second, IDC_HINT_EXIT);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(second); }) && IsWindowVisible(first));
}

} // namespace
