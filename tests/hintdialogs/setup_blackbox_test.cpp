// The setup dialog of the running QTXILOAD.EXE, opened by the tray menu command and driven from
// this process, over the prefix's own HKEY_LOCAL_MACHINE (a child cannot see a redirection).
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

namespace {

void Post(HWND window, WPARAM wParam, LPARAM lParam = 0) { PostMessageA(window, WM_COMMAND, wParam, lParam); }
void Set(HWND dialog, int id, const char *text) { SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, LPARAM(text)); }
std::string Text(HWND dialog, int id) { return ControlText(GetDlgItem(dialog, id)); }
std::string Lines(HWND setup) { return "|" + Join(ListLines(GetDlgItem(setup, IDC_HINT_LIST))) + "|"; }
bool Gone(HWND window) { return WaitUntil([&] { return !IsWindow(window); }); }
bool Lists(HWND setup, const std::string &line, bool listed = true) // waits until the line is listed, or is not
{
    return WaitUntil([&] { return (Lines(setup).find("|" + line) != std::string::npos) == listed; });
}

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
    // A shown dialog of the loader holding the control; 0: a message box, which holds none of them.
    HWND Dialog(int controlId, HWND except = NULL, DWORD timeoutMs = 10000)
    {
        HWND found = NULL;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid)) {
                bool box = !GetDlgItem(d, IDC_HINT_LIST) && !GetDlgItem(d, IDC_ADD_NAME) && !GetDlgItem(d, IDC_EDIT_DESCRIPTION);
                found = d != except && (controlId ? GetDlgItem(d, controlId) != NULL : box) ? d : found;
            }
            return found != NULL;
        }, timeoutMs);
        return found;
    }
    std::string Answer(HWND owner) // the message box shown, "text / caption", answered with OK
    {
        HWND box = Dialog(0);
        std::string shown = box ? Text(box, 0xffff) + " / " + ControlText(box) : "no message";
        EXPECT_TRUE(box && GetWindow(box, GW_OWNER) == owner && PostMessageA(box, WM_COMMAND, IDOK, 0) && Gone(box)) << shown;
        return shown;
    }
    // Selects the record's line and posts the command (with a double-click's notification when given).
    void Act(HWND setup, const std::string &record, WPARAM command, WORD notification = 0)
    {
        std::vector<std::string> lines = ListLines(GetDlgItem(setup, IDC_HINT_LIST));
        for (size_t i = 0; i < lines.size(); i++)
            lines[i].rfind(record + "\t", 0) ? 0 : SendMessageW(GetDlgItem(setup, IDC_HINT_LIST), LB_SETCURSEL, i, 0);
        Post(setup, MAKEWPARAM(command, notification), LPARAM(GetDlgItem(setup, IDC_HINT_LIST)));
    }
    HWND Add(HWND setup, const std::string &record)
    {
        Post(setup, IDC_HINT_ADD);
        HWND add = Dialog(IDC_ADD_NAME);
        Set(add, IDC_ADD_NAME, record.c_str()), Set(add, IDC_ADD_DESCRIPTION, "racing"), Post(add, IDOK);
        return add;
    }

    const std::string chain[3] = {"SOFTWARE\\Quarnell", PRODUCT_PATH, HINTS_PATH};
    const std::string name = "BB" + std::to_string(GetCurrentProcessId()), other = "BC" + name;
    bool existed[3] = {};
    ChildProcess child;
    HWND main = NULL;
};

// Two setup dialogs, each refilled only by its own commands; then changes made behind them: what
// the registry refused or lost is told, and what was typed stays.
TEST_F(SetupBlackBox, TwoSetupDialogsAndChangesMadeBehindThem)
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
    EXPECT_TRUE(Gone(second) && IsWindowVisible(first));

    // Deleted between the listing and the double-click: the flip lands on what now stands there,
    // and where nothing stands it changes nothing and says nothing.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(name).c_str());
    Act(first, name, IDC_HINT_LIST, LBN_DBLCLK);
    EXPECT_TRUE(Lists(first, other + "\tracing\tOff|")) << Lines(first);
    EXPECT_EQ(RecordValues(other), (Values{{"Description", "racing"}, {"Need3DOn2D", "0"}}));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(other).c_str());
    Act(first, other, IDC_HINT_LIST, LBN_DBLCLK);
    EXPECT_TRUE(WaitUntil([&] { return Lines(first).find("|" + other) == std::string::npos || Dialog(0, NULL, 0); }));
    EXPECT_TRUE(Dialog(0, NULL, 100) == NULL && !KeyExists(RecordPath(other))) << "a flip of nothing did something";

    // Deleted while its Edit dialog is open: OK tells and keeps the input; Cancel ends it.
    Add(first, name);
    ASSERT_TRUE(Lists(first, name + "\tracing\tOn|"));
    Act(first, name, IDC_HINT_EDIT);
    HWND edit = Dialog(IDC_EDIT_DESCRIPTION);
    Set(edit, IDC_EDIT_DESCRIPTION, "arcade");
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, RecordPath(name).c_str()), ERROR_SUCCESS);
    Post(edit, IDOK);
    EXPECT_EQ(Answer(edit),
              "The application was removed from the registry while it was being edited. Nothing was saved. / Halvane D3D Setup");
    EXPECT_TRUE(IsWindowVisible(edit) && Text(edit, IDC_EDIT_DESCRIPTION) == "arcade");
    Post(edit, IDCANCEL);
    EXPECT_TRUE(Gone(edit) && !KeyExists(RecordPath(name)));

    // The product key gone: Add tells and keeps what was typed.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, HINTS_PATH.c_str()), RegDeleteKeyA(HKEY_LOCAL_MACHINE, PRODUCT_PATH.c_str());
    ASSERT_FALSE(KeyExists(PRODUCT_PATH)) << "the prefix holds other keys below the product key";
    HWND add = Add(first, name);
    EXPECT_EQ(Answer(add), "Halvane D3D is not installed properly: the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarnell"
                           "\\Halvane is missing. Reinstall it, or create that key. / Halvane D3D Setup");
    EXPECT_EQ(Text(add, IDC_ADD_NAME) + "|" + Text(add, IDC_ADD_DESCRIPTION) + (IsWindowVisible(add) ? "" : " ended"), name + "|racing");
    Post(add, IDCANCEL);
    EXPECT_TRUE(Gone(add) && !KeyExists(PRODUCT_PATH));
}

} // namespace
