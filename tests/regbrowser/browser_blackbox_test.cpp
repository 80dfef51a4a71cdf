// Two registry browsers of the running QTXILOAD.EXE at once, driven from this process over the
// fixture's scratch tree, which the program reaches by its real path below HKEY_CURRENT_USER.
// Run again with QTX_EXPECT_UTF8 set under a UTF-8 locale, where names take more bytes than characters.
#include "resource.h"
#include "shared/modal.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>
#include <set>

namespace {

std::string Field(HWND d, int id) { return ControlText(GetDlgItem(d, id)); }

struct BrowserBlackBox : RegistryTest {
    void SetUp() override
    {
        RegistryTest::SetUp();
        ASSERT_TRUE(WaitUntil([] { return !FindWindowA("QTXILoadWClass", NULL); }, 5000)) << "a loader is already running";
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001"});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow("QTXILoadWClass", NULL, child.pid)) != NULL; }));
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitUntil([&] { // message boxes, browsers, then setup dialogs
            std::vector<HWND> shown = VisibleDialogs(child.pid);
            for (HWND d : shown)
                CloseBox(d);
            return shown.empty();
        }));
        PostMessageA(main, WM_COMMAND, IDM_CLOSE, 0);
        EXPECT_EQ(WaitChild(child), 0u);
        StopChild(child), RegistryTest::TearDown();
    }
    HWND Opened(const std::vector<HWND> &before, int id) // a dialog holding control id, new since before
    {
        HWND found = NULL;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid))
                found = GetDlgItem(d, id) && std::find(before.begin(), before.end(), d) == before.end() ? d : found;
            return found != NULL;
        });
        return found;
    }
    HWND OpenBrowser() // through a setup dialog of its own, as a user would open a second one
    {
        std::vector<HWND> before = VisibleDialogs(child.pid);
        PostMessageA(main, WM_COMMAND, IDM_SETUP, 0);
        PostMessageA(Opened(before, IDC_HINT_LIST), WM_COMMAND, IDC_HINT_BROWSE, 0);
        return Opened(before, IDC_REG_KEYS);
    }
    // Selects entry, posts the action (d Next/Down, u Back/Up, k or v a double-click in the key or
    // value list) and waits until the browser shows want; boxes are answered with OK and recorded.
    std::string Act(HWND b, char action, const std::string &entry, bool lists, const std::string &want)
    {
        HWND list = GetDlgItem(b, action == 'v' ? IDC_REG_VALUES : IDC_REG_KEYS);
        std::vector<std::string> lines = ListLines(list);
        SendMessageW(list, LB_SETCURSEL, entry.empty() ? -1 : std::find(lines.begin(), lines.end(), entry) - lines.begin(), 0);
        int command = action == 'u' ? IDC_REG_UP : action == 'd' ? IDC_REG_DOWN : 0;
        PostMessageA(b, WM_COMMAND, command ? command : MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), command ? 0 : LPARAM(list));
        std::string boxes, now;
        std::set<HWND> answered;
        WaitUntil([&] {
            for (HWND d : VisibleDialogs(child.pid))
                if (!GetDlgItem(d, IDC_REG_KEYS) && !GetDlgItem(d, IDC_HINT_LIST) && answered.insert(d).second) {
                    boxes += Field(d, 0xffff) + " / " + ControlText(d) + (GetWindow(d, GW_OWNER) == b ? "\n" : " (not owned)\n");
                    PostMessageA(d, WM_COMMAND, IDOK, 0);
                }
            now = lists ? Join(ListLines(GetDlgItem(b, IDC_REG_KEYS))) + "/" + Join(ListLines(GetDlgItem(b, IDC_REG_VALUES))) + "|" : "";
            for (int id : {IDC_REG_KEYNAME, IDC_REG_CLASS, IDC_REG_PATH, IDC_REG_DATA})
                now += Field(b, id) + "|";
            return (now += boxes) == want;
        });
        return now;
    }
    ChildProcess child;
    HWND main = NULL;
};

// Each browser shows what its own path field says, whatever the other one does in between.
TEST_F(BrowserBlackBox, TwoBrowsersEachWalkTheirOwnKey)
{
    const bool utf8 = GetACP() == CP_UTF8;
    if (getenv("QTX_EXPECT_UTF8") && !utf8)
        GTEST_SKIP() << "Wine runs this under code page " << GetACP() << ", not 65001: is the locale of LC_ALL there?";
    const std::string base = RegFixtureScratch(), n(300, 'n'), f(200, 'f'), s(57 - base.size(), 's'), t(58 - base.size(), 't');
    const std::string top = "..|A|" + f + "|K|P" + (utf8 ? "|U" : ""), ab = "0) <NO NAME> |1) " + n + " ", scratch = base.substr(base.rfind('\\') + 1);
    std::string roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT", longE, euros; // é: 2 bytes, €: 3
    for (int i = 0; i < 254; i++)
        longE += "\xc3\xa9", euros += i < 8 ? "\xe2\x82\xac" : "";
    ASSERT_TRUE(SeedText("A\\B", "", "x") && SeedText("A\\B", n, "x") && SeedKey("A\\B\\C", "c class") && SeedKey("K\\Sub"));
    ASSERT_TRUE(SeedKey("P\\Locked") && MarkUnreadable("P\\Locked") && SeedKey(f + "\\" + s) && SeedKey(f + "\\" + t));
    ASSERT_TRUE(SeedValue("K", "n", REG_DWORD, std::string("\x07\0\0\0", 4)));
    ASSERT_TRUE(!utf8 || (SeedKey("U\\A" + longE) && SeedKey("U\\B") && SeedKey("U\\C") && SeedText("U", longE.substr(0, 200), euros)));
    const HWND b[2] = {OpenBrowser(), OpenBrowser()};
    ASSERT_TRUE(b[0] && b[1]) << "the setup dialogs did not open two browsers";
    // who: 1 or 2; keys "*": the lists are not compared; path: "~" is the scratch tree.
    struct Row {
        int who;
        char action;
        std::string entry, keys, values, name, keyClass, path, data, boxes;
    };
    std::vector<Row> rows = {
        {1, 'u', "", roots, "", "", "", "", "", "Top Level: You can not backup any further. / Registry Utility"},
        {1, 'd', "", roots, "", "", "", "", "", "Please select an item from the list box / Registry Utility"},
        {1, 'd', "HKEY_CURRENT_USER", "*", "", "HKEY_CURRENT_USER", "", "", "", ""},
        {2, 'd', "HKEY_LOCAL_MACHINE", "*", "", "HKEY_LOCAL_MACHINE", "", "", "", ""},
        {1, 'd', "Software", "*", "", "Software", "", "Software", "", ""},
        {2, 'd', "Software", "*", "", "Software", "", "Software", "", ""},
        {1, 'd', "QtxTest", "*", "", "QtxTest", "", "Software\\QtxTest", "", ""},
        {1, 'd', scratch, top, "", scratch, "", "~", "", ""},
        {2, 'u', "", "*", "", "HKEY_LOCAL_MACHINE", "", "", "", ""},
        {2, 'u', "", "*", "", "", "", "", "", ""},
        {1, 'd', "A", "..|B", "", "A", "", "~\\A", "", ""},
        {1, 'd', "B", "..|C", ab, "B", "", "~\\A\\B", "", ""},
        {1, 'v', "1) " + n + " ", "..|C", ab, "B", "", "~\\A\\B", "\"x\"", ""},
        {1, 'k', "C", "..", "", "C", "c class", "~\\A\\B\\C", "", ""},
        {1, 'u', "", "..|C", ab, "B", "", "~\\A\\B", "", ""},
        {1, 'k', "..", "..|B", "", "A", "", "~\\A", "", ""},
        {1, 'd', "..", top, "", scratch, "", "~", "", ""},
        {1, 'd', "K", "..|Sub", "0) n ", "K", "", "~\\K", "", ""},
        {2, 'd', "HKEY_USERS", "*", "", "HKEY_USERS", "", "", "", ""},
        {1, 'v', "0) n ", "..|Sub", "0) n ", "K", "", "~\\K", "7", ""},
        {1, 'd', "Sub", "..", "", "Sub", "", "~\\K\\Sub", "7", ""},
        {1, 'u', "", "..|Sub", "0) n ", "K", "", "~\\K", "7", ""},
        {1, 'g', "Sub", "..", "0) n ", "K", "", "~\\K", "7", "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
        {1, 'k', "..", top, "", scratch, "", "~", "", ""},
        {1, 'd', "P", "..|Locked", "", "P", "", "~\\P", "", ""},
        {1, 'd', "Locked", "..|Locked", "", "P", "", "~\\P", "", "Error: unable to open key.  Probably due to security reasons. / "},
        {1, 'u', "", top, "", scratch, "", "~", "", ""},
        {1, 'd', f, "..|" + s + "|" + t, "", f, "", "~\\" + f, "", ""},
        {1, 'd', t, "..|" + s + "|" + t, "", f, "", "~\\" + f, "", "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility"},
        {1, 'k', "..", top, "", scratch, "", "~", "", ""},
    };
    if (utf8) // a name past 259 bytes left out, a value name past 127 bytes and data longer than its size
        rows.insert(rows.end(), {{1, 'd', "U", "..|B|C", "0) " + longE.substr(0, 200) + " ", "U", "", "~\\U", "", ""},
                                 {1, 'v', "0) " + longE.substr(0, 200) + " ", "..|B|C", "0) " + longE.substr(0, 200) + " ", "U", "", "~\\U", "\"" + euros + "\"", ""}});
    for (Row &row : rows) {
        if (row.action == 'g')
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (Field(b[0], IDC_REG_PATH).substr(base.size() + 1) + "\\" + row.entry).c_str());
        std::string path = row.path[0] == '~' ? base + row.path.substr(1) : row.path, what = row.action + (" " + row.entry).substr(0, 40);
        std::string want = (row.keys == "*" ? "" : row.keys + "/" + row.values + "|") + row.name + "|" + row.keyClass + "|" + path + "|" + row.data + "|" + (row.boxes.empty() ? "" : row.boxes + "\n");
        EXPECT_EQ(Act(b[row.who - 1], row.action == 'g' ? 'd' : row.action, row.entry, row.keys != "*", want), want) << row.who << what;
    }
    // Enter, Escape, OK and Cancel leave a browser open; the system close ends only its own.
    Key(b[0], IDC_REG_KEYS, VK_ESCAPE), Key(b[0], IDC_REG_KEYS, VK_RETURN);
    PostMessageA(b[0], WM_COMMAND, IDOK, 0), PostMessageA(b[0], WM_COMMAND, IDCANCEL, 0), CloseBox(b[1]);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(b[1]); }) && IsWindowVisible(b[0]));
}

} // namespace
