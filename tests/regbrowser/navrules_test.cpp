// The navigation rules through the dialog's transitions, over an abstract registry: the rules
// say what to open, the test says how the opening went, and posted steps run in posting order.
// The refusal of a path past 259 characters is checked through the dialog (registrydlg_test).
#include "regbrowser/regbrowser.h"

#include "shared/regfixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <deque>
#include <map>
#include <sstream>

namespace {

enum Posted { POST_ROOTS, POST_DOWN, POST_UP };

// One dialog over a registry where every root holds the same tree. "Denied" cannot be read,
// "Gone" is listed but missing when opened.
struct Browser {
    std::map<std::string, std::vector<std::string>> tree = {
        {"", {"A", "Denied", "Gone"}}, {"A", {"B"}}, {"A\\B", {"C"}}, {"A\\B\\C", {}}, {"Denied", {}}};
    std::vector<std::string> keys, messages;
    int selected = -1;
    std::string nameField;
    std::deque<Posted> queue;

    void Enter()
    {
        nameField = BrowserName;
        BrowserStep step = BrowserEnterName(BrowserName, BrowserPath, &BrowserRoot);
        LONG code = step != BROWSE_OPEN_KEY         ? ERROR_SUCCESS
                    : !tree.count(BrowserPath)       ? ERROR_FILE_NOT_FOUND
                    : !strcmp(BrowserPath, "Denied") ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        if (step != BROWSE_OPEN_KEY && step != BROWSE_LIST_ROOT) {
            messages.push_back("unexpected step " + std::to_string(step));
        } else if (code == ERROR_SUCCESS) {
            keys = {".."};
            keys.insert(keys.end(), tree[BrowserPath].begin(), tree[BrowserPath].end());
        } else {
            char text[BROWSER_MESSAGE_SIZE];
            FormatOpenKeyError(code, text, sizeof text);
            messages.push_back(text);
            queue.push_back(POST_UP);
        }
    }
    void Go(BrowserStep step)
    {
        if (step == BROWSE_POST_UP || step == BROWSE_SHOW_ROOTS) {
            nameField = step == BROWSE_SHOW_ROOTS ? "" : nameField;
            queue.push_back(step == BROWSE_POST_UP ? POST_UP : POST_ROOTS);
        } else if (step == BROWSE_ENTER) {
            keys.clear();
            Enter();
        } else {
            messages.push_back(std::string(BrowserRefusalText(step)) + " / " BROWSER_CAPTION);
        }
    }
    void Run(Posted p)
    {
        if (p == POST_ROOTS) {
            keys.clear();
            for (int i = 0; i < BROWSER_ROOT_COUNT; i++)
                keys.push_back(BrowserRootName(i));
            BrowserShowRoots();
        } else {
            Go(p == POST_UP ? BrowserGoUp() : BrowserGoDown(selected, selected >= 0 ? keys[selected].c_str() : ""));
        }
        selected = -1;
        while (!queue.empty()) {
            Posted next = queue.front();
            queue.pop_front();
            Run(next);
        }
    }
    // "down X" selects entry X (none for "-") and presses Next/Down, "dbl X" double-clicks it
    // (the same here: both reach Next/Down through the queue); "up" presses Back/Up.
    void Act(const std::string &action)
    {
        std::istringstream in(action);
        std::string verb, entry;
        in >> verb >> entry;
        selected = static_cast<int>(std::find(keys.begin(), keys.end(), entry) - keys.begin());
        selected = selected < static_cast<int>(keys.size()) ? selected : -1;
        messages.clear();
        Run(verb == "up" ? POST_UP : POST_DOWN);
    }
};

const char *const Roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT";
const char *const Top = "..|A|Denied|Gone";
const char *const NoSelection = "Please select an item from the list box / Registry Utility";

TEST(NavigationRules, EveryTransition)
{
    struct Row {
        const char *name;
        std::vector<std::string> before; // actions leading to the starting state
        const char *event;
        DWORD root;
        const char *path, *name101, *keys, *message;
    };
    const std::vector<std::string> inLm = {"down HKEY_LOCAL_MACHINE"};
    const std::vector<std::string> inA = {"down HKEY_LOCAL_MACHINE", "down A"};
    const std::vector<std::string> inAbc = {"down HKEY_LOCAL_MACHINE", "down A", "down B", "down C"};
    const Row rows[] = {
        {"opening shows the roots", {}, "", 0, "", "", Roots, ""},
        {"roots: down with nothing selected", {}, "down -", 0, "", "", Roots, NoSelection},
        {"roots: down into the first root", {}, "down HKEY_LOCAL_MACHINE", 0x80000002, "", "HKEY_LOCAL_MACHINE", Top, ""},
        {"roots: down into the last root", {}, "down HKEY_CLASSES_ROOT", 0x80000000, "", "HKEY_CLASSES_ROOT", Top, ""},
        {"roots: double-click a root", {}, "dbl HKEY_USERS", 0x80000003, "", "HKEY_USERS", Top, ""},
        {"roots: up", {}, "up", 0, "", "", Roots, "Top Level: You can not backup any further. / Registry Utility"},
        {"key: down with nothing selected", inA, "down -", 0x80000002, "A", "A", "..|B", NoSelection},
        {"key: down on ..", inA, "down ..", 0x80000002, "", "HKEY_LOCAL_MACHINE", Top, ""},
        {"top of root: down on ..", inLm, "down ..", 0, "", "", Roots, ""},
        {"top of root: double-click ..", inLm, "dbl ..", 0, "", "", Roots, ""},
        {"key: down into a subkey", inA, "down B", 0x80000002, "A\\B", "B", "..|C", ""},
        {"key: double-click a subkey", inA, "dbl B", 0x80000002, "A\\B", "B", "..|C", ""},
        {"top of root: down into a subkey", inLm, "down A", 0x80000002, "A", "A", "..|B", ""},
        {"denied key: message, then the parent again", inLm, "down Denied", 0x80000002, "", "HKEY_LOCAL_MACHINE", Top,
         "Error: unable to open key.  Probably due to security reasons."},
        {"missing key: message, then the parent again", inLm, "down Gone", 0x80000002, "", "HKEY_LOCAL_MACHINE", Top,
         "Error: Unable to open key, RegOpenKey = 2, Line = 1063"},
        {"top of root: up", inLm, "up", 0, "", "", Roots, ""},
        {"key below the root: up", inA, "up", 0x80000002, "", "HKEY_LOCAL_MACHINE", Top, ""},
        {"A\\B\\C: up", inAbc, "up", 0x80000002, "A\\B", "B", "..|C", ""},
        {"A\\B\\C: down on ..", inAbc, "down ..", 0x80000002, "A\\B", "B", "..|C", ""},
    };
    for (const Row &row : rows) {
        Browser b;
        BrowserRoot = 0x80000001; // whatever a former opening left behind
        strcpy(BrowserPath, "left\\behind");
        BrowserStart();
        b.Run(POST_ROOTS);
        for (const std::string &a : row.before)
            b.Act(a);
        if (*row.event)
            b.Act(row.event);
        EXPECT_EQ(BrowserRoot, row.root) << row.name;
        EXPECT_STREQ(BrowserPath, row.path) << row.name;
        EXPECT_EQ(b.nameField, row.name101) << row.name;
        if (row.root != 0) {
            EXPECT_STREQ(BrowserName, *row.path ? row.name101 : BrowserRootNameOf(row.root)) << row.name;
        }
        EXPECT_EQ(Join(b.keys), row.keys) << row.name;
        EXPECT_EQ(Join(b.messages), row.message) << row.name;
    }
}

TEST(NavigationRules, RootNamesMatchExactly)
{
    EXPECT_EQ(BrowserRootByName("HKEY_CURRENT_USER"), 0x80000001u);
    for (const char *name : {"hkey_current_user", "HKEY_CURRENT_USER ", "HKEY_CURRENT_CONFIG"})
        EXPECT_EQ(BrowserRootByName(name), 0u) << name;
    EXPECT_EQ(BrowserRootNameOf(0x80000005), nullptr);
    DWORD root = 0;
    char path[BROWSER_PATH_SIZE] = "";
    EXPECT_EQ(BrowserEnterName("HKEY_LOCAL_MACHINE\\A", path, &root), BROWSE_SHOW_ROOTS);
    EXPECT_EQ(root, 0u);
}

TEST(NavigationRules, ValueEntriesAndOpenFailureTexts)
{
    struct Case {
        DWORD index;
        std::string name, expected;
    };
    const Case cases[] = {
        {0, "", "0) <NO NAME> "},
        {7, std::string(127, 'n'), "7) " + std::string(127, 'n') + " "},
        {0xffffffff, "x", "-1) x "},
    };
    for (const Case &c : cases) {
        char text[VALUE_ENTRY_SIZE + 16];
        memset(text, GUARD_BYTE, sizeof text);
        FormatValueEntry(c.index, c.name.c_str(), text, VALUE_ENTRY_SIZE);
        EXPECT_EQ(text, c.expected) << "index " << c.index;
        EXPECT_EQ(std::string(text + VALUE_ENTRY_SIZE, 16), std::string(16, static_cast<char>(GUARD_BYTE)));
    }
    char text[BROWSER_MESSAGE_SIZE];
    FormatOpenKeyError(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "Error: Unable to open key, RegOpenKey = -2147483648, Line = 1063");
}

} // namespace
