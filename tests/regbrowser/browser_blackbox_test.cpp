// Two browsers of the running QTXILOAD.EXE over the scratch tree below HKEY_CURRENT_USER, also under UTF-8.
#include "resource.h"
#include "shared/regtest.h"
#include "wine/wintest.h"

#include <algorithm>
#include <tuple>

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
    void TearDown() override // Close ends the loop of every dialog still open
    {
        EXPECT_EQ((PostMessageA(main, WM_COMMAND, IDM_CLOSE, 0), WaitChild(child)), 0u);
        StopChild(child), RegistryTest::TearDown();
    }
    std::vector<HWND> With(int id) // the program's dialogs on screen that hold control id
    {
        std::vector<HWND> d = VisibleDialogs(child.pid);
        return d.erase(std::remove_if(d.begin(), d.end(), [&](HWND w) { return !GetDlgItem(w, id); }), d.end()), d;
    }
    // Selects entry, posts the action (d Next/Down, u Back/Up, k or v a double-click in the key or
    // value list; g Next/Down on a key deleted meanwhile) and waits until the browser shows want.
    void Step(HWND b, char action, const std::string &entry, const std::string &want)
    {
        HWND list = GetDlgItem(b, action == 'v' ? IDC_REG_VALUES : IDC_REG_KEYS);
        std::vector<std::string> lines = ListLines(list);
        SendMessageW(list, LB_SETCURSEL, entry.empty() ? -1 : std::find(lines.begin(), lines.end(), entry) - lines.begin(), 0);
        if (action == 'g')
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (Field(b, IDC_REG_PATH).substr(RegFixtureScratch().size() + 1) + "\\" + entry).c_str());
        int command = action == 'u' ? IDC_REG_UP : action == 'd' || action == 'g' ? IDC_REG_DOWN : 0;
        PostMessageA(b, WM_COMMAND, command ? command : MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), command ? 0 : LPARAM(list));
        std::string boxes, now;
        WaitUntil([&] {
            for (HWND box : With(IDOK)) // message boxes: each recorded and answered once
                if (IsWindowEnabled(box) && !EnableWindow(box, FALSE)) {
                    boxes += Field(box, 0xffff) + " / " + ControlText(box) + (GetWindow(box, GW_OWNER) == b ? "\n" : " (not owned)\n");
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
            now = want[0] == '-' ? "-" : Join(ListLines(GetDlgItem(b, IDC_REG_KEYS))) + "/" + Join(ListLines(GetDlgItem(b, IDC_REG_VALUES))) + "|";
            for (int id : {IDC_REG_KEYNAME, IDC_REG_CLASS, IDC_REG_PATH, IDC_REG_DATA})
                now += Field(b, id) + "|";
            return (now += boxes) == want;
        });
        EXPECT_EQ(now, want) << action << " " << entry.substr(0, 40);
    }
    ChildProcess child;
    HWND main = NULL;
};

TEST_F(BrowserBlackBox, EachOfTwoBrowsersWalksTheKeyItsPathSays)
{
    const bool utf8 = GetACP() == CP_UTF8;
    if (getenv("QTX_EXPECT_UTF8") && !utf8)
        GTEST_SKIP() << "Wine runs this under code page " << GetACP() << ", not 65001: is the locale of LC_ALL there?";
    const std::string base = RegFixtureScratch(), f(200, 'f'), s(57 - base.size(), 's'), t(58 - base.size(), 't');
    const std::string top = "..|" + f + "|K|P" + (utf8 ? "|U" : "") + "/|", scratch = base.substr(base.rfind('\\') + 1);
    std::string roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT/|", longE, euros; // é: 2 bytes, €: 3
    for (int i = 0; i < 254; i++)
        longE += "\xc3\xa9", euros += i < 8 ? "\xe2\x82\xac" : "";
    ASSERT_TRUE(SeedKey("K", "c class") && SeedKey("K\\Sub") && SeedValue("K", "n", REG_DWORD, std::string("\x07\0\0\0", 4)));
    ASSERT_TRUE(SeedKey("P\\Locked") && MarkUnreadable("P\\Locked") && SeedKey(f + "\\" + s) && SeedKey(f + "\\" + t));
    ASSERT_TRUE(!utf8 || (SeedKey("U\\A" + longE) && SeedKey("U\\B") && SeedKey("U\\C") && SeedText("U", longE.substr(0, 200), euros)));
    std::vector<HWND> b; // each through a setup dialog of its own, as a user opens a second one
    PostMessageA(main, WM_COMMAND, IDM_SETUP, 0), PostMessageA(main, WM_COMMAND, IDM_SETUP, 0);
    ASSERT_TRUE(WaitUntil([&] { return With(IDC_HINT_LIST).size() == 2; })) << "no two setup dialogs";
    for (HWND setup : With(IDC_HINT_LIST))
        PostMessageA(setup, WM_COMMAND, IDC_HINT_BROWSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return (b = With(IDC_REG_KEYS)).size() == 2; })) << "no two browsers";
    // Browser 1 or 2, action, entry; what it then shows: key list/value list ("-": not compared)|
    // key name|class|path ("~": the scratch tree)|data|messages.
    std::vector<std::tuple<int, char, std::string, std::string>> rows = {
        {1, 'u', "", roots + "||||Top Level: You can not backup any further. / Registry Utility\n"},
        {1, 'd', "", roots + "||||Please select an item from the list box / Registry Utility\n"},
        {1, 'd', "HKEY_CURRENT_USER", "-HKEY_CURRENT_USER||||"}, {2, 'd', "HKEY_LOCAL_MACHINE", "-HKEY_LOCAL_MACHINE||||"},
        {1, 'd', "Software", "-Software||Software||"}, {2, 'd', "Software", "-Software||Software||"},
        {1, 'd', "QtxTest", "-QtxTest||Software\\QtxTest||"}, {1, 'd', scratch, top + scratch + "||~||"},
        {1, 'd', "K", "..|Sub/0) n |K|c class|~\\K||"}, {2, 'u', "", "-HKEY_LOCAL_MACHINE||||"}, {1, 'v', "0) n ", "..|Sub/0) n |K|c class|~\\K|7|"},
        {1, 'g', "Sub", "../0) n |K|c class|~\\K|7|Error: Unable to open key, RegOpenKey = 2, Line = 1063 / \n"},
        {1, 'd', "..", top + scratch + "||~|7|"}, {1, 'k', "P", "..|Locked/|P||~\\P||"},
        {1, 'd', "Locked", "..|Locked/|P||~\\P||Error: unable to open key.  Probably due to security reasons. / \n"},
        {1, 'u', "", top + scratch + "||~||"}, {1, 'd', f, "..|" + s + "|" + t + "/|" + f + "||~\\" + f + "||"},
        {1, 'd', t, "..|" + s + "|" + t + "/|" + f + "||~\\" + f + "||Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility\n"},
    };
    const std::string u = "0) " + longE.substr(0, 200) + " ";
    if (utf8) // a subkey name past 259 bytes left out; a value name past 127 bytes; data longer than its size
        rows.insert(rows.end(), {{1, 'k', "..", top + scratch + "||~||"}, {1, 'd', "U", "..|B|C/" + u + "|U||~\\U||"}, {1, 'v', u, "..|B|C/" + u + "|U||~\\U|\"" + euros + "\"|"}});
    for (auto &[who, action, entry, shows] : rows)
        Step(b[who - 1], action, entry, shows.find('~') == std::string::npos ? shows : shows.replace(shows.find('~'), 1, base));
    Key(b[0], IDC_REG_KEYS, VK_ESCAPE), Key(b[0], IDC_REG_KEYS, VK_RETURN), CloseBox(b[1]); // only the system close ends one
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(b[1]); }) && IsWindowVisible(b[0]));
}

} // namespace
