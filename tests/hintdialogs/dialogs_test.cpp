// The setup, Add and Edit dialogs in process, created from the real templates with the real
// procedures, over the registry under test.
#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>

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

void End(HWND dialog, Ending how, int focusField)
{
    switch (how) {
    case ByOk: Click(dialog, IDOK); break;
    case ByCancel: Click(dialog, IDCANCEL); break;
    case ByCloseBox: CloseBox(dialog); break;
    case ByEnter: Key(dialog, focusField, VK_RETURN); break;
    case ByEsc: Key(dialog, focusField, VK_ESCAPE); break;
    }
}

class HintDialogTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        AppInstance = GetModuleHandleA(NULL);
        EditRequestingDialog = NULL;
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
    }
    void TearDown() override
    {
        for (HWND w : created)
            DestroyWindow(w);
        RegistryTest::TearDown();
    }
    void Fresh()
    {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        ASSERT_TRUE(SeedKey(PRODUCT_PATH));
    }
    HWND Modeless(const char *name, DLGPROC proc)
    {
        created.push_back(CreateDialogParamA(AppInstance, name, NULL, proc, 0));
        return created.back();
    }
    std::vector<HWND> created;
};

const char *const Unchanged = "Alpha{Description=racing,Need3DOn2D=0} Beta{Need3DOn2D=1} Gamma{Need3DOn2D=}";
const char *const Listed = "Alpha\tracing\tOff|Beta\tnone\tOn|Gamma\tnone\tOn";

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
    };
    std::string editShown;
    const Row rows[] = {
        {"double-click flips a flag listed Off, after the list box is done", 0, [](HWND d) {
             Command(d, IDC_HINT_LIST, LBN_DBLCLK);
             EXPECT_EQ(Records(), Unchanged) << "flipped before the posted command ran";
         }, {}, "Alpha{Description=racing,Need3DOn2D=1} Beta{Need3DOn2D=1} Gamma{Need3DOn2D=}",
         "Alpha\tracing\tOn|Beta\tnone\tOn|Gamma\tnone\tOn", LB_ERR, ""},
        {"double-click flips an empty flag to 0", 2, [](HWND d) { Command(d, IDC_HINT_LIST, LBN_DBLCLK); }, {},
         "Alpha{Description=racing,Need3DOn2D=0} Beta{Need3DOn2D=1} Gamma{Need3DOn2D=0}",
         "Alpha\tracing\tOff|Beta\tnone\tOn|Gamma\tnone\tOff", LB_ERR, ""},
        {"other list notifications do nothing", 1, [](HWND d) {
             for (WORD n : {WORD(LBN_SELCHANGE), WORD(LBN_SETFOCUS), WORD(LBN_KILLFOCUS), WORD(LBN_SELCANCEL)})
                 Command(d, IDC_HINT_LIST, n);
         }, {}, Unchanged, Listed, 1, ""},
        {"flip without a selection asks", -1, [](HWND d) { Command(d, IDC_HINT_FLIP); }, {}, Unchanged, Listed, LB_ERR,
         "Please select an item from the list box / Registry Utility"},
        {"delete removes the selected record without asking", 1, [](HWND d) { Command(d, IDC_HINT_DELETE); }, {},
         "Alpha{Description=racing,Need3DOn2D=0} Gamma{Need3DOn2D=}", "Alpha\tracing\tOff|Gamma\tnone\tOn", LB_ERR, ""},
        {"delete and edit without a selection do nothing", -1, [](HWND d) {
             Command(d, IDC_HINT_DELETE);
             Command(d, IDC_HINT_EDIT);
         }, {}, Unchanged, Listed, LB_ERR, ""},
        {"1, 2, Enter and Esc are ignored", 0, [](HWND d) {
             for (WORD id : {WORD(IDOK), WORD(IDCANCEL), WORD(9999)})
                 Command(d, id);
             Key(d, IDC_HINT_LIST, VK_ESCAPE);
             Key(d, IDC_HINT_LIST, VK_RETURN);
         }, {}, Unchanged, Listed, 0, ""},
        {"Add with OK creates, the list is refilled", -1, [](HWND d) { Command(d, IDC_HINT_ADD); },
         {OnDialog(IDC_ADD_NAME, [](HWND add) {
             SetDlgItemTextA(add, IDC_ADD_NAME, "Zeta");
             SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "racing");
             Click(add, IDOK);
         })},
         std::string(Unchanged) + " Zeta{Description=racing,Need3DOn2D=1}", std::string(Listed) + "|Zeta\tracing\tOn",
         LB_ERR, ""},
        {"Add with Cancel refills too", 0, [](HWND d) { Command(d, IDC_HINT_ADD); },
         {OnDialog(IDC_ADD_NAME, [](HWND add) {
             SeedRecord("Other", {});
             Click(add, IDCANCEL);
         })},
         std::string(Unchanged) + " Other{}", std::string(Listed) + "|Other\tnone\tOff", LB_ERR, ""},
        {"Edit works on the selected line", 1, [](HWND d) { Command(d, IDC_HINT_EDIT); },
         {OnDialog(IDC_EDIT_DESCRIPTION, [&editShown](HWND edit) {
             editShown = ControlText(GetDlgItem(edit, IDC_EDIT_NAME));
             SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, "changed");
             SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
             Click(edit, IDOK);
         })},
         "Alpha{Description=racing,Need3DOn2D=0} Beta{Description=changed,Need3DOn2D=0} Gamma{Need3DOn2D=}",
         "Alpha\tracing\tOff|Beta\tchanged\tOff|Gamma\tnone\tOn", LB_ERR, ""},
        {"Edit of a record deleted behind the dialog's back says so", 2, [](HWND d) {
             RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Gamma");
             Command(d, IDC_HINT_EDIT);
         }, {}, "Alpha{Description=racing,Need3DOn2D=0} Beta{Need3DOn2D=1}", "Alpha\tracing\tOff|Beta\tnone\tOn", LB_ERR,
         "The selected application is no longer in the registry. / Halvane D3D Setup"},
        {"Browse opens the browser and does not refill", 0, [](HWND d) { Command(d, IDC_HINT_BROWSE); },
         {OnDialog(IDC_REG_KEYS, [](HWND browser) {
             SeedRecord("Other", {});
             CloseBox(browser);
         })},
         std::string(Unchanged) + " Other{}", Listed, 0, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Fresh();
        SeedRecord("Alpha", {{"Description", "racing"}, {"Need3DOn2D", "0"}});
        SeedRecord("Beta", {{"Need3DOn2D", "1"}});
        SeedRecord("Gamma", {{"Need3DOn2D", ""}});
        HWND setup = Modeless("MainDlg", MainDlgProc);
        HWND list = GetDlgItem(setup, IDC_HINT_LIST);
        ASSERT_EQ(Join(ListLines(list)), Listed);
        ASSERT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row.select), 0);
        std::vector<Box> boxes;
        WhileModal([&] { row.act(setup); PumpDialog(setup); }, row.steps, &boxes);
        EXPECT_TRUE(IsWindowVisible(setup));
        EXPECT_EQ(Records(), row.records);
        EXPECT_EQ(Join(ListLines(list)), row.lines);
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), row.selection);
        EXPECT_EQ(Shown(boxes), row.boxes);
        for (const Box &b : boxes)
            EXPECT_EQ(b.owner, setup);
    }
    EXPECT_EQ(editShown, "Beta");
}

TEST_F(HintDialogTest, OnlyExitAndTheCloseBoxEndTheSetupDialog)
{
    struct Case {
        const char *what;
        std::function<void(HWND)> end;
    } cases[] = {
        {"Exit clicked", [](HWND d) { Click(d, IDC_HINT_EXIT); }},
        {"Enter on a focused Exit", [](HWND d) {
             // As tabbing does: the focused push button becomes the default one.
             SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(d, IDC_HINT_EXIT)), TRUE);
             Key(d, IDC_HINT_EXIT, VK_RETURN);
         }},
        {"close box", CloseBox},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        INT_PTR result = -1;
        bool survivedKeys = false;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0); },
                   {OnDialog(IDC_HINT_LIST, [](HWND d) {
                        Key(d, IDC_HINT_LIST, VK_ESCAPE);
                        Key(d, IDC_HINT_LIST, VK_RETURN);
                    }),
                    OnDialog(IDC_HINT_LIST, [&](HWND d) {
                        survivedKeys = true;
                        c.end(d);
                    })});
        EXPECT_TRUE(survivedKeys);
        EXPECT_EQ(result, 1);
    }
}

const std::string Long40 = "0123456789abcdefghijABCDEFGHIJklmnopqrst";

TEST_F(HintDialogTest, AddCreatesOnOkAndEnterAndRefusesUnusableNames)
{
    struct Case {
        const char *what;
        bool existing;
        std::string name, description;
        Ending how;
        std::string records;
        const char *box;
    } cases[] = {
        {"OK", false, "Demo", "racing", ByOk, "Demo{Description=racing,Need3DOn2D=1}", ""},
        {"empty description", false, "Demo", "", ByOk, "Demo{Description=,Need3DOn2D=1}", ""},
        {"cut to 17 and 31", false, "ABCDEFGHIJKLMNOPQRSTUV", Long40, ByOk,
         "ABCDEFGHIJKLMNOPQ{Description=" + Long40.substr(0, 31) + ",Need3DOn2D=1}", ""},
        {"exactly 17 and 31", false, "ABCDEFGHIJKLMNOPQ", Long40.substr(0, 31), ByOk,
         "ABCDEFGHIJKLMNOPQ{Description=" + Long40.substr(0, 31) + ",Need3DOn2D=1}", ""},
        {"Enter", false, "Demo", "racing", ByEnter, "Demo{Description=racing,Need3DOn2D=1}", ""},
        {"Cancel", false, "Demo", "racing", ByCancel, "", ""},
        {"close box", false, "Demo", "racing", ByCloseBox, "", ""},
        {"Esc", false, "Demo", "racing", ByEsc, "", ""},
        {"rewrites an existing record", true, "Demo", "new", ByOk, "Demo{Description=new,Need3DOn2D=1,Other=kept}", ""},
        {"empty name", false, "", "racing", ByOk, "", "Please enter the name of the application. / Halvane D3D Setup"},
        {"name with a separator", false, "Demo\\Sub", "racing", ByOk, "",
         "The name of the application cannot contain \"\\\". / Halvane D3D Setup"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        if (c.existing)
            SeedRecord("Demo", {{"Description", "old"}, {"Need3DOn2D", "0"}, {"Other", "kept"}});
        HWND add = NULL, focus = NULL;
        std::string kept;
        std::vector<Box> boxes;
        std::vector<Step> steps = {OnDialog(IDC_ADD_NAME, [&](HWND d) {
            add = d;
            focus = GetFocus() == GetDlgItem(d, IDC_ADD_NAME) ? d : NULL;
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
        INT_PTR result = -1;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "AddProgramDlg", NULL, AddProgramDlgProc, 0); }, steps,
                   &boxes);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(focus, add) << "the name field has the focus on opening";
        EXPECT_EQ(Records(), c.records);
        EXPECT_TRUE(ValueNames(HINTS_PATH).empty()) << "values landed on the hints key itself";
        EXPECT_EQ(Shown(boxes), c.box);
        if (*c.box) {
            EXPECT_EQ(boxes[0].owner, add);
            EXPECT_EQ(kept, c.name + "|" + c.description);
        }
    }
}

const std::string Long300(300, 'd'), Long2000(2000, 'w');
const char *const Gone = "The selected application is no longer in the registry. / Halvane D3D Setup";

TEST_F(HintDialogTest, EditShowsTheRecordAndWritesOnlyOnOkAndEnter)
{
    const Values racing1 = {{"Description", "racing"}, {"Need3DOn2D", "1"}};
    const Values arcade0 = {{"Description", "arcade"}, {"Need3DOn2D", "0"}};
    struct Case {
        const char *what;
        LONG position;
        Values stored;
        const char *typed; // NULL: the field left as shown
        int check;         // -1: the box left as shown
        Ending how;
        std::string shown; // description and check state; empty when no Edit dialog shows
        Values after;
        const char *box;
    } cases[] = {
        {"OK writes both", 1, racing1, "arcade", BST_UNCHECKED, ByOk, "racing|1", arcade0, ""},
        {"Enter writes both", 1, racing1, "arcade", BST_UNCHECKED, ByEnter, "racing|1", arcade0, ""},
        {"Cancel writes nothing", 1, racing1, "arcade", BST_UNCHECKED, ByCancel, "racing|1", racing1, ""},
        {"close box writes nothing", 1, racing1, "arcade", BST_UNCHECKED, ByCloseBox, "racing|1", racing1, ""},
        {"Esc writes nothing", 1, racing1, "arcade", BST_UNCHECKED, ByEsc, "racing|1", racing1, ""},
        {"flag 0 shows clear", 1, {{"Need3DOn2D", "0"}}, nullptr, -1, ByOk, "|0",
         {{"Description", ""}, {"Need3DOn2D", "0"}}, ""},
        {"no values: ticked, saves 1 and empty", 1, {}, nullptr, -1, ByOk, "|1",
         {{"Description", ""}, {"Need3DOn2D", "1"}}, ""},
        {"edited text cut to 31", 1, racing1, Long40.c_str(), -1, ByOk, "racing|1",
         {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}, ""},
        {"untouched long text written back whole", 1, {{"Description", Long40}, {"Need3DOn2D", "0"}}, nullptr,
         BST_CHECKED, ByOk, Long40 + "|0", {{"Description", Long40}, {"Need3DOn2D", "1"}}, ""},
        {"untouched 300 kept", 1, {{"Description", Long300}}, nullptr, -1, ByOk, Long300 + "|1",
         {{"Description", Long300}, {"Need3DOn2D", "1"}}, ""},
        {"untouched text too long to read whole is left alone", 1, {{"Description", Long2000}, {"Need3DOn2D", "1"}},
         nullptr, BST_UNCHECKED, ByOk, Long2000.substr(0, 1023) + "|1", {{"Description", Long2000}, {"Need3DOn2D", "0"}},
         ""},
        {"past the last record", 2, racing1, nullptr, -1, ByOk, "", racing1, Gone},
        {"no selection", -1, racing1, nullptr, -1, ByOk, "", racing1, Gone},
        {"record grants read access only", 1, racing1, nullptr, -1, ByOk, "", racing1,
         "The registry entry of the selected application cannot be opened for changing. / Halvane D3D Setup"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        SeedRecord("Before", {{"Description", "b"}});
        SeedRecord("Demo", c.stored);
        if (*c.box && c.position == 1) {
            ASSERT_TRUE(MarkReadOnly(RecordPath("Demo")));
        }
        std::string shown;
        std::vector<Step> steps;
        if (!*c.box) // where the Edit dialog must not show, a shown one is ended by force and fails
            steps.push_back(OnDialog(IDC_EDIT_DESCRIPTION, [&](HWND edit) {
                HWND name = GetDlgItem(edit, IDC_EDIT_NAME);
                EXPECT_EQ(ControlText(name), "Demo");
                EXPECT_NE(GetWindowLongA(name, GWL_STYLE) & ES_READONLY, 0);
                shown = ControlText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION)) + "|" +
                        std::to_string(SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_GETCHECK, 0, 0));
                if (c.typed)
                    SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, c.typed);
                if (c.check >= 0)
                    SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
                End(edit, c.how, IDC_EDIT_DESCRIPTION);
            }));
        SelectedHintIndex = c.position;
        std::vector<Box> boxes;
        INT_PTR result = -1;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0); }, steps, &boxes);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(Shown(boxes), c.box);
        EXPECT_EQ(RecordValues("Demo"), c.after);
        EXPECT_EQ(Join(SubkeyNames(HINTS_PATH)), "Before|Demo");
        EXPECT_EQ(RecordValues("Before"), (Values{{"Description", "b"}}));
    }
}

// Each Edit dialog saves through its own keys, whatever the other does meanwhile.
TEST_F(HintDialogTest, TwoEditDialogsKeepTheirOwnRecords)
{
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "1"}});
    SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "1"}});
    SelectedHintIndex = 0;
    HWND first = Modeless("EditDlg", EditDlgProc);
    SelectedHintIndex = 1;
    HWND second = Modeless("EditDlg", EditDlgProc);
    SetDlgItemTextA(second, IDC_EDIT_DESCRIPTION, "second");
    Command(second, IDOK);
    SetDlgItemTextA(first, IDC_EDIT_DESCRIPTION, "first");
    SendDlgItemMessageA(first, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
    Command(first, IDOK);
    EXPECT_EQ(Records(), "Alpha{Description=first,Need3DOn2D=0} Beta{Description=second,Need3DOn2D=1}");
}

// The help viewer (its own process) asks about the missing file and holds this thread until it
// is answered; a second thread answers it.
DWORD HelpViewer;

DWORD WINAPI AnswerHelpViewer(LPVOID)
{
    for (int i = 0; i < 500 && !HelpViewer; i++, Sleep(10))
        for (HWND box : VisibleDialogs()) {
            std::vector<std::string> texts = ChildTexts(box);
            if (std::any_of(texts.begin(), texts.end(), [](const std::string &t) { return t.find("qtxhelp.hlp") != t.npos; })) {
                GetWindowThreadProcessId(box, &HelpViewer);
                PostMessageA(box, WM_COMMAND, IDNO, 0);
            }
        }
    return 0;
}

TEST_F(HintDialogTest, HelpWithoutTheFileLeavesTheDialogGoingOn)
{
    SeedRecord("Alpha", {});
    HWND setup = Modeless("MainDlg", MainDlgProc);
    SendDlgItemMessageA(setup, IDC_HINT_LIST, LB_SETCURSEL, 0, 0);
    HANDLE watcher = CreateThread(NULL, 0, AnswerHelpViewer, NULL, 0, NULL);
    Command(setup, IDC_HINT_HELP);
    WaitForSingleObject(watcher, 10000);
    CloseHandle(watcher);
    EXPECT_TRUE(IsWindowVisible(setup));
    EXPECT_EQ(Join(ListLines(GetDlgItem(setup, IDC_HINT_LIST))), "Alpha\tnone\tOff");
    EXPECT_EQ(SendDlgItemMessageA(setup, IDC_HINT_LIST, LB_GETCURSEL, 0, 0), 0);
    // The viewer the command started stays resident: ask it to go, end it if it does not.
    if (HANDLE process = HelpViewer ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, HelpViewer) : NULL) {
        WinHelpA(setup, "qtxhelp.hlp", HELP_QUIT, 0);
        if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

} // namespace
