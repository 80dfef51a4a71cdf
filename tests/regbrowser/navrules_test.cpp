// The navigation rules through the dialog's transitions, over an abstract registry: the rules
// say what to open, the test says how the opening went, and posted steps run in posting order.
#include "regbrowser/regbrowser.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int Guard = 16;

enum Posted { POST_ROOTS, POST_DOWN, POST_UP };

// One dialog over a registry where every root holds the same tree. "Denied" cannot be read,
// "Gone" is listed but missing when opened.
struct Browser {
    std::map<std::string, std::vector<std::string>> tree = {
        {"", {"A", "Denied", "Gone"}}, {"A", {"B"}}, {"A\\B", {"C"}}, {"A\\B\\C", {}}, {"Denied", {}}};
    std::vector<std::string> keys;
    int selected = -1;
    std::string nameField, pathField;
    std::vector<std::string> messages;
    std::deque<Posted> queue;

    void ListKey()
    {
        keys = {".."};
        selected = -1;
        for (const std::string &k : tree[BrowserPath])
            keys.push_back(k);
        pathField = BrowserPath;
    }
    void Enter()
    {
        nameField = BrowserName;
        BrowserStep step = BrowserEnterName(BrowserName, BrowserPath, &BrowserRoot);
        if (step == BROWSE_LIST_ROOT) {
            ListKey();
        } else if (step == BROWSE_OPEN_KEY) {
            LONG code = tree.count(BrowserPath) == 0 ? ERROR_FILE_NOT_FOUND
                        : std::string(BrowserPath) == "Denied" ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
            if (code == ERROR_SUCCESS) {
                ListKey();
                return;
            }
            char text[BROWSER_MESSAGE_SIZE];
            FormatOpenKeyError(code, text, sizeof text);
            messages.push_back(text);
            queue.push_back(POST_UP);
        } else {
            messages.push_back(std::string("unexpected enter step ") + std::to_string(step));
        }
    }
    void Refuse(BrowserStep step) { messages.push_back(std::string(BrowserRefusalText(step)) + " / " BROWSER_CAPTION); }
    void Down()
    {
        BrowserStep step = BrowserGoDown(selected, selected >= 0 ? keys[selected].c_str() : "");
        if (step == BROWSE_POST_UP) {
            queue.push_back(POST_UP);
        } else if (step == BROWSE_ENTER) {
            keys.clear();
            selected = -1;
            Enter();
        } else {
            Refuse(step);
        }
    }
    void Up()
    {
        BrowserStep step = BrowserGoUp();
        if (step == BROWSE_REFUSE_TOP_LEVEL)
            return Refuse(step);
        keys.clear();
        selected = -1;
        if (step == BROWSE_SHOW_ROOTS) {
            nameField = "";
            queue.push_back(POST_ROOTS);
        } else {
            Enter();
        }
    }
    void Roots()
    {
        selected = -1;
        for (int i = 0; i < BROWSER_ROOT_COUNT; i++)
            keys.push_back(BrowserRootName(i));
        BrowserShowRoots();
    }
    void Drain()
    {
        while (!queue.empty()) {
            Posted p = queue.front();
            queue.pop_front();
            if (p == POST_ROOTS)
                Roots();
            else if (p == POST_DOWN)
                Down();
            else
                Up();
        }
    }
    void Open()
    {
        BrowserStart();
        queue.push_back(POST_ROOTS);
        Drain();
    }
    // "down X" selects entry X (or nothing for "down -") and presses Next/Down; "dbl X" double-
    // clicks it; "up" presses Back/Up.
    void Act(const std::string &action)
    {
        std::istringstream in(action);
        std::string verb, entry;
        in >> verb >> entry;
        selected = -1;
        for (size_t i = 0; i < keys.size(); i++) {
            if (keys[i] == entry)
                selected = static_cast<int>(i);
        }
        messages.clear();
        if (verb == "up")
            Up();
        else if (verb == "dbl")
            queue.push_back(POST_DOWN);
        else
            Down();
        Drain();
    }
};

std::string Join(const std::vector<std::string> &v)
{
    std::string s;
    for (const std::string &e : v)
        s += (s.empty() ? "" : "|") + e;
    return s;
}

const char *const Roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT";

struct Row {
    const char *name;
    std::vector<std::string> before; // actions leading to the starting state
    const char *event;
    DWORD root;
    const char *path, *name101, *keys, *message;
};

TEST(NavigationRules, EveryTransition)
{
    const char *noMessage = "";
    const std::vector<std::string> inLm = {"down HKEY_LOCAL_MACHINE"};
    const std::vector<std::string> inA = {"down HKEY_LOCAL_MACHINE", "down A"};
    const std::vector<std::string> inAbc = {"down HKEY_LOCAL_MACHINE", "down A", "down B", "down C"};
    const Row rows[] = {
        {"opening shows the roots", {}, "", 0, "", "", Roots, noMessage},
        {"roots: down with nothing selected", {}, "down -", 0, "", "", Roots,
         "Please select an item from the list box / Registry Utility"},
        {"roots: down into the first root", {}, "down HKEY_LOCAL_MACHINE", 0x80000002, "", "HKEY_LOCAL_MACHINE",
         "..|A|Denied|Gone", noMessage},
        {"roots: down into the last root", {}, "down HKEY_CLASSES_ROOT", 0x80000000, "", "HKEY_CLASSES_ROOT",
         "..|A|Denied|Gone", noMessage},
        {"roots: double-click a root", {}, "dbl HKEY_USERS", 0x80000003, "", "HKEY_USERS", "..|A|Denied|Gone", noMessage},
        {"roots: up", {}, "up", 0, "", "", Roots, "Top Level: You can not backup any further. / Registry Utility"},
        {"key: down with nothing selected", inA, "down -", 0x80000002, "A", "A", "..|B",
         "Please select an item from the list box / Registry Utility"},
        {"key: down on ..", inA, "down ..", 0x80000002, "", "HKEY_LOCAL_MACHINE", "..|A|Denied|Gone", noMessage},
        {"top of root: down on ..", inLm, "down ..", 0, "", "", Roots, noMessage},
        {"top of root: double-click ..", inLm, "dbl ..", 0, "", "", Roots, noMessage},
        {"key: down into a subkey", inA, "down B", 0x80000002, "A\\B", "B", "..|C", noMessage},
        {"key: double-click a subkey", inA, "dbl B", 0x80000002, "A\\B", "B", "..|C", noMessage},
        {"top of root: down into a subkey", inLm, "down A", 0x80000002, "A", "A", "..|B", noMessage},
        {"denied key: message, then the parent again", inLm, "down Denied", 0x80000002, "", "HKEY_LOCAL_MACHINE",
         "..|A|Denied|Gone", "Error: unable to open key.  Probably due to security reasons."},
        {"missing key: message, then the parent again", inLm, "down Gone", 0x80000002, "", "HKEY_LOCAL_MACHINE",
         "..|A|Denied|Gone", "Error: Unable to open key, RegOpenKey = 2, Line = 1063"},
        {"top of root: up", inLm, "up", 0, "", "", Roots, noMessage},
        {"key below the root: up", inA, "up", 0x80000002, "", "HKEY_LOCAL_MACHINE", "..|A|Denied|Gone", noMessage},
        {"A\\B\\C: up", inAbc, "up", 0x80000002, "A\\B", "B", "..|C", noMessage},
        {"A\\B\\C: up twice", {"down HKEY_LOCAL_MACHINE", "down A", "down B", "down C", "up"}, "up", 0x80000002, "A",
         "A", "..|B", noMessage},
        {"A\\B\\C: down on ..", inAbc, "down ..", 0x80000002, "A\\B", "B", "..|C", noMessage},
    };
    for (const Row &row : rows) {
        Browser b;
        BrowserRoot = 0x80000001; // whatever a former opening left behind
        strcpy(BrowserPath, "left\\behind");
        b.Open();
        for (const std::string &a : row.before)
            b.Act(a);
        if (*row.event)
            b.Act(row.event);
        EXPECT_EQ(BrowserRoot, row.root) << row.name;
        EXPECT_STREQ(BrowserPath, row.path) << row.name;
        EXPECT_EQ(b.nameField, row.name101) << row.name;
        if (row.root != 0) {
            EXPECT_EQ(b.pathField, row.path) << row.name;
            EXPECT_STREQ(BrowserName, *row.path ? row.name101 : BrowserRootNameOf(row.root)) << row.name;
        }
        EXPECT_EQ(Join(b.keys), row.keys) << row.name;
        EXPECT_EQ(Join(b.messages), row.message) << row.name;
    }
}

// A descent whose path would pass 259 characters is refused with the state as it was.
TEST(NavigationRules, TooLongPathIsRefusedWithStateUnchanged)
{
    struct Case {
        const char *name;
        size_t pathLength, entryLength;
        bool refused;
    };
    const Case cases[] = {
        {"joined path of 259", 200, 58, false},
        {"joined path of 260", 200, 59, true},
        {"name of 255 at the top", 0, 255, false},
        {"name of 256 at the top", 0, 256, true},
        {"long path, long name", 250, 255, true},
    };
    for (const Case &c : cases) {
        BrowserRoot = 0x80000002;
        std::string path(c.pathLength, 'p');
        strcpy(BrowserPath, path.c_str());
        strcpy(BrowserName, "before");
        std::string entry(c.entryLength, 'e');
        BrowserStep step = BrowserGoDown(3, entry.c_str());
        if (c.refused) {
            EXPECT_EQ(step, BROWSE_REFUSE_TOO_LONG) << c.name;
            EXPECT_EQ(BrowserPath, path) << c.name;
            EXPECT_STREQ(BrowserName, "before") << c.name;
            EXPECT_STREQ(BrowserRefusalText(step),
                         "Error: key path too long. Paths of more than 259 characters cannot be opened.");
            continue;
        }
        ASSERT_EQ(step, BROWSE_ENTER) << c.name;
        ASSERT_EQ(BrowserEnterName(BrowserName, BrowserPath, &BrowserRoot), BROWSE_OPEN_KEY) << c.name;
        EXPECT_EQ(strlen(BrowserPath), c.pathLength + (c.pathLength ? 1 : 0) + c.entryLength) << c.name;
    }
}

TEST(NavigationRules, RootTableMatchesExactly)
{
    EXPECT_EQ(BrowserRootByName("HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(BrowserRootByName("hkey_current_user"), 0u);
    EXPECT_EQ(BrowserRootByName("HKEY_CURRENT_USER "), 0u);
    EXPECT_EQ(BrowserRootByName("HKEY_CURRENT_CONFIG"), 0u);
    EXPECT_STREQ(BrowserRootNameOf(0x80000003), "HKEY_USERS");
    EXPECT_EQ(BrowserRootNameOf(0x80000005), nullptr);
    DWORD root = 0;
    char path[BROWSER_PATH_SIZE] = "";
    EXPECT_EQ(BrowserEnterName("HKEY_LOCAL_MACHINE\\A", path, &root), BROWSE_SHOW_ROOTS);
    EXPECT_EQ(root, 0u);
}

TEST(NavigationRules, ValueEntries)
{
    struct Case {
        DWORD index;
        std::string name, expected;
    };
    const Case cases[] = {
        {0, "", "0) <NO NAME> "},
        {12, "Need3DOn2D", "12) Need3DOn2D "},
        {7, std::string(127, 'n'), "7) " + std::string(127, 'n') + " "},
        {0xffffffff, "x", "-1) x "},
    };
    for (const Case &c : cases) {
        char text[VALUE_ENTRY_SIZE + Guard];
        memset(text, 0xbd, sizeof text);
        FormatValueEntry(c.index, c.name.c_str(), text, VALUE_ENTRY_SIZE);
        EXPECT_EQ(text, c.expected) << "index " << c.index;
        for (size_t i = VALUE_ENTRY_SIZE; i < sizeof text; i++)
            EXPECT_EQ(text[i], static_cast<char>(0xbd)) << "index " << c.index;
    }
}

TEST(NavigationRules, OpenFailureTexts)
{
    char text[BROWSER_MESSAGE_SIZE];
    FormatOpenKeyError(5, text, sizeof text);
    EXPECT_STREQ(text, "Error: unable to open key.  Probably due to security reasons.");
    FormatOpenKeyError(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "Error: Unable to open key, RegOpenKey = -2147483648, Line = 1063");
}

} // namespace
