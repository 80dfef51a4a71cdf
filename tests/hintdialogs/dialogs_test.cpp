// The setup, Add and Edit dialogs in process, created from the real templates with the real
// procedures, over a scratch registry.
#include "dialogtest.h"

#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

typedef std::vector<std::string> Lines;

bool Contains(const std::vector<std::string> &texts, const std::string &text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Delivers queued messages the way a dialog's modal loop does, keys through IsDialogMessage.
void PumpDialog(HWND dialog)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// What a message box showed, filled in by the step that answers it.
struct BoxSeen {
    HWND owner = NULL;
    std::string caption;
    std::vector<std::string> texts;
};

// A step that reads the message box that is shown and answers it with OK.
Step AnswerMessageBox(BoxSeen &seen)
{
    return [&seen] {
        HWND box = ShownMessageBox();
        if (!box)
            return false;
        seen.owner = GetWindow(box, GW_OWNER);
        seen.caption = WindowText(box);
        seen.texts = ChildTexts(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Key(HWND dialog, int controlId, WPARAM key) { PostMessageA(GetDlgItem(dialog, controlId), WM_KEYDOWN, key, 0); }
void CloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

class HintDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppInstance = GetModuleHandleA(NULL);
        SelectedHintIndex = -1;
    }

    void TearDown() override
    {
        for (HWND w : created)
            if (IsWindow(w))
                DestroyWindow(w);
    }

    // The setup dialog, modeless, so that the test can look at it between commands.
    HWND OpenSetup()
    {
        HWND dialog = CreateDialogParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0);
        EXPECT_NE(dialog, nullptr);
        created.push_back(dialog);
        return dialog;
    }

    static HWND List(HWND setup) { return GetDlgItem(setup, IDC_HINT_LIST); }
    static Lines SetupLines(HWND setup) { return ListLines(List(setup)); }
    static LRESULT Selection(HWND setup) { return SendMessageA(List(setup), LB_GETCURSEL, 0, 0); }
    static void Select(HWND setup, int line) { SendMessageA(List(setup), LB_SETCURSEL, line, 0); }
    static void Command(HWND dialog, WORD id, WORD notification = 0)
    {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    INT_PTR RunAdd(const std::vector<Step> &steps)
    {
        INT_PTR result = -1;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "AddProgramDlg", NULL, AddProgramDlgProc, 0); }, steps);
        return result;
    }

    INT_PTR RunEdit(LONG position, const std::vector<Step> &steps)
    {
        SelectedHintIndex = position;
        INT_PTR result = -1;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0); }, steps);
        return result;
    }

    ScratchRegistry registry;
    std::vector<HWND> created;
};

// ---- setup dialog ------------------------------------------------------------------------------

TEST_F(HintDialogTest, SetupListsOneLinePerRecordUnselected)
{
    SeedRecord("Alpha", {{"Description", "racing"}, {"Need3DOn2D", "0"}});
    SeedRecord("Beta", {});
    SeedRecord("Gamma", {{"Description", ""}, {"Need3DOn2D", "1"}});
    HWND setup = OpenSetup();
    EXPECT_EQ(SetupLines(setup), (Lines{"Alpha\tracing\tOff", "Beta\tnone\tOff", "Gamma\tnone\tOn"}));
    EXPECT_EQ(Selection(setup), LB_ERR);
    EXPECT_EQ(GetWindowLongA(List(setup), GWL_STYLE) & LBS_SORT, 0);
}

TEST_F(HintDialogTest, DoubleClickFlipsOnceTheListBoxIsDone)
{
    struct Case {
        const char *name;
        const char *stored;
        const char *flipped;
        const char *line;
    } cases[] = {
        {"Alpha", "0", "1", "Alpha\tracing\tOn"},
        {"Beta", "1", "0", "Beta\tracing\tOff"},
        {"Gamma", "", "0", "Gamma\tracing\tOff"},
        {"Delta", "x", "0", "Delta\tracing\tOff"},
    };
    for (const auto &c : cases)
        SeedRecord(c.name, {{"Description", "racing"}, {"Need3DOn2D", c.stored}, {"Other", "kept"}});
    std::vector<std::string> names = RecordNames();
    HWND setup = OpenSetup();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        int line = static_cast<int>(std::find(names.begin(), names.end(), c.name) - names.begin());
        Select(setup, line);
        Command(setup, IDC_HINT_LIST, LBN_DBLCLK);
        EXPECT_EQ(RecordValues(c.name)["Need3DOn2D"], c.stored) << "flipped before the posted command ran";
        EXPECT_TRUE(WaitUntil([&] { return RecordValues(c.name)["Need3DOn2D"] == c.flipped; }, 5000));
        EXPECT_EQ(RecordValues(c.name), (Values{{"Description", "racing"}, {"Need3DOn2D", c.flipped}, {"Other", "kept"}}));
        Lines lines = SetupLines(setup);
        ASSERT_EQ(lines.size(), names.size());
        EXPECT_EQ(lines[line], c.line);
        EXPECT_EQ(Selection(setup), LB_ERR);
    }
}

TEST_F(HintDialogTest, OtherListNotificationsDoNothing)
{
    SeedRecord("Alpha", {{"Need3DOn2D", "1"}});
    HWND setup = OpenSetup();
    Select(setup, 0);
    for (WORD notification : {WORD(LBN_SELCHANGE), WORD(LBN_SETFOCUS), WORD(LBN_KILLFOCUS), WORD(LBN_SELCANCEL)})
        Command(setup, IDC_HINT_LIST, notification);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, setup, WM_COMMAND, WM_COMMAND, PM_NOREMOVE)) << "a command was posted";
    EXPECT_EQ(RecordValues("Alpha")["Need3DOn2D"], "1");
}

TEST_F(HintDialogTest, FlipWithoutSelectionAsksAndChangesNothing)
{
    for (bool empty : {true, false}) {
        SCOPED_TRACE(empty ? "empty list" : "nothing selected");
        if (!empty)
            SeedRecord("Alpha", {{"Need3DOn2D", "1"}});
        HWND setup = OpenSetup();
        BoxSeen box;
        WhileModal([&] { Command(setup, IDC_HINT_FLIP); }, {AnswerMessageBox(box)});
        EXPECT_EQ(box.owner, setup);
        EXPECT_EQ(box.caption, "Registry Utility");
        EXPECT_TRUE(Contains(box.texts, "Please select an item from the list box"));
        if (!empty) {
            EXPECT_EQ(RecordValues("Alpha")["Need3DOn2D"], "1");
        }
    }
}

TEST_F(HintDialogTest, EditAndDeleteWithoutSelectionDoNothing)
{
    SeedRecord("Alpha", {{"Need3DOn2D", "1"}});
    HWND setup = OpenSetup();
    // No step: any dialog that opened would be ended by the driver, failing the test.
    WhileModal([&] { Command(setup, IDC_HINT_EDIT); }, {});
    Command(setup, IDC_HINT_DELETE);
    EXPECT_EQ(RecordNames(), Lines{"Alpha"});
    EXPECT_EQ(SelectedHintIndex, -1);
}

TEST_F(HintDialogTest, DeleteRemovesTheSelectedRecordWithoutAsking)
{
    SeedRecord("Alpha", {});
    SeedRecord("Beta", {});
    SeedRecord("Gamma", {});
    HWND setup = OpenSetup();
    Select(setup, 1);
    WhileModal([&] { Command(setup, IDC_HINT_DELETE); }, {});
    EXPECT_EQ(RecordNames(), (Lines{"Alpha", "Gamma"}));
    EXPECT_EQ(SetupLines(setup), (Lines{"Alpha\tnone\tOff", "Gamma\tnone\tOff"}));
    EXPECT_EQ(Selection(setup), LB_ERR);
    EXPECT_EQ(SelectedHintIndex, 1);
}

TEST_F(HintDialogTest, SetupIgnoresOkCancelEnterAndEsc)
{
    SeedRecord("Alpha", {});
    HWND setup = OpenSetup();
    Select(setup, 0);
    for (WORD id : {WORD(IDOK), WORD(IDCANCEL), WORD(9999)})
        Command(setup, id);
    Key(setup, IDC_HINT_LIST, VK_ESCAPE);
    Key(setup, IDC_HINT_LIST, VK_RETURN);
    PumpDialog(setup);
    EXPECT_TRUE(IsWindowVisible(setup));
    EXPECT_EQ(SetupLines(setup), Lines{"Alpha\tnone\tOff"});
    EXPECT_EQ(Selection(setup), 0) << "an ignored command refilled the list";
    EXPECT_EQ(RecordNames(), Lines{"Alpha"});
}

TEST_F(HintDialogTest, OnlyExitAndTheCloseBoxEndTheSetupDialog)
{
    struct Case {
        const char *name;
        std::function<void(HWND)> end;
    } cases[] = {
        {"Exit clicked", [](HWND d) { Click(d, IDC_HINT_EXIT); }},
        {"Exit by Enter with focus", [](HWND d) {
             // As tabbing does: the focused push button becomes the default one.
             SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(d, IDC_HINT_EXIT)), TRUE);
             Key(d, IDC_HINT_EXIT, VK_RETURN);
         }},
        {"close box", CloseBox},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        INT_PTR result = -1;
        bool survivedEsc = false;
        WhileModal([&] { result = DialogBoxParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0); },
                   {[&] {
                        HWND d = ShownDialog(IDC_HINT_LIST);
                        if (!d)
                            return false;
                        Key(d, IDC_HINT_LIST, VK_ESCAPE);
                        Key(d, IDC_HINT_LIST, VK_RETURN);
                        return true;
                    },
                    [&] {
                        HWND d = ShownDialog(IDC_HINT_LIST);
                        survivedEsc = d != NULL;
                        if (d)
                            c.end(d);
                        return true;
                    }});
        EXPECT_TRUE(survivedEsc);
        EXPECT_EQ(result, 1);
    }
}

TEST_F(HintDialogTest, AddRefillsAfterOkAndAfterCancel)
{
    HWND setup = OpenSetup();
    WhileModal([&] { Command(setup, IDC_HINT_ADD); },
               {[&] {
                   HWND add = ShownDialog(IDC_ADD_NAME);
                   if (!add)
                       return false;
                   SetDlgItemTextA(add, IDC_ADD_NAME, "Demo");
                   SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "racing");
                   Click(add, IDOK);
                   return true;
               }});
    EXPECT_EQ(SetupLines(setup), Lines{"Demo\tracing\tOn"});

    // A record that appears while the Add dialog is open shows after Cancel.
    WhileModal([&] { Command(setup, IDC_HINT_ADD); },
               {[&] {
                   HWND add = ShownDialog(IDC_ADD_NAME);
                   if (!add)
                       return false;
                   SeedRecord("Other", {});
                   Click(add, IDCANCEL);
                   return true;
               }});
    EXPECT_EQ(SetupLines(setup), (Lines{"Demo\tracing\tOn", "Other\tnone\tOff"}));
}

TEST_F(HintDialogTest, EditFromSetupWorksOnTheSelectedLineAndRefills)
{
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "1"}});
    SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "1"}});
    HWND setup = OpenSetup();
    Select(setup, 1);
    std::string shownName;
    WhileModal([&] { Command(setup, IDC_HINT_EDIT); },
               {[&] {
                   HWND edit = ShownDialog(IDC_EDIT_DESCRIPTION);
                   if (!edit)
                       return false;
                   shownName = WindowText(GetDlgItem(edit, IDC_EDIT_NAME));
                   SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, "changed");
                   SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
                   Click(edit, IDOK);
                   return true;
               }});
    EXPECT_EQ(shownName, "Beta");
    EXPECT_EQ(RecordValues("Beta"), (Values{{"Description", "changed"}, {"Need3DOn2D", "0"}}));
    EXPECT_EQ(RecordValues("Alpha"), (Values{{"Description", "a"}, {"Need3DOn2D", "1"}}));
    EXPECT_EQ(SetupLines(setup), (Lines{"Alpha\ta\tOn", "Beta\tchanged\tOff"}));
    EXPECT_EQ(Selection(setup), LB_ERR);
}

TEST_F(HintDialogTest, EditOfAVanishedRecordSaysSoAndWritesNothing)
{
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "0"}});
    SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "0"}});
    HWND setup = OpenSetup();
    Select(setup, 1);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Beta"); // behind the dialog's back
    BoxSeen box;
    Step answer = AnswerMessageBox(box);
    bool editShown = false;
    WhileModal([&] { Command(setup, IDC_HINT_EDIT); },
               {[&] {
                   editShown = editShown || ShownDialog(IDC_EDIT_DESCRIPTION) != NULL;
                   return answer();
               }});
    EXPECT_FALSE(editShown);
    EXPECT_EQ(box.owner, setup);
    EXPECT_EQ(box.caption, "Halvane D3D Setup");
    EXPECT_TRUE(Contains(box.texts, "The selected application is no longer in the registry."));
    EXPECT_EQ(RecordNames(), Lines{"Alpha"});
    EXPECT_EQ(RecordValues("Alpha"), (Values{{"Description", "a"}, {"Need3DOn2D", "0"}}));
    EXPECT_EQ(SetupLines(setup), Lines{"Alpha\ta\tOff"});
}

TEST_F(HintDialogTest, BrowseDoesNotRefill)
{
    SeedRecord("Alpha", {});
    HWND setup = OpenSetup();
    SeedRecord("Beta", {});
    bool browserShown = false;
    WhileModal([&] { Command(setup, IDC_HINT_BROWSE); },
               {[&] {
                   HWND browser = ShownDialog(IDC_REG_KEYS);
                   if (!browser)
                       return false;
                   browserShown = true;
                   CloseBox(browser);
                   return true;
               }});
    EXPECT_TRUE(browserShown);
    EXPECT_EQ(SetupLines(setup), Lines{"Alpha\tnone\tOff"});
}

// ---- Add dialog ---------------------------------------------------------------------------------

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

const std::string Long40 = "0123456789abcdefghijABCDEFGHIJklmnopqrst";

TEST_F(HintDialogTest, AddCreatesOnOkAndEnterOnly)
{
    struct Case {
        const char *name;
        std::string typedName, typedDescription;
        Ending how;
        std::map<std::string, Values> records;
    } cases[] = {
        {"OK", "Demo", "racing", ByOk, {{"Demo", {{"Description", "racing"}, {"Need3DOn2D", "1"}}}}},
        {"empty description", "Demo", "", ByOk, {{"Demo", {{"Description", ""}, {"Need3DOn2D", "1"}}}}},
        {"cut to 17 and 31", "ABCDEFGHIJKLMNOPQRSTUV", Long40, ByOk,
         {{"ABCDEFGHIJKLMNOPQ", {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}}}},
        {"exactly 17 and 31", "ABCDEFGHIJKLMNOPQ", Long40.substr(0, 31), ByOk,
         {{"ABCDEFGHIJKLMNOPQ", {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}}}},
        {"Enter", "Demo", "racing", ByEnter, {{"Demo", {{"Description", "racing"}, {"Need3DOn2D", "1"}}}}},
        {"Cancel", "Demo", "racing", ByCancel, {}},
        {"close box", "Demo", "racing", ByCloseBox, {}},
        {"Esc", "Demo", "racing", ByEsc, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ClearRecords();
        HWND focus = NULL, nameField = NULL;
        INT_PTR result = RunAdd({[&] {
            HWND add = ShownDialog(IDC_ADD_NAME);
            if (!add)
                return false;
            focus = GetFocus();
            nameField = GetDlgItem(add, IDC_ADD_NAME);
            SetDlgItemTextA(add, IDC_ADD_NAME, c.typedName.c_str());
            SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, c.typedDescription.c_str());
            End(add, c.how, IDC_ADD_DESCRIPTION);
            return true;
        }});
        EXPECT_EQ(result, 1);
        EXPECT_EQ(focus, nameField) << "the name field has the focus on opening";
        std::map<std::string, Values> records;
        for (const auto &name : RecordNames())
            records[name] = RecordValues(name);
        EXPECT_EQ(records, c.records);
    }
}

TEST_F(HintDialogTest, AddRewritesAnExistingRecord)
{
    SeedRecord("Demo", {{"Description", "old"}, {"Need3DOn2D", "0"}, {"Other", "kept"}});
    RunAdd({[&] {
        HWND add = ShownDialog(IDC_ADD_NAME);
        if (!add)
            return false;
        SetDlgItemTextA(add, IDC_ADD_NAME, "Demo");
        SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "new");
        Click(add, IDOK);
        return true;
    }});
    EXPECT_EQ(RecordNames(), Lines{"Demo"});
    EXPECT_EQ(RecordValues("Demo"), (Values{{"Description", "new"}, {"Need3DOn2D", "1"}, {"Other", "kept"}}));
}

TEST_F(HintDialogTest, AddRefusesUnusableNamesAndKeepsTheInput)
{
    struct Case {
        const char *name;
        const char *typedName;
        const char *message;
    } cases[] = {
        {"empty name", "", "Please enter the name of the application."},
        {"name with separator", "Demo\\Sub", "The name of the application cannot contain \"\\\"."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HWND add = NULL;
        BoxSeen box;
        std::string nameAfter, descriptionAfter;
        INT_PTR result = RunAdd({
            [&] {
                if (!(add = ShownDialog(IDC_ADD_NAME)))
                    return false;
                SetDlgItemTextA(add, IDC_ADD_NAME, c.typedName);
                SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "racing");
                Click(add, IDOK);
                return true;
            },
            AnswerMessageBox(box),
            [&] {
                if (ShownMessageBox() || !ShownDialog(IDC_ADD_NAME))
                    return false;
                nameAfter = WindowText(GetDlgItem(add, IDC_ADD_NAME));
                descriptionAfter = WindowText(GetDlgItem(add, IDC_ADD_DESCRIPTION));
                Click(add, IDCANCEL);
                return true;
            },
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(box.owner, add);
        EXPECT_EQ(box.caption, "Halvane D3D Setup");
        EXPECT_TRUE(Contains(box.texts, c.message));
        EXPECT_EQ(nameAfter, c.typedName);
        EXPECT_EQ(descriptionAfter, "racing");
        EXPECT_TRUE(RecordNames().empty());
        HKEY hints;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &hints) == ERROR_SUCCESS) {
            DWORD values = 0;
            RegQueryInfoKeyA(hints, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
            EXPECT_EQ(values, 0u) << "values landed on the hints key itself";
            RegCloseKey(hints);
        }
    }
}

// ---- Edit dialog --------------------------------------------------------------------------------

const std::string Long300(300, 'd');
const std::string Long2000(2000, 'w');
const std::string Long41 = Long40 + "x";

TEST_F(HintDialogTest, EditShowsTheRecordAndSavesOnlyOnOkAndEnter)
{
    struct Case {
        const char *name;
        Values stored;
        const char *typedDescription; // NULL: field left as shown
        int check;                    // -1: box left as shown
        Ending how;
        std::string shownDescription;
        LRESULT shownCheck;
        Values after;
    } cases[] = {
        {"OK writes both", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, "arcade", BST_UNCHECKED, ByOk,
         "racing", BST_CHECKED, {{"Description", "arcade"}, {"Need3DOn2D", "0"}}},
        {"flag 0 shows clear", {{"Description", "racing"}, {"Need3DOn2D", "0"}}, nullptr, -1, ByOk,
         "racing", BST_UNCHECKED, {{"Description", "racing"}, {"Need3DOn2D", "0"}}},
        {"no values: ticked, saves 1 and empty", {}, nullptr, -1, ByOk,
         "", BST_CHECKED, {{"Description", ""}, {"Need3DOn2D", "1"}}},
        {"edited text cut to 31", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, Long40.c_str(), -1, ByOk,
         "racing", BST_CHECKED, {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}},
        {"untouched long text kept", {{"Description", Long40}, {"Need3DOn2D", "0"}}, nullptr, BST_CHECKED, ByOk,
         Long40, BST_UNCHECKED, {{"Description", Long40}, {"Need3DOn2D", "1"}}},
        {"untouched 300 kept", {{"Description", Long300}, {"Need3DOn2D", "1"}}, nullptr, -1, ByOk,
         Long300, BST_CHECKED, {{"Description", Long300}, {"Need3DOn2D", "1"}}},
        {"edited long text cut", {{"Description", Long40}, {"Need3DOn2D", "1"}}, Long41.c_str(), -1, ByOk,
         Long40, BST_CHECKED, {{"Description", Long40.substr(0, 31)}, {"Need3DOn2D", "1"}}},
        {"Enter saves", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, "arcade", BST_UNCHECKED, ByEnter,
         "racing", BST_CHECKED, {{"Description", "arcade"}, {"Need3DOn2D", "0"}}},
        {"Cancel writes nothing", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, "arcade", BST_UNCHECKED, ByCancel,
         "racing", BST_CHECKED, {{"Description", "racing"}, {"Need3DOn2D", "1"}}},
        {"close box writes nothing", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, "arcade", BST_UNCHECKED,
         ByCloseBox, "racing", BST_CHECKED, {{"Description", "racing"}, {"Need3DOn2D", "1"}}},
        {"Esc writes nothing", {{"Description", "racing"}, {"Need3DOn2D", "1"}}, "arcade", BST_UNCHECKED, ByEsc,
         "racing", BST_CHECKED, {{"Description", "racing"}, {"Need3DOn2D", "1"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ClearRecords();
        SeedRecord("Before", {{"Description", "b"}});
        SeedRecord("Demo", c.stored);
        std::string shownName, shownDescription;
        LRESULT shownCheck = -1;
        LONG nameStyle = 0;
        INT_PTR result = RunEdit(1, {[&] {
            HWND edit = ShownDialog(IDC_EDIT_DESCRIPTION);
            if (!edit)
                return false;
            shownName = WindowText(GetDlgItem(edit, IDC_EDIT_NAME));
            shownDescription = WindowText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION));
            shownCheck = SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_GETCHECK, 0, 0);
            nameStyle = GetWindowLongA(GetDlgItem(edit, IDC_EDIT_NAME), GWL_STYLE);
            if (c.typedDescription)
                SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, c.typedDescription);
            if (c.check >= 0)
                SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
            End(edit, c.how, IDC_EDIT_DESCRIPTION);
            return true;
        }});
        EXPECT_EQ(result, 1);
        EXPECT_EQ(shownName, "Demo");
        EXPECT_NE(nameStyle & ES_READONLY, 0);
        EXPECT_EQ(shownDescription, c.shownDescription);
        EXPECT_EQ(shownCheck, c.shownCheck);
        EXPECT_EQ(RecordValues("Demo"), c.after);
        EXPECT_EQ(RecordNames(), (Lines{"Before", "Demo"}));
        EXPECT_EQ(RecordValues("Before"), (Values{{"Description", "b"}}));
    }
}

// A description longer than the store reads whole is shown cut; OK with the field untouched
// must leave the stored text as it is.
TEST_F(HintDialogTest, EditOkLeavesADescriptionTooLongToReadAlone)
{
    SeedRecord("Demo", {{"Description", Long2000}, {"Need3DOn2D", "1"}});
    std::string shown;
    RunEdit(0, {[&] {
        HWND edit = ShownDialog(IDC_EDIT_DESCRIPTION);
        if (!edit)
            return false;
        shown = WindowText(GetDlgItem(edit, IDC_EDIT_DESCRIPTION));
        SendDlgItemMessageA(edit, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
        Click(edit, IDOK);
        return true;
    }});
    EXPECT_LT(shown.size(), Long2000.size());
    EXPECT_EQ(RecordValues("Demo"), (Values{{"Description", Long2000}, {"Need3DOn2D", "0"}}));
}

TEST_F(HintDialogTest, EditThatCannotOpenItsRecordShowsNothingAndWritesNothing)
{
    const char *gone = "The selected application is no longer in the registry.";
    const char *locked = "The registry entry of the selected application cannot be opened for changing.";
    struct Case {
        const char *name;
        LONG position;
        bool readOnly;
        const char *message;
    } cases[] = {
        {"past the last record", 1, false, gone},
        {"far past", 5, false, gone},
        {"no selection", -1, false, gone},
        {"record grants read access only", 0, true, locked},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ClearRecords();
        SeedRecord("Demo", {{"Description", "racing"}, {"Need3DOn2D", "0"}});
        if (c.readOnly) {
            ASSERT_TRUE(MarkRecordReadOnly("Demo"));
        }
        BoxSeen box;
        Step answer = AnswerMessageBox(box);
        bool editShown = false;
        INT_PTR result = RunEdit(c.position, {[&] {
            editShown = editShown || ShownDialog(IDC_EDIT_DESCRIPTION) != NULL;
            return answer();
        }});
        EXPECT_EQ(result, 1);
        EXPECT_FALSE(editShown);
        EXPECT_EQ(box.caption, "Halvane D3D Setup");
        EXPECT_TRUE(Contains(box.texts, c.message));
        EXPECT_EQ(RecordNames(), Lines{"Demo"});
        EXPECT_EQ(RecordValues("Demo"), (Values{{"Description", "racing"}, {"Need3DOn2D", "0"}}));
    }
}

// Two Edit dialogs open at once, each on its own record, each saving through its own keys.
TEST_F(HintDialogTest, TwoEditDialogsKeepTheirOwnRecords)
{
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "1"}});
    SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "1"}});
    SelectedHintIndex = 0;
    HWND first = CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0);
    created.push_back(first);
    SelectedHintIndex = 1;
    HWND second = CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0);
    created.push_back(second);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(WindowText(GetDlgItem(first, IDC_EDIT_NAME)), "Alpha");
    EXPECT_EQ(WindowText(GetDlgItem(second, IDC_EDIT_NAME)), "Beta");
    SetDlgItemTextA(second, IDC_EDIT_DESCRIPTION, "second");
    Command(second, IDOK);
    SetDlgItemTextA(first, IDC_EDIT_DESCRIPTION, "first");
    SendDlgItemMessageA(first, IDC_EDIT_COMPOSITING, BM_SETCHECK, BST_UNCHECKED, 0);
    Command(first, IDOK);
    EXPECT_EQ(RecordValues("Alpha"), (Values{{"Description", "first"}, {"Need3DOn2D", "0"}}));
    EXPECT_EQ(RecordValues("Beta"), (Values{{"Description", "second"}, {"Need3DOn2D", "1"}}));
}

} // namespace

namespace {

// What the help viewer shows for the missing file, answered from a second thread because the
// viewer's question holds the setup dialog's thread until it is answered.
struct HelpWatch {
    bool answered = false;
    DWORD viewer = 0;
};

DWORD WINAPI WatchHelpViewer(LPVOID param)
{
    HelpWatch &watch = *static_cast<HelpWatch *>(param);
    for (int i = 0; i < 500 && !watch.answered; i++) {
        for (HWND box : VisibleDialogs()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            if (pid == GetCurrentProcessId())
                continue;
            std::vector<std::string> texts = ChildTexts(box);
            if (std::any_of(texts.begin(), texts.end(),
                            [](const std::string &t) { return t.find("qtxhelp.hlp") != std::string::npos; })) {
                watch.viewer = pid;
                watch.answered = true;
                PostMessageA(box, WM_COMMAND, IDNO, 0);
                break;
            }
        }
        Sleep(10);
    }
    return 0;
}

TEST_F(HintDialogTest, HelpWithoutTheFileLeavesTheDialogGoingOn)
{
    SeedRecord("Alpha", {});
    HWND setup = OpenSetup();
    Select(setup, 0);
    HelpWatch watch;
    HANDLE watcher = CreateThread(NULL, 0, WatchHelpViewer, &watch, 0, NULL);
    Command(setup, IDC_HINT_HELP);
    WaitForSingleObject(watcher, 10000);
    CloseHandle(watcher);
    EXPECT_TRUE(IsWindowVisible(setup));
    EXPECT_EQ(SetupLines(setup), Lines{"Alpha\tnone\tOff"});
    EXPECT_EQ(Selection(setup), 0);
    EXPECT_EQ(RecordNames(), Lines{"Alpha"});
    // The viewer that the command started stays resident; ask it to go, and end it if it does not.
    if (HANDLE viewer = watch.viewer ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, watch.viewer) : NULL) {
        WinHelpA(setup, "qtxhelp.hlp", HELP_QUIT, 0);
        if (!WaitUntil([&] { return WaitForSingleObject(viewer, 0) == WAIT_OBJECT_0; }, 5000))
            TerminateProcess(viewer, 1);
        CloseHandle(viewer);
    }
}

} // namespace
