// The registry browser dialog in process over a scratch tree standing in for HKEY_LOCAL_MACHINE.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"

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
        DestroyWindow(Dialog);
        HeapDestroy(AppHeap);
        RegistryTest::TearDown();
    }
    void Open()
    {
        Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
        PumpDialog(Dialog);
    }
    // Selects entry (none for ""), then runs the command (0: double-click) and what the dialog
    // posted to itself; returns the message boxes shown, each owned by the dialog.
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

// One walk through the tree; after each action the lists, the fields and the messages shown.
TEST_F(RegistryDlgTest, NavigationFieldsAndMessages)
{
    const std::string n127(127, 'n'), f(200, 'f'), s(58, 's'), t(59, 't'), roots =
        "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT", lm = "HKEY_LOCAL_MACHINE";
    const std::string top = "..|A|" + f + "|K|P", ab = "0) <NO NAME> |1) " + n127 + " |2) Second ";
    for (const std::string &name : {std::string(), n127, std::string("Second")})
        ASSERT_TRUE(SeedText("A\\B", name, "x"));
    ASSERT_TRUE(SeedKey("A\\B\\C", "c class") && SeedKey("K\\Sub") && SeedKey("P\\Locked") && MarkUnreadable("P\\Locked"));
    ASSERT_TRUE(SeedValue("K", "n", REG_DWORD, std::string("\x07\0\0\0", 4)));
    ASSERT_TRUE(SeedKey(f + "\\" + s) && SeedKey(f + "\\" + t));
    // Actions: down, dbl (double-click a key), up, value (double-click a value), gone (delete the
    // subkey behind the dialog's back, then down into it), drop (delete the listed key behind its
    // back, then double-click the value). data: field 107, with field 106 set with it.
    const struct {
        const char *action;
        std::string entry, keys, values, name, keyClass, path, data, boxes;
    } rows[] = {
        {"up", "", roots, "", "", "", "", "", "Top Level: You can not backup any further. / Registry Utility"},
        {"down", "", roots, "", "", "", "", "", "Please select an item from the list box / Registry Utility"},
        {"down", lm, top, "", lm, "", "", "", ""},
        {"down", "A", "..|B", "", "A", "", "A", "", ""},
        {"down", "B", "..|C", ab, "B", "", "A\\B", "", ""},
        {"dbl", "C", "..", "", "C", "c class", "A\\B\\C", "", ""},
        {"up", "", "..|C", ab, "B", "", "A\\B", "", ""},
        {"dbl", "..", "..|B", "", "A", "", "A", "", ""},
        {"down", "..", top, "", lm, "", "", "", ""},
        {"down", "K", "..|Sub", "0) n ", "K", "", "K", "", ""},
        {"value", "0) n ", "..|Sub", "0) n ", "K", "", "K", "7", ""},
        {"down", "Sub", "..", "", "Sub", "", "K\\Sub", "7", ""},
        {"up", "", "..|Sub", "0) n ", "K", "", "K", "7", ""},
        {"dbl", "Sub", "..", "", "Sub", "", "K\\Sub", "", ""},
        {"up", "", "..|Sub", "0) n ", "K", "", "K", "", ""},
        {"value", "0) n ", "..|Sub", "0) n ", "K", "", "K", "7", ""},
        {"gone", "Sub", "..", "0) n ", "K", "", "K", "7", "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
        {"drop", "0) n ", "..", "0) n ", "K", "", "K", "", "Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {"up", "", "..|A|" + f + "|P", "", lm, "", "", "", ""},
        {"down", "..", roots, "", "", "", "", "", ""},
        {"value", "", roots, "", "", "", "", "", "Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {"down", lm, "..|A|" + f + "|P", "", lm, "", "", "", ""},
        {"down", "P", "..|Locked", "", "P", "", "P", "", ""},
        {"down", "Locked", "..|Locked", "", "P", "", "P", "", "Error: unable to open key.  Probably due to security reasons. / "},
        {"up", "", "..|A|" + f + "|P", "", lm, "", "", "", ""},
        {"down", f, "..|" + s + "|" + t, "", f, "", f, "", ""},
        {"down", t, "..|" + s + "|" + t, "", f, "", f, "",
         "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility"},
        {"down", s, "..", "", s, "", f + "\\" + s, "", ""},
    };
    BrowserRoot = 0x80000001; // left from an earlier opening deep in a key
    strcpy(BrowserPath, "old\\path");
    Open();
    EXPECT_EQ(Items(IDC_REG_KEYS) + Field(IDC_REG_KEYNAME) + Field(IDC_REG_PATH), roots);
    int step = 0;
    for (const auto &row : rows) {
        std::string action = row.action, what = std::to_string(++step) + ": " + action + " " + row.entry;
        if (action == "gone" || action == "drop")
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (BrowserPath + (action == "gone" ? "\\" + row.entry : "")).c_str());
        bool onValue = action == "value" || action == "drop";
        int command = action == "up" ? IDC_REG_UP : action == "down" || action == "gone" ? IDC_REG_DOWN : 0;
        EXPECT_EQ(Act(onValue ? IDC_REG_VALUES : IDC_REG_KEYS, row.entry, command), row.boxes) << what;
        EXPECT_EQ(Items(IDC_REG_KEYS), row.keys) << what;
        EXPECT_EQ(Items(IDC_REG_VALUES), row.values) << what;
        EXPECT_EQ(Field(IDC_REG_KEYNAME) + "|" + Field(IDC_REG_CLASS) + "|" + Field(IDC_REG_PATH),
                  row.name + "|" + row.keyClass + "|" + row.path) << what;
        EXPECT_EQ(Field(IDC_REG_DATA), row.data) << what;
        EXPECT_EQ(Field(IDC_REG_TYPE).empty(), row.data.empty()) << what;
    }
}

TEST_F(RegistryDlgTest, ValueDisplayByType)
{
    using namespace std::string_literals;
    const struct {
        const char *name;
        DWORD type;
        std::string data;
        const char *typeField, *dataField;
    } cases[] = {
        {"a", REG_NONE, "x"s, "REG_NONE: No defined value type.", ""},
        {"b", REG_SZ, "abc\0"s, "REG_SZ: A null-terminated Unicode string.", "\"abc\""},
        {"c", REG_EXPAND_SZ, "%TEMP%\0"s, "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.",
         "\"%TEMP%\""},
        {"d", REG_BINARY, "\x01\xab\xff"s, "REG_BINARY: Freeform binary data.", "01 ab ff "},
        {"e", REG_DWORD, "\xff\xff\xff\xff"s, "REG_DWORD: A 32 bit number.", "4294967295"},
        {"f", REG_DWORD_BIG_ENDIAN, "\0\0\0\x01"s, "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", "1"},
        {"g", REG_DWORD_BIG_ENDIAN, "\xff\xff\xff\xff"s, "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.",
         "-1"},
        {"h", REG_LINK, "\\\0R\0x\0\0\0"s, "REG_LINK: A Unicode symbolic link.", "\\Rx"},
        {"i", REG_MULTI_SZ, "one\0two\0\0"s, "REG_MULTI_SZ: An array of null-terminated strings.", "{ \"one\"  \"two\"  }"},
        {"j", REG_RESOURCE_LIST, "\x10"s, "REG_RESOURCE_LIST: A device-driver resource list.", "10 "},
        {"k", REG_FULL_RESOURCE_DESCRIPTOR, "x"s, "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.",
         ""},
        {"l", 11, "12345678"s, "Undefine in this verion of the Halvane Registry Editor 11", ""},
    };
    for (const auto &c : cases)
        ASSERT_TRUE(SeedValue("V", c.name, c.type, c.data)) << c.name;
    Open();
    Act(IDC_REG_KEYS, "HKEY_LOCAL_MACHINE", IDC_REG_DOWN);
    Act(IDC_REG_KEYS, "V", IDC_REG_DOWN);
    for (const auto &c : cases) {
        EXPECT_EQ(Act(IDC_REG_VALUES, std::to_string(&c - cases) + ") " + c.name + " ", 0), "") << c.name;
        EXPECT_EQ(Field(IDC_REG_TYPE) + "|" + Field(IDC_REG_DATA), std::string(c.typeField) + "|" + c.dataField) << c.name;
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
