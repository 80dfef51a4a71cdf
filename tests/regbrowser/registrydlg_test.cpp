// The registry browser dialog in process, from the real template with the real procedure, over
// a scratch tree that stands in for HKEY_LOCAL_MACHINE. Message boxes are read and answered by
// the shared modal driver.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "value_cases.h"

#include <string>
#include <vector>

namespace {

HWND Dialog;

std::string Field(int id) { return ControlText(GetDlgItem(Dialog, id)); }
std::string Items(int id) { return Join(ListLines(GetDlgItem(Dialog, id))); }

class RegistryDlgTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        AppInstance = GetModuleHandleA(NULL);
        AppHeap = HeapCreate(0, 0, 0);
    }
    void TearDown() override
    {
        if (Dialog)
            DestroyWindow(Dialog);
        Dialog = NULL;
        HeapDestroy(AppHeap);
        RegistryTest::TearDown();
    }
    void Open()
    {
        Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
        ASSERT_NE(Dialog, nullptr);
        PumpDialog(Dialog);
    }
    // Selects entry in the list (none for ""), then runs the command or the double-click and
    // what the dialog posted to itself; the message boxes shown meanwhile, each owned by the dialog.
    std::string Act(int list, const std::string &entry, int command)
    {
        HWND box = GetDlgItem(Dialog, list);
        LRESULT at = entry.empty() ? -1 : SendMessageA(box, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(entry.c_str()));
        EXPECT_TRUE(entry.empty() || at >= 0) << entry;
        SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        WPARAM wParam = command ? WPARAM(command) : MAKEWPARAM(list, LBN_DBLCLK);
        std::vector<Box> boxes;
        WhileModal([&] { SendMessageA(Dialog, WM_COMMAND, wParam, command ? 0 : LPARAM(box)); PumpDialog(Dialog); }, {},
                   &boxes);
        for (const Box &b : boxes)
            EXPECT_EQ(b.owner, Dialog) << b.shown;
        return Shown(boxes);
    }
};

const char *const Roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT";
const char *const Lm = "HKEY_LOCAL_MACHINE";
const char *const Dword = "REG_DWORD: A 32 bit number.";

// One walk through the tree; after each action the lists, the fields and the messages shown.
TEST_F(RegistryDlgTest, NavigationFieldsAndMessages)
{
    const std::string n127(127, 'n'), f(200, 'f'), s(58, 's'), t(59, 't');
    ASSERT_TRUE(SeedText("A\\B", "", "default"));
    ASSERT_TRUE(SeedText("A\\B", "Second", "x"));
    ASSERT_TRUE(SeedText("A\\B", n127, "x"));
    ASSERT_TRUE(SeedKey("A\\B\\C", "c class"));
    ASSERT_TRUE(SeedKey("K\\Sub"));
    ASSERT_TRUE(SeedValue("K", "n", REG_DWORD, Bytes({7, 0, 0, 0})));
    ASSERT_TRUE(SeedKey("P\\Locked"));
    ASSERT_TRUE(MarkUnreadable("P\\Locked"));
    ASSERT_TRUE(SeedKey(f + "\\" + s));
    ASSERT_TRUE(SeedKey(f + "\\" + t));
    const std::string top = "..|A|" + f + "|K|P";
    struct Row {
        const char *action; // down, dbl (a key), up, value (double-click a value),
                            // gone (delete the subkey behind the dialog's back, then down into it),
                            // drop (delete the listed key behind its back, then double-click the value)
        std::string entry, keys, values, name, keyClass, path, type, data, boxes;
    };
    const Row rows[] = {
        {"up", "", Roots, "", "", "", "", "", "", "Top Level: You can not backup any further. / Registry Utility"},
        {"down", "", Roots, "", "", "", "", "", "", "Please select an item from the list box / Registry Utility"},
        {"down", Lm, top, "", Lm, "", "", "", "", ""},
        {"down", "A", "..|B", "", "A", "", "A", "", "", ""},
        {"down", "B", "..|C", "0) <NO NAME> |1) " + n127 + " |2) Second ", "B", "", "A\\B", "", "", ""},
        {"dbl", "C", "..", "", "C", "c class", "A\\B\\C", "", "", ""},
        {"up", "", "..|C", "0) <NO NAME> |1) " + n127 + " |2) Second ", "B", "", "A\\B", "", "", ""},
        {"dbl", "..", "..|B", "", "A", "", "A", "", "", ""},
        {"down", "..", top, "", Lm, "", "", "", "", ""},
        {"down", "K", "..|Sub", "0) n ", "K", "", "K", "", "", ""},
        {"value", "0) n ", "..|Sub", "0) n ", "K", "", "K", Dword, "7", ""},
        {"down", "Sub", "..", "", "Sub", "", "K\\Sub", Dword, "7", ""},
        {"up", "", "..|Sub", "0) n ", "K", "", "K", Dword, "7", ""},
        {"dbl", "Sub", "..", "", "Sub", "", "K\\Sub", "", "", ""},
        {"up", "", "..|Sub", "0) n ", "K", "", "K", "", "", ""},
        {"value", "0) n ", "..|Sub", "0) n ", "K", "", "K", Dword, "7", ""},
        {"gone", "Sub", "..", "0) n ", "K", "", "K", Dword, "7",
         "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
        {"drop", "0) n ", "..", "0) n ", "K", "", "K", "", "", "Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {"up", "", "..|A|" + f + "|P", "", Lm, "", "", "", "", ""},
        {"down", "..", Roots, "", "", "", "", "", "", ""},
        {"value", "", Roots, "", "", "", "", "", "", "Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {"down", Lm, "..|A|" + f + "|P", "", Lm, "", "", "", "", ""},
        {"down", "P", "..|Locked", "", "P", "", "P", "", "", ""},
        {"down", "Locked", "..|Locked", "", "P", "", "P", "", "",
         "Error: unable to open key.  Probably due to security reasons. / "},
        {"up", "", "..|A|" + f + "|P", "", Lm, "", "", "", "", ""},
        {"down", f, "..|" + s + "|" + t, "", f, "", f, "", "", ""},
        {"down", t, "..|" + s + "|" + t, "", f, "", f, "", "",
         "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility"},
        {"down", s, "..", "", s, "", f + "\\" + s, "", "", ""},
    };
    BrowserRoot = 0x80000001; // left from an earlier opening deep in a key
    strcpy(BrowserPath, "old\\path");
    Open();
    EXPECT_EQ(Items(IDC_REG_KEYS), Roots);
    for (int id : {IDC_REG_KEYNAME, IDC_REG_CLASS, IDC_REG_ACL, IDC_REG_TYPE, IDC_REG_DATA, IDC_REG_PATH})
        EXPECT_EQ(Field(id), "") << "field " << id;
    int step = 0;
    for (const Row &row : rows) {
        std::string action = row.action, what = std::to_string(++step) + ": " + action + " " + row.entry;
        std::string listed = BrowserPath;
        if (action == "gone")
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (listed + "\\" + row.entry).c_str());
        if (action == "drop")
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, listed.c_str());
        bool onValue = action == "value" || action == "drop";
        int command = action == "up" ? IDC_REG_UP : action == "down" || action == "gone" ? IDC_REG_DOWN : 0;
        std::string boxes = Act(onValue ? IDC_REG_VALUES : IDC_REG_KEYS, row.entry, command);
        EXPECT_EQ(boxes, row.boxes) << what;
        EXPECT_EQ(Items(IDC_REG_KEYS), row.keys) << what;
        EXPECT_EQ(Items(IDC_REG_VALUES), row.values) << what;
        EXPECT_EQ(Field(IDC_REG_KEYNAME), row.name) << what;
        EXPECT_EQ(Field(IDC_REG_CLASS), row.keyClass) << what;
        EXPECT_EQ(Field(IDC_REG_PATH), row.path) << what;
        EXPECT_EQ(Field(IDC_REG_TYPE), row.type) << what;
        EXPECT_EQ(Field(IDC_REG_DATA), row.data) << what;
    }
}

TEST_F(RegistryDlgTest, ValueDisplayByType)
{
    const std::vector<ShownValue> cases = EveryTypeCases();
    for (const ShownValue &c : cases)
        ASSERT_TRUE(SeedValue("V", c.name, c.type, c.data)) << c.name;
    Open();
    Act(IDC_REG_KEYS, "HKEY_LOCAL_MACHINE", IDC_REG_DOWN);
    Act(IDC_REG_KEYS, "V", IDC_REG_DOWN);
    std::vector<std::string> entries = ListLines(GetDlgItem(Dialog, IDC_REG_VALUES));
    ASSERT_EQ(entries.size(), cases.size());
    for (size_t i = 0; i < cases.size(); i++) {
        const ShownValue &c = cases[i];
        EXPECT_EQ(entries[i], std::to_string(i) + ") " + c.name + " ");
        EXPECT_EQ(Act(IDC_REG_VALUES, entries[i], 0), "") << c.name;
        EXPECT_EQ(Field(IDC_REG_TYPE), c.typeField) << c.name;
        EXPECT_EQ(Field(IDC_REG_DATA), c.dataField ? c.dataField : "") << c.name;
    }
}

// Escape and Enter without a focused push button do nothing; only the system close ends it.
TEST_F(RegistryDlgTest, OnlyTheSystemCloseEndsIt)
{
    bool stillOpen = false;
    INT_PTR result = -1;
    std::vector<Box> boxes;
    WhileModal([&] { result = DialogBoxParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0); },
               {OnDialog(IDC_REG_KEYS, [](HWND d) {
                    SetFocus(GetDlgItem(d, IDC_REG_KEYS));
                    Key(d, IDC_REG_KEYS, VK_ESCAPE);
                    Key(d, IDC_REG_KEYS, VK_RETURN);
                    PostMessageA(d, WM_COMMAND, IDOK, 0);
                    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                }),
                OnDialog(IDC_REG_KEYS, [&](HWND d) {
                    stillOpen = true;
                    CloseBox(d);
                })},
               &boxes);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Shown(boxes), "");
}

} // namespace
