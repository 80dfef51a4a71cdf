// The registry browser dialog in process over a scratch tree standing in for HKEY_LOCAL_MACHINE.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"

namespace {

HWND Dialog;

std::string Field(int id) { return ControlText(GetDlgItem(Dialog, id)); }
std::string Items(int id) { return Join(ListLines(GetDlgItem(Dialog, id))); }

class RegistryDlgTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        AppInstance = GetModuleHandleA(NULL), AppHeap = HeapCreate(0, 0, 0);
        PumpDialog(Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0));
    }
    void TearDown() override { DestroyWindow(Dialog), HeapDestroy(AppHeap), RegistryTest::TearDown(); }
};

// Selects entry (none for "") and runs the command (0: double-click) and what the dialog posted
// to itself; returns the message boxes shown, each owned by the dialog.
std::string Act(int list, const std::string &entry, int command)
{
    HWND box = GetDlgItem(Dialog, list);
    LRESULT at = entry.empty() ? -1 : SendMessageA(box, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(entry.c_str()));
    EXPECT_TRUE(entry.empty() || at >= 0) << entry;
    SendMessageA(box, LB_SETCURSEL, WPARAM(at), 0);
    std::vector<Box> boxes;
    WPARAM wParam = command ? WPARAM(command) : MAKEWPARAM(list, LBN_DBLCLK);
    WhileModal([&] { SendMessageA(Dialog, WM_COMMAND, wParam, command ? 0 : LPARAM(box)), PumpDialog(Dialog); }, {}, &boxes);
    for (const Box &b : boxes)
        EXPECT_EQ(b.owner, Dialog) << b.shown;
    return Shown(boxes);
}

// One walk; after each action the lists, the fields and the messages shown.
TEST_F(RegistryDlgTest, NavigationFieldsAndMessages)
{
    const std::string n(127, 'n'), f(200, 'f'), s(58, 's'), t(59, 't'), lm = "HKEY_LOCAL_MACHINE", ab = "0) <NO NAME> |1) " + n + " ";
    const std::string roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT", top = "..|A|" + f + "|K|P";
    ASSERT_TRUE(SeedText("A\\B", "", "x") && SeedText("A\\B", n, "x") && SeedKey("A\\B\\C", "c class") && SeedKey("K\\Sub"));
    ASSERT_TRUE(SeedKey("P\\Locked") && MarkUnreadable("P\\Locked") && SeedKey(f + "\\" + s) && SeedKey(f + "\\" + t));
    ASSERT_TRUE(SeedValue("K", "n", REG_DWORD, std::string("\x07\0\0\0", 4)));
    // Actions: d Next/Down, u Back/Up, k double-click a key, v double-click a value, g delete the
    // subkey behind the dialog's back, then Next/Down into it. data: field 107 (106 set with it).
    const struct {
        char action;
        std::string entry, keys, values, name, keyClass, path, data, boxes;
    } rows[] = {
        {'u', "", roots, "", "", "", "", "", "Top Level: You can not backup any further. / Registry Utility"},
        {'d', "", roots, "", "", "", "", "", "Please select an item from the list box / Registry Utility"},
        {'d', lm, top, "", lm, "", "", "", ""},
        {'d', "A", "..|B", "", "A", "", "A", "", ""},
        {'d', "B", "..|C", ab, "B", "", "A\\B", "", ""},
        {'k', "C", "..", "", "C", "c class", "A\\B\\C", "", ""},
        {'u', "", "..|C", ab, "B", "", "A\\B", "", ""},
        {'k', "..", "..|B", "", "A", "", "A", "", ""},
        {'d', "..", top, "", lm, "", "", "", ""},
        {'d', "K", "..|Sub", "0) n ", "K", "", "K", "", ""},
        {'v', "0) n ", "..|Sub", "0) n ", "K", "", "K", "7", ""},
        {'d', "Sub", "..", "", "Sub", "", "K\\Sub", "7", ""},
        {'u', "", "..|Sub", "0) n ", "K", "", "K", "7", ""},
        {'g', "Sub", "..", "0) n ", "K", "", "K", "7", "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
        {'k', "..", top, "", lm, "", "", "", ""},
        {'d', "P", "..|Locked", "", "P", "", "P", "", ""},
        {'d', "Locked", "..|Locked", "", "P", "", "P", "", "Error: unable to open key.  Probably due to security reasons. / "},
        {'u', "", top, "", lm, "", "", "", ""},
        {'d', f, "..|" + s + "|" + t, "", f, "", f, "", ""},
        {'d', t, "..|" + s + "|" + t, "", f, "", f, "",
         "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility"},
        {'d', s, "..", "", s, "", f + "\\" + s, "", ""},
    };
    EXPECT_EQ(Items(IDC_REG_KEYS) + Field(IDC_REG_KEYNAME) + Field(IDC_REG_PATH), roots);
    for (const auto &row : rows) {
        std::string what = row.action + (" " + row.entry);
        if (row.action == 'g')
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (BrowserPath + ("\\" + row.entry)).c_str());
        int command = row.action == 'u' ? IDC_REG_UP : row.action == 'd' || row.action == 'g' ? IDC_REG_DOWN : 0;
        EXPECT_EQ(Act(row.action == 'v' ? IDC_REG_VALUES : IDC_REG_KEYS, row.entry, command), row.boxes) << what;
        EXPECT_EQ(Items(IDC_REG_KEYS) + "/" + Items(IDC_REG_VALUES), row.keys + "/" + row.values) << what;
        EXPECT_EQ(Field(IDC_REG_KEYNAME) + "|" + Field(IDC_REG_CLASS) + "|" + Field(IDC_REG_PATH) + "|" + Field(IDC_REG_DATA),
                  row.name + "|" + row.keyClass + "|" + row.path + "|" + row.data) << what;
        EXPECT_EQ(Field(IDC_REG_TYPE).empty(), row.data.empty()) << what;
    }
}

// The data field of every type (the type texts are the rule's, checked natively).
TEST_F(RegistryDlgTest, ValueDisplayByType)
{
    using namespace std::string_literals;
    const std::pair<std::string, const char *> cases[] = {
        {"x"s, ""}, {"abc\0"s, "\"abc\""}, {"%TEMP%\0"s, "\"%TEMP%\""}, {"\x01\xab\xff"s, "01 ab ff "},
        {"\xff\xff\xff\xff"s, "4294967295"}, {"\0\0\0\x01"s, "1"}, {"\\\0R\0x\0\0\0"s, "\\Rx"},
        {"one\0two\0\0"s, "{ \"one\"  \"two\"  }"}, {"\x10"s, "10 "}, {"x"s, ""}, {"x"s, ""}, {"12345678"s, ""},
    };
    for (DWORD type = 0; type < 12; type++)
        ASSERT_TRUE(SeedValue("V", std::string(1, char('a' + type)), type, cases[type].first));
    Act(IDC_REG_KEYS, "HKEY_LOCAL_MACHINE", IDC_REG_DOWN);
    Act(IDC_REG_KEYS, "V", IDC_REG_DOWN);
    for (DWORD type = 0; type < 12; type++) {
        EXPECT_EQ(Act(IDC_REG_VALUES, std::to_string(type) + ") " + char('a' + type) + " ", 0), "") << type;
        EXPECT_EQ(Field(IDC_REG_DATA), cases[type].second) << type;
        EXPECT_NE(Field(IDC_REG_TYPE), "") << type;
    }
}

// Escape and Enter without a focused push button do nothing; only the system close ends it.
TEST_F(RegistryDlgTest, OnlyTheSystemCloseEndsIt)
{
    DestroyWindow(Dialog), Dialog = NULL;
    INT_PTR result = -1;
    std::vector<Box> boxes;
    auto keys = [](HWND d) {
        SetFocus(GetDlgItem(d, IDC_REG_KEYS));
        Key(d, IDC_REG_KEYS, VK_ESCAPE), Key(d, IDC_REG_KEYS, VK_RETURN);
        PostMessageA(d, WM_COMMAND, IDOK, 0), PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
    };
    WhileModal([&] { result = DialogBoxParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0); },
               {OnDialog(IDC_REG_KEYS, keys), OnDialog(IDC_REG_KEYS, CloseBox)}, &boxes);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Shown(boxes), "");
}

} // namespace
