// The setup, Add and Edit dialogs in process, from the real templates with the real procedures,
// over the registry under test.
#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

namespace {

// Every record with its values: "Name{Value=text,...} ...".
std::string Records()
{
    std::vector<std::string> records;
    for (const std::string &name : SubkeyNames(HINTS_PATH)) {
        std::vector<std::string> values;
        for (const auto &v : RecordValues(name))
            values.push_back(v.first + "=" + v.second);
        records.push_back(name + "{" + Join(values, ",") + "}");
    }
    return Join(records, " ");
}

void Command(HWND dialog, WORD id, WORD notification = 0)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

enum Ending { ByOk, ByCancel, ByCloseBox, ByEnter, ByEsc };

void End(HWND dialog, Ending how, int field)
{
    if (how == ByOk || how == ByCancel)
        Click(dialog, how == ByOk ? IDOK : IDCANCEL);
    else if (how == ByCloseBox)
        CloseBox(dialog);
    else
        Key(dialog, field, how == ByEnter ? VK_RETURN : VK_ESCAPE);
}

struct HintDialogTest : RegistryTest {
    void Fresh()
    {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
        AppInstance = GetModuleHandleA(NULL);
        EditRequestingDialog = NULL;
    }
    // The help viewer (its own process) asks about the missing file and holds this thread; a
    // second thread answers it.
    static DWORD WINAPI AnswerHelpViewer(LPVOID)
    {
        for (int i = 0; i < 500 && !HelpViewer; i++, Sleep(10))
            for (HWND box : VisibleDialogs())
                for (const std::string &text : ChildTexts(box))
                    if (text.find("qtxhelp.hlp") != std::string::npos && !HelpViewer) {
                        GetWindowThreadProcessId(box, &HelpViewer);
                        PostMessageA(box, WM_COMMAND, IDNO, 0);
                    }
        return 0;
    }
    static DWORD HelpViewer;
};

DWORD HintDialogTest::HelpViewer;

const char *const Unchanged = "Alpha{Description=racing,Need3DOn2D=0} Beta{Need3DOn2D=1}";
const char *const Listed = "Alpha\tracing\tOff|Beta\tnone\tOn";
const char *const Gone = "The selected application is no longer in the registry. / Halvane D3D Setup";

TEST_F(HintDialogTest, SetupCommands)
{
    struct Row {
        const char *what;
        int select;
        std::function<void(HWND)> act;
        std::vector<Step> steps;
        std::string records, lines;
        LRESULT selection;
        const char *boxes;
        bool visible;
    };
    const Row rows[] = {
        {"double-click posts 111, which flips", 0, [](HWND d) {
             Command(d, IDC_HINT_LIST, LBN_DBLCLK);
             EXPECT_EQ(Records(), Unchanged) << "flipped before the posted command ran";
         }, {}, "Alpha{Description=racing,Need3DOn2D=1} Beta{Need3DOn2D=1}", "Alpha\tracing\tOn|Beta\tnone\tOn", LB_ERR, "",
         true},
        {"without a selection only 111 says so", -1, [](HWND d) {
             for (WORD id : {WORD(IDC_HINT_DELETE), WORD(IDC_HINT_EDIT), WORD(IDC_HINT_FLIP)})
                 Command(d, id);
         }, {}, Unchanged, Listed, LB_ERR, "Please select an item from the list box / Registry Utility", true},
        {"delete removes the selected record", 0, [](HWND d) { Command(d, IDC_HINT_DELETE); }, {}, "Beta{Need3DOn2D=1}",
         "Beta\tnone\tOn", LB_ERR, "", true},
        {"1, 2, Enter and Esc are ignored", 0, [](HWND d) {
             Command(d, IDOK), Command(d, IDCANCEL);
             Key(d, IDC_HINT_LIST, VK_ESCAPE), Key(d, IDC_HINT_LIST, VK_RETURN);
         }, {}, Unchanged, Listed, 0, "", true},
        {"Add creates, the list is refilled", 1, [](HWND d) { Command(d, IDC_HINT_ADD); },
         {OnDialog(IDC_ADD_NAME, [](HWND add) {
             SetDlgItemTextA(add, IDC_ADD_NAME, "Zeta");
             Click(add, IDOK);
         })}, std::string(Unchanged) + " Zeta{Description=,Need3DOn2D=1}", std::string(Listed) + "|Zeta\tnone\tOn", LB_ERR,
         "", true},
        {"Edit works on the selected line", 1, [](HWND d) { Command(d, IDC_HINT_EDIT); },
         {OnDialog(IDC_EDIT_DESCRIPTION, [](HWND edit) {
             EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_NAME)), "Beta");
             SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, "changed");
             Click(edit, IDOK);
         })}, "Alpha{Description=racing,Need3DOn2D=0} Beta{Description=changed,Need3DOn2D=1}",
         "Alpha\tracing\tOff|Beta\tchanged\tOn", LB_ERR, "", true},
        {"Edit of a record deleted meanwhile says so", 1, [](HWND d) {
             RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Beta");
             Command(d, IDC_HINT_EDIT);
         }, {}, "Alpha{Description=racing,Need3DOn2D=0}", "Alpha\tracing\tOff", LB_ERR, Gone, true},
        {"Browse opens the browser, no refill", 0, [](HWND d) { Command(d, IDC_HINT_BROWSE); },
         {OnDialog(IDC_REG_KEYS, [](HWND browser) { CloseBox(browser); })}, Unchanged, Listed, 0, "", true},
        {"Help without the file leaves the dialog going on", 0, [](HWND d) {
             HANDLE answer = CreateThread(NULL, 0, AnswerHelpViewer, NULL, 0, NULL);
             Command(d, IDC_HINT_HELP);
             WaitForSingleObject(answer, 10000);
             CloseHandle(answer);
             // The viewer stays resident: ask it to go, end it if it does not.
             HANDLE viewer = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, HelpViewer);
             ASSERT_TRUE(viewer) << "no help viewer asked about the file";
             WinHelpA(d, "qtxhelp.hlp", HELP_QUIT, 0);
             if (WaitForSingleObject(viewer, 5000) != WAIT_OBJECT_0)
                 TerminateProcess(viewer, 1);
             CloseHandle(viewer);
         }, {}, Unchanged, Listed, 0, "", true},
        {"Exit ends it", 0, [](HWND d) { Click(d, IDC_HINT_EXIT); }, {}, Unchanged, Listed, 0, "", false},
        {"the close box ends it", 0, CloseBox, {}, Unchanged, Listed, 0, "", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Fresh();
        SeedRecord("Alpha", {{"Description", "racing"}, {"Need3DOn2D", "0"}});
        SeedRecord("Beta", {{"Need3DOn2D", "1"}});
        HWND setup = CreateDialogParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0);
        HWND list = GetDlgItem(setup, IDC_HINT_LIST);
        ASSERT_EQ(Join(ListLines(list)), Listed);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row.select), 0);
        std::vector<Box> boxes;
        WhileModal([&] { row.act(setup), PumpDialog(setup); }, row.steps, &boxes);
        EXPECT_EQ(IsWindowVisible(setup) != FALSE, row.visible);
        EXPECT_EQ(Records(), row.records);
        EXPECT_EQ(Join(ListLines(list)), row.lines);
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), row.selection);
        EXPECT_EQ(Shown(boxes), row.boxes);
        for (const Box &b : boxes)
            EXPECT_EQ(b.owner, setup);
        DestroyWindow(setup);
    }
}

const std::string Long40 = "0123456789abcdefghijABCDEFGHIJklmnopqrst";

TEST_F(HintDialogTest, Add)
{
    struct Case {
        const char *what;
        std::string name, description;
        Ending how;
        std::string records;
        const char *box;
    } cases[] = {
        {"OK", "Demo", "racing", ByOk, "Demo{Description=racing,Need3DOn2D=1}", ""},
        {"Enter", "Demo", "racing", ByEnter, "Demo{Description=racing,Need3DOn2D=1}", ""},
        {"Cancel", "Demo", "racing", ByCancel, "", ""},
        {"Esc", "Demo", "racing", ByEsc, "", ""},
        {"cut to 17 and 31", "ABCDEFGHIJKLMNOPQRSTUV", Long40, ByOk,
         "ABCDEFGHIJKLMNOPQ{Description=" + Long40.substr(0, 31) + ",Need3DOn2D=1}", ""},
        {"empty name", "", "racing", ByOk, "", "Please enter the name of the application. / Halvane D3D Setup"},
        {"name with a separator", "Demo\\Sub", "racing", ByOk, "",
         "The name of the application cannot contain \"\\\". / Halvane D3D Setup"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        std::string kept;
        HWND add = NULL;
        std::vector<Box> boxes;
        std::vector<Step> steps = {OnDialog(IDC_ADD_NAME, [&](HWND d) {
            add = d;
            SetDlgItemTextA(d, IDC_ADD_NAME, c.name.c_str());
            SetDlgItemTextA(d, IDC_ADD_DESCRIPTION, c.description.c_str());
            End(d, c.how, IDC_ADD_DESCRIPTION);
        })};
        if (*c.box) // the refusal answered, the dialog still holds what was typed
            steps.push_back([&] {
                return !boxes.empty() && OnDialog(IDC_ADD_NAME, [&](HWND d) {
                    kept = ControlText(GetDlgItem(d, IDC_ADD_NAME)) + "|" + ControlText(GetDlgItem(d, IDC_ADD_DESCRIPTION));
                    Click(d, IDCANCEL);
                })();
            });
        WhileModal([&] { DialogBoxParamA(AppInstance, "AddProgramDlg", NULL, AddProgramDlgProc, 0); }, steps, &boxes);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(Shown(boxes), c.box);
        if (*c.box) {
            EXPECT_EQ(boxes[0].owner, add);
            EXPECT_EQ(kept, c.name + "|" + c.description);
        }
    }
}

TEST_F(HintDialogTest, Edit)
{
    const Values racing1 = {{"Description", "racing"}, {"Need3DOn2D", "1"}};
    const Values arcade0 = {{"Description", "arcade"}, {"Need3DOn2D", "0"}};
    const std::string Long2000(2000, 'w');
    struct Case {
        const char *what;
        Values stored;
        const char *typed; // NULL: the field left as shown
        int check;         // -1: the box left as shown
        Ending how;
        std::string shown; // description and check state; empty when no Edit dialog shows
        Values after;
        const char *box;
    } cases[] = {
        {"OK writes both", racing1, "arcade", BST_UNCHECKED, ByOk, "racing|1", arcade0, ""},
        {"Enter writes both", racing1, "arcade", BST_UNCHECKED, ByEnter, "racing|1", arcade0, ""},
        {"Cancel writes nothing", racing1, "arcade", BST_UNCHECKED, ByCancel, "racing|1", racing1, ""},
        {"close box writes nothing", racing1, "arcade", BST_UNCHECKED, ByCloseBox, "racing|1", racing1, ""},
        {"Esc writes nothing", {{"Need3DOn2D", "0"}}, "arcade", BST_CHECKED, ByEsc, "|0", {{"Need3DOn2D", "0"}}, ""},
        {"edited text cut to 31", racing1, Long40.c_str(), -1, ByOk, "racing|1",
         {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}, ""},
        {"untouched long text written back whole", {{"Description", Long40}, {"Need3DOn2D", "0"}}, nullptr, BST_CHECKED,
         ByOk, Long40 + "|0", {{"Description", Long40}, {"Need3DOn2D", "1"}}, ""},
        {"untouched text too long to read whole is left alone", {{"Description", Long2000}, {"Need3DOn2D", "1"}}, nullptr,
         BST_UNCHECKED, ByOk, Long2000.substr(0, 1023) + "|1", {{"Description", Long2000}, {"Need3DOn2D", "0"}}, ""},
        {"record grants read access only", racing1, nullptr, -1, ByOk, "", racing1,
         "The registry entry of the selected application cannot be opened for changing. / Halvane D3D Setup"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        SeedRecord("Demo", c.stored);
        ASSERT_TRUE(!*c.box || MarkReadOnly(RecordPath("Demo")));
        std::string shown;
        std::vector<Step> steps;
        if (!*c.box) // where the Edit dialog must not show, a shown one is ended by force and fails
            steps.push_back(OnDialog(IDC_EDIT_DESCRIPTION, [&](HWND edit) {
                EXPECT_EQ(ControlText(GetDlgItem(edit, IDC_EDIT_NAME)), "Demo");
                shown = ControlText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION)) + "|" +
                        std::to_string(SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_GETCHECK, 0, 0));
                if (c.typed)
                    SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, c.typed);
                if (c.check >= 0)
                    SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
                End(edit, c.how, IDC_EDIT_DESCRIPTION);
            }));
        SelectedHintIndex = 0;
        std::vector<Box> boxes;
        WhileModal([&] { DialogBoxParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0); }, steps, &boxes);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(Shown(boxes), c.box);
        EXPECT_EQ(RecordValues("Demo"), c.after);
    }
}

// Each Edit dialog saves through its own keys, whatever the other does meanwhile.
TEST_F(HintDialogTest, TwoEditDialogsKeepTheirOwnRecords)
{
    Fresh();
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "1"}});
    SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "1"}});
    SelectedHintIndex = 0;
    HWND first = CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0);
    SelectedHintIndex = 1;
    HWND second = CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0);
    SetDlgItemTextA(second, IDC_EDIT_DESCRIPTION, "second");
    Command(second, IDOK);
    SetDlgItemTextA(first, IDC_EDIT_DESCRIPTION, "first");
    SendDlgItemMessageA(first, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
    Command(first, IDOK);
    EXPECT_EQ(Records(), "Alpha{Description=first,Need3DOn2D=0} Beta{Description=second,Need3DOn2D=1}");
    DestroyWindow(first), DestroyWindow(second);
}

} // namespace
