// The setup dialog of the running QTXILOAD.EXE, opened by the tray menu command and driven from
// this process, over the prefix's own HKEY_LOCAL_MACHINE (a child cannot see a redirection).
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

namespace {

void Post(HWND window, WPARAM wParam) { PostMessageA(window, WM_COMMAND, wParam, 0); }
std::string Lines(HWND setup) { return "|" + Join(ListLines(GetDlgItem(setup, IDC_HINT_LIST))) + "|"; }
bool Lists(HWND setup, const std::string &line) { return WaitUntil([&] { return Lines(setup).find("|" + line) != std::string::npos; }); }

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
            Post(d, GetDlgItem(d, IDC_HINT_LIST) ? IDC_HINT_EXIT : IDCANCEL);
        EXPECT_TRUE(WaitUntil([&] { return VisibleDialogs(child.pid).empty(); }));
        Post(main, IDM_CLOSE);
        EXPECT_EQ(WaitChild(child), 0u);
        StopChild(child);
        for (const std::string &record : {name, other})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(record).c_str());
        for (int i = 2; i >= 0; i--) // only what this test created, and only when nothing else lives there
            existed[i] ? (void)SeedKey(chain[i]) : (void)RegDeleteKeyA(HKEY_LOCAL_MACHINE, chain[i].c_str());
    }
    HWND Dialog(int controlId, HWND except = NULL) // waits for a shown dialog of the loader holding the control
    {
        HWND found = NULL;
        WaitUntil([&] { return (found = ShownDialog(child.pid, controlId, except)) != NULL; });
        return found;
    }
    void Add(HWND setup, const std::string &record)
    {
        Post(setup, IDC_HINT_ADD);
        HWND add = Dialog(IDC_ADD_NAME);
        SetDlgItemTextA(add, IDC_ADD_NAME, record.c_str()), SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "racing"), Post(add, IDOK);
    }

    const std::string chain[3] = {"SOFTWARE\\Quarnell", PRODUCT_PATH, HINTS_PATH};
    const std::string name = "BB" + std::to_string(GetCurrentProcessId()), other = "BC" + name;
    bool existed[3] = {};
    ChildProcess child;
    HWND main = NULL;
};

// Two setup dialogs, each refilled only by its own commands; Exit ends only its own.
TEST_F(SetupBlackBox, TwoSetupDialogs)
{
    Post(main, IDM_SETUP);
    HWND first = Dialog(IDC_HINT_LIST);
    Post(main, IDM_SETUP);
    HWND second = Dialog(IDC_HINT_LIST, first);
    ASSERT_TRUE(first && second) << "command 40004 did not open two setup dialogs";
    Add(second, name);
    EXPECT_TRUE(Lists(second, name + "\tracing\tOn|") && Lines(first).find("|" + name) == std::string::npos);
    Add(first, other);
    EXPECT_TRUE(Lists(first, name + "\tracing\tOn|" + other + "\tracing\tOn|"));
    Post(second, IDC_HINT_EXIT);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(second); }) && IsWindowVisible(first));
}

} // namespace
