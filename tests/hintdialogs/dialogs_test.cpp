// The setup, Add and Edit dialogs in process, from the real templates with the real procedures,
// over the registry under test.
#include "common/common.h"
#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

namespace {

void Command(HWND dialog, WORD id, WORD notification = 0)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool Centered(HWND dialog)
{
    RECT r = {};
    GetWindowRect(dialog, &r);
    return r.left == CenterOrigin(GetSystemMetrics(SM_CXSCREEN), r.right - r.left) &&
           r.top == CenterOrigin(GetSystemMetrics(SM_CYSCREEN), r.bottom - r.top);
}

struct HintDialogTest : RegistryTest {
    void Fresh() { Restart(), AppInstance = GetModuleHandleA(NULL), EditRequestingDialog = NULL; }
};

// The list after the command, its selection, " hidden" when the dialog ended, the boxes shown.
TEST_F(HintDialogTest, SetupCommands)
{
    const std::string listed = "Alpha\tracing\tOff|Beta\tnone\tOn", unchanged = listed + " 0";
    const std::tuple<const char *, int, std::function<void(HWND)>, std::vector<Step>, std::string> rows[] = {
        {"double-click posts 111, which flips", 0, [](HWND d) {
             Command(d, IDC_HINT_LIST, LBN_DBLCLK);
             EXPECT_EQ(Records("Alpha"), "Alpha{Description=racing,Need3DOn2D=0}") << "flipped before the posted command ran";
         }, {}, "Alpha\tracing\tOn|Beta\tnone\tOn -1"},
        {"without a selection only 111 says so", -1,
         [](HWND d) { Command(d, IDC_HINT_DELETE), Command(d, IDC_HINT_EDIT), Command(d, IDC_HINT_FLIP); }, {},
         listed + " -1 Please select an item from the list box / Registry Utility"},
        {"delete", 0, [](HWND d) { Command(d, IDC_HINT_DELETE); }, {}, "Beta\tnone\tOn -1"},
        {"double-click flips what stands there now", 0, [](HWND d) {
             RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Alpha"), Command(d, IDC_HINT_LIST, LBN_DBLCLK); }, {}, "Beta\tnone\tOff -1"},
        {"double-click where nothing stands now", 1, [](HWND d) {
             RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Beta"), Command(d, IDC_HINT_LIST, LBN_DBLCLK); }, {}, "Alpha\tracing\tOff -1"},
        {"a record granting reading only lists as stored; its flip is refused in words", 0, [](HWND d) {
             MarkReadOnly(RecordPath("Alpha")), Command(d, IDC_HINT_FLIP);
         }, {}, listed + " -1 The 2D/3D Compositing setting could not be changed: Windows refused the change. Administrator "
                "rights may be needed. / Registry Utility"},
        {"flip and delete refused", 0, [](HWND d) {
             SeedKey(RecordPath("Alpha\\sub")), MarkReadOnly(RecordPath("Alpha")), Command(d, IDC_HINT_FLIP);
             SendDlgItemMessageA(d, IDC_HINT_LIST, LB_SETCURSEL, 0, 0), Command(d, IDC_HINT_DELETE);
         }, {}, "Alpha\tracing\tOff|Beta\tnone\tOn -1 The 2D/3D Compositing setting could not be changed: Windows refused the "
                "change. Administrator rights may be needed. / Registry Utility\nThe application could not be removed: its registry "
                "entry holds subkeys, which this dialog does not remove. / Registry Utility"},
        {"1, 2, Enter and Esc ignored", 0, [](HWND d) {
             Command(d, IDOK), Command(d, IDCANCEL), Key(d, IDC_HINT_LIST, VK_ESCAPE), Key(d, IDC_HINT_LIST, VK_RETURN);
         }, {}, unchanged},
        {"Edit of the selected line, then refill", 1, [](HWND d) { Command(d, IDC_HINT_EDIT); },
         {OnDialog(IDC_EDIT_DESCRIPTION, [](HWND edit) { SetDlgItemTextA(edit, IDC_EDIT_DESCRIPTION, "changed"), Click(edit, IDOK); })},
         "Alpha\tracing\tOff|Beta\tchanged\tOn -1"},
        {"Edit of a record deleted meanwhile", 1,
         [](HWND d) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Beta"), Command(d, IDC_HINT_EDIT); }, {},
         "Alpha\tracing\tOff -1 The selected application is no longer in the registry. / Registry Utility"},
        {"Browse, no refill", 0, [](HWND d) { Command(d, IDC_HINT_BROWSE); },
         {OnDialog(IDC_REG_KEYS, [](HWND browser) {
             EXPECT_TRUE(Centered(browser));
             SeedRecord("Other", {}), CloseBox(browser);
         })}, unchanged},
        {"Add refills only its own dialog; Exit", 0, [&](HWND d) {
             HWND other = CreateDialogParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0);
             Command(d, IDC_HINT_ADD), Click(d, IDC_HINT_EXIT);
             EXPECT_EQ(Join(ListLines(GetDlgItem(other, IDC_HINT_LIST))), listed) << "the other setup dialog refilled";
             DestroyWindow(other);
         }, {OnDialog(IDC_ADD_NAME, [](HWND add) {
             SetDlgItemTextA(add, IDC_ADD_NAME, "Gamma"), SetDlgItemTextA(add, IDC_ADD_DESCRIPTION, "arcade"), Click(add, IDOK); })},
         listed + "|Gamma\tarcade\tOn -1 hidden"},
        {"close box", 0, CloseBox, {}, unchanged + " hidden"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::get<0>(row));
        Fresh();
        SeedKey(PRODUCT_PATH), SeedRecord("Alpha", {{"Description", "racing"}, {"Need3DOn2D", "0"}}), SeedRecord("Beta", {{"Need3DOn2D", "1"}});
        HWND setup = CreateDialogParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0), list = GetDlgItem(setup, IDC_HINT_LIST);
        EXPECT_TRUE(Centered(setup));
        ASSERT_EQ(Join(ListLines(list)), listed);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(std::get<1>(row)), 0);
        std::vector<Box> boxes;
        WhileModal([&] { std::get<2>(row)(setup), PumpDialog(setup); }, std::get<3>(row), &boxes);
        EXPECT_EQ(Join(ListLines(list)) + " " + std::to_string(SendMessageA(list, LB_GETCURSEL, 0, 0)) +
                      (IsWindowVisible(setup) ? "" : " hidden") + (boxes.empty() ? "" : " " + Shown(boxes)),
                  std::get<4>(row));
        for (const Box &b : boxes)
            EXPECT_EQ(b.owner, setup);
        DestroyWindow(setup);
    }
}

TEST_F(HintDialogTest, AddAndEdit)
{
    const std::string l40 = "0123456789abcdefghijABCDEFGHIJklmnopqrst", w2000(2000, 'w'), demo = "Demo{Description=racing,Need3DOn2D=1}";
    const std::string l31 = "{Description=" + l40.substr(0, 31) + ",Need3DOn2D=1}", arcade = "Demo{Description=arcade,Need3DOn2D=0}";
    const Values racing1 = {{"Description", "racing"}, {"Need3DOn2D", "1"}};
    const char *addRefused = "Windows refused to store the application in the registry. Administrator rights may be needed. / Halvane D3D Setup";
    // edit: the Edit dialog over the stored record Demo, else Add; setup: 'r' the record (Add: the product key) read-only, 'm'
    // no product key, 'd' the record deleted once the dialog shows; name, description typed and check set unless NULL or -1;
    // end: IDOK, IDCANCEL clicked, VK_RETURN, VK_ESCAPE pressed, 0 the close box; shown: the fields as the dialog shows, and
    // after a message box, which must leave the dialog up with what was typed, as it then shows.
    struct Case {
        const char *what;
        bool edit;
        Values stored;
        char setup;
        const char *name, *description;
        int check, end;
        std::string shown, records, box;
    } cases[] = {
        {"Add OK", false, {}, 0, "Demo", "racing", -1, IDOK, "|", demo, ""},
        {"Add Enter", false, {}, 0, "Demo", "racing", -1, VK_RETURN, "|", demo, ""},
        {"Add Cancel", false, {}, 0, "Demo", "racing", -1, IDCANCEL, "|", "", ""},
        {"Add Esc", false, {}, 0, "Demo", "racing", -1, VK_ESCAPE, "|", "", ""},
        {"Add cuts to 17 and 31", false, {}, 0, "ABCDEFGHIJKLMNOPQRSTUV", l40.c_str(), -1, IDOK, "|", "ABCDEFGHIJKLMNOPQ" + l31, ""},
        {"Add refuses an empty name", false, {}, 0, "", "racing", -1, IDOK, "|racing", "", "Please enter the name of the application. / Halvane D3D Setup"},
        {"Add refuses a separator", false, {}, 0, "Demo\\Sub", "racing", -1, IDOK, "Demo\\Sub|racing", "",
         "The name of the application cannot contain \"\\\". / Halvane D3D Setup"},
        {"Add refused", false, {}, 'r', "Demo", "racing", -1, IDOK, "Demo|racing", "", addRefused},
        {"Add without the product key", false, {}, 'm', "Demo", "racing", -1, IDOK, "Demo|racing", "", "Halvane D3D is not installed "
         "properly: the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarnell\\Halvane is missing. Reinstall it, or create that key. / Halvane D3D Setup"},
        {"Edit OK", true, racing1, 0, nullptr, "arcade", 0, IDOK, "Demo|racing|1", arcade, ""},
        {"Edit Enter", true, racing1, 0, nullptr, "arcade", 0, VK_RETURN, "Demo|racing|1", arcade, ""},
        {"Edit Cancel", true, racing1, 0, nullptr, "arcade", 0, IDCANCEL, "Demo|racing|1", demo, ""},
        {"Edit close box", true, racing1, 0, nullptr, "arcade", 0, 0, "Demo|racing|1", demo, ""},
        {"Edit Esc", true, {{"Need3DOn2D", "0"}}, 0, nullptr, "arcade", 1, VK_ESCAPE, "Demo||0", "Demo{Need3DOn2D=0}", ""},
        {"Edit cuts typed text to 31", true, racing1, 0, nullptr, l40.c_str(), -1, IDOK, "Demo|racing|1", "Demo" + l31, ""},
        {"Edit writes untouched long text back whole", true, {{"Description", l40}, {"Need3DOn2D", "0"}}, 0, nullptr, nullptr, 1,
         IDOK, "Demo|" + l40 + "|0", "Demo{Description=" + l40 + ",Need3DOn2D=1}", ""},
        {"Edit leaves text too long to read whole", true, {{"Description", w2000}, {"Need3DOn2D", "1"}}, 0, nullptr, nullptr, 0,
         IDOK, "Demo|" + w2000.substr(0, 1023) + "|1", "Demo{Description=" + w2000 + ",Need3DOn2D=0}", ""},
        {"Edit of a read-only record", true, racing1, 'r', nullptr, nullptr, -1, IDOK, "", demo,
         "The registry entry of the selected application cannot be opened for changing. / Halvane D3D Setup"},
        {"Edit of a record deleted meanwhile", true, racing1, 'd', nullptr, "arcade", -1, IDOK, "Demo|arcade|1", "",
         "The application was removed from the registry while it was being edited. Nothing was saved. / Halvane D3D Setup"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        ASSERT_TRUE(c.setup == 'm' || SeedKey(PRODUCT_PATH));
        c.edit ? SeedRecord("Demo", c.stored) : void();
        ASSERT_TRUE(c.setup != 'r' || MarkReadOnly(c.edit ? RecordPath("Demo") : PRODUCT_PATH));
        int nameId = c.edit ? IDC_EDIT_NAME : IDC_ADD_NAME, field = c.edit ? IDC_EDIT_DESCRIPTION : IDC_ADD_DESCRIPTION;
        HWND dialog = NULL;
        std::string shown;
        std::vector<Box> boxes;
        auto read = [&](HWND d) {
            EXPECT_TRUE(Centered(d));
            dialog = d, shown = ControlText(GetDlgItem(d, nameId)) + "|" + ControlText(GetDlgItem(d, field)) +
                                (c.edit ? "|" + std::to_string(SendDlgItemMessageA(d, IDC_EDIT_COMPOSITING, BM_GETCHECK, 0, 0)) : "");
        };
        std::vector<Step> steps = {OnDialog(field, [&](HWND d) {
            read(d), c.name ? SetDlgItemTextA(d, nameId, c.name) : 0, c.description ? SetDlgItemTextA(d, field, c.description) : 0;
            c.check < 0 ? 0 : SendDlgItemMessageA(d, IDC_EDIT_COMPOSITING, BM_SETCHECK, static_cast<WPARAM>(c.check), 0);
            c.setup == 'd' ? RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "Demo") : 0;
            c.end > IDCANCEL ? Key(d, field, static_cast<WPARAM>(c.end)) : c.end ? Click(d, c.end) : CloseBox(d);
        })};
        if (!c.box.empty()) // a shown Edit dialog of a read-only record is ended by force and fails
            steps = c.edit && c.setup == 'r' ? std::vector<Step>{} : std::vector<Step>{steps[0], [&] {
                return !boxes.empty() && OnDialog(field, [&](HWND d) { read(d), Click(d, IDCANCEL); })();
            }};
        SelectedHintIndex = 0;
        WhileModal([&] {
            DialogBoxParamA(AppInstance, c.edit ? "EditDlg" : "AddProgramDlg", NULL, c.edit ? EditDlgProc : AddProgramDlgProc, 0);
        }, steps, &boxes);
        EXPECT_EQ(shown + " " + Records() + " " + Shown(boxes), c.shown + " " + c.records + " " + c.box);
        for (const Box &b : boxes)
            EXPECT_TRUE((c.edit && c.setup == 'r') || b.owner == dialog);
    }
}

// Under code page 932 (the run with LC_ALL=ja_JP.UTF-8) a trail byte 0x5C is no separator, the
// reads' cuts keep whole characters (the stored key names, read wide, hold no broken one), and an
// untouched long description of half-width katakana goes back whole.
TEST_F(HintDialogTest, AddAndEditUnderDoubleByteCodePage)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "Wine runs this under code page " << GetACP() << ", not 932: is the locale of LC_ALL (ja_JP.UTF-8) there?";
    const std::wstring so = L"\u30bd\u30d5\u30c8", letters = L"abcdefghijklmnop", table = L"\u8868";
    const std::string kana(1000, '\xb1');
    for (const std::wstring &typed : {so, letters + table}) {
        Fresh(), SeedKey(PRODUCT_PATH);
        WhileModal([&] { DialogBoxParamA(AppInstance, "AddProgramDlg", NULL, AddProgramDlgProc, 0); },
                   {OnDialog(IDC_ADD_NAME, [&](HWND d) {
                       SetDlgItemTextW(d, IDC_ADD_NAME, typed.c_str());
                       SetDlgItemTextW(d, IDC_ADD_DESCRIPTION, (letters + letters.substr(0, 14) + table).c_str()), Click(d, IDOK);
                   })});
        HKEY hints = NULL;
        WCHAR name[MAX_PATH] = L"";
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quarnell\\Halvane\\App hints", 0, KEY_READ, &hints);
        EXPECT_TRUE(hints && RegEnumKeyW(hints, 0, name, MAX_PATH) == 0 && RegEnumKeyW(hints, 1, name + 100, 100) != 0);
        RegCloseKey(hints);
        EXPECT_TRUE(std::wstring(name) == (typed == so ? so : letters)) << Records();
        EXPECT_EQ(Records().substr(Records().find('{')), "{Description=abcdefghijklmnopabcdefghijklmn,Need3DOn2D=1}");
    }
    SeedRecord("Kana", {{"Description", kana}, {"Need3DOn2D", "1"}});
    HWND edit = (SelectedHintIndex = 0, CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0));
    Command(edit, IDOK), DestroyWindow(edit);
    EXPECT_EQ(Records("Kana"), "Kana{Description=" + kana + ",Need3DOn2D=1}");
}

// Each Edit dialog saves through its own keys, whatever the other does meanwhile.
TEST_F(HintDialogTest, TwoEditDialogsKeepTheirOwnRecords)
{
    Fresh();
    SeedRecord("Alpha", {{"Description", "a"}, {"Need3DOn2D", "1"}}), SeedRecord("Beta", {{"Description", "b"}, {"Need3DOn2D", "1"}});
    HWND first = (SelectedHintIndex = 0, CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0));
    HWND second = (SelectedHintIndex = 1, CreateDialogParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0));
    SetDlgItemTextA(second, IDC_EDIT_DESCRIPTION, "second"), Command(second, IDOK);
    SetDlgItemTextA(first, IDC_EDIT_DESCRIPTION, "first"), SendDlgItemMessageA(first, IDC_EDIT_COMPOSITING, BM_SETCHECK, 0, 0);
    Command(first, IDOK);
    EXPECT_EQ(Records(), "Alpha{Description=first,Need3DOn2D=0} Beta{Description=second,Need3DOn2D=1}");
    DestroyWindow(first), DestroyWindow(second);
}

} // namespace
