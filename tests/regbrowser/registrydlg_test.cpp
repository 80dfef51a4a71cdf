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

// ---- The template -------------------------------------------------------------------------

struct Reader {
    const BYTE *at;
    WORD Word()
    {
        WORD w;
        memcpy(&w, at, 2);
        at += 2;
        return w;
    }
    DWORD Dword() { return Word() | static_cast<DWORD>(Word()) << 16; }
    short Short() { return static_cast<short>(Word()); }
    // A name or an ordinal ("#n").
    std::string SzOrOrd()
    {
        WORD first = Word();
        if (first == 0xffff)
            return "#" + std::to_string(Word());
        std::string s;
        for (WORD c = first; c != 0; c = Word())
            s += static_cast<char>(c);
        return s;
    }
    void Align() { at = reinterpret_cast<const BYTE *>((reinterpret_cast<UINT_PTR>(at) + 3) & ~static_cast<UINT_PTR>(3)); }
};

std::string ClassName(const std::string &c)
{
    if (c == "#128")
        return "BUTTON";
    if (c == "#129")
        return "EDIT";
    if (c == "#130")
        return "STATIC";
    if (c == "#131")
        return "LISTBOX";
    std::string upper = c;
    for (char &ch : upper)
        ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    return upper;
}

TEST(RegistryDlgTemplate, MatchesItsTable)
{
    HRSRC found = FindResourceA(NULL, "REGISTRYDLG", MAKEINTRESOURCEA(5));
    ASSERT_NE(found, nullptr);
    Reader r = {static_cast<const BYTE *>(LockResource(LoadResource(NULL, found)))};
    ASSERT_NE(r.at, nullptr);
    ASSERT_NE(reinterpret_cast<const WORD *>(r.at)[1], 0xffff) << "a plain DIALOG template";
    EXPECT_EQ(r.Dword(), 0x90C800C0u);
    EXPECT_EQ(r.Dword(), 0u);
    WORD count = r.Word();
    EXPECT_EQ(count, 15);
    EXPECT_EQ(r.Short(), 19);
    EXPECT_EQ(r.Short(), -26);
    EXPECT_EQ(r.Short(), 346);
    EXPECT_EQ(r.Short(), 201);
    EXPECT_EQ(r.SzOrOrd(), "");
    EXPECT_EQ(r.SzOrOrd(), "");
    EXPECT_EQ(r.SzOrOrd(), "Halvane D3D Setup");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.SzOrOrd(), "MS Sans Serif");
    struct Control {
        int id;
        const char *cls;
        DWORD style;
        short x, y, cx, cy;
        const char *text;
    };
    const Control expected[15] = {
        {-1, "STATIC", 0x50020000, 5, 25, 40, 8, "Key Name"},
        {101, "EDIT", 0x50810080, 5, 35, 125, 12, ""},
        {-1, "STATIC", 0x50020000, 5, 50, 20, 8, "Class"},
        {-1, "STATIC", 0x50020000, 5, 75, 75, 8, "ACL"},
        {109, "EDIT", 0x50810080, 5, 60, 125, 12, ""},
        {104, "EDIT", 0x50810080, 5, 85, 125, 12, ""},
        {-1, "STATIC", 0x50020000, 10, 165, 60, 8, "Value: Data Type"},
        {-1, "STATIC", 0x50020000, 10, 180, 60, 8, "Value: Data Entry"},
        {106, "EDIT", 0x50010880, 80, 165, 261, 12, ""},
        {107, "EDIT", 0x50010880, 80, 180, 260, 12, ""},
        {110, "LISTBOX", 0x50A10001, 135, 35, 100, 130, ""},
        {103, "LISTBOX", 0x50A10001, 240, 35, 100, 130, ""},
        {111, "BUTTON", 0x50010000, 80, 135, 46, 25, "Next/Down"},
        {112, "BUTTON", 0x50010000, 80, 105, 46, 25, "Back/Up"},
        {116, "EDIT", 0x50010800, 5, 10, 335, 12, ""},
    };
    for (int i = 0; i < count && i < 15; i++) {
        const Control &e = expected[i];
        r.Align();
        EXPECT_EQ(r.Dword(), e.style) << "control " << i + 1;
        EXPECT_EQ(r.Dword(), 0u) << "control " << i + 1;
        short x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
        EXPECT_EQ(std::vector<short>({x, y, cx, cy}), std::vector<short>({e.x, e.y, e.cx, e.cy})) << "control " << i + 1;
        EXPECT_EQ(static_cast<short>(r.Word()), e.id) << "control " << i + 1;
        EXPECT_EQ(ClassName(r.SzOrOrd()), e.cls) << "control " << i + 1;
        EXPECT_EQ(r.SzOrOrd(), e.text) << "control " << i + 1;
        WORD extra = r.Word();
        r.at += extra;
    }
}

} // namespace
