// The browser's registry walks over the substitute registry: listing, value display, their
// failures, and a whole browsing session that must leave nothing behind.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/regtest.h"
#include "substitute/subst_control.h"
#include "value_cases.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// What the walks showed, in the shape the dialog would show it.
struct Recorder {
    std::map<int, std::string> fields;
    std::map<int, std::vector<std::string>> lists;
    std::vector<std::string> messages; // "text / caption"

    BrowserView View()
    {
        BrowserView view = {this, SetText, SetNumber, Prepare, Add, Message};
        return view;
    }
    static Recorder *Of(void *c) { return static_cast<Recorder *>(c); }
    static void SetText(void *c, int id, const char *text) { Of(c)->fields[id] = text; }
    static void SetNumber(void *c, int id, DWORD n, BOOL isSigned)
    {
        Of(c)->fields[id] = isSigned ? std::to_string(static_cast<LONG>(n)) : std::to_string(n);
    }
    static void Prepare(void *, int, DWORD) {}
    static void Add(void *c, int list, const char *text) { Of(c)->lists[list].push_back(text); }
    static void Message(void *c, const char *text, const char *caption)
    {
        Of(c)->messages.push_back(std::string(text) + " / " + caption);
    }
};

std::string Join(const std::vector<std::string> &v)
{
    std::string s;
    for (const std::string &e : v)
        s += (s.empty() ? "" : "|") + e;
    return s;
}

const DWORD LM = 0x80000002;

class BrowseTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        AppHeap = HeapCreate(0, 0, 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(SubstHeapLiveBlocks(), 0) << "heap blocks left behind";
        EXPECT_NO_OPEN_KEYS("the browser");
        HeapDestroy(AppHeap);
        AppHeap = NULL;
        RegistryTest::TearDown();
    }
    // Shows the value at index of LM\path into fresh fields.
    Recorder Show(const char *path, DWORD index, DWORD root = LM)
    {
        Recorder r;
        BrowserView view = r.View();
        ShowValueData(root, path, index, &view);
        return r;
    }
};

TEST_F(BrowseTest, ValueOfEveryTypeFromTheRegistry)
{
    for (const ShownValue &c : EveryTypeCases()) {
        ASSERT_TRUE(SeedValue("K", "v", c.type, c.data)) << c.name;
        SubstResetKernel();
        Recorder r = Show("K", 0);
        EXPECT_EQ(r.fields[IDC_REG_TYPE], c.typeField) << c.name;
        EXPECT_EQ(r.fields.count(IDC_REG_DATA), c.dataField ? 1u : 0u) << c.name;
        if (c.dataField) {
            EXPECT_EQ(r.fields[IDC_REG_DATA], c.dataField) << c.name;
        }
        EXPECT_EQ(Join(r.messages), "") << c.name;
        // The hourglass for the binary and multi-string walks, put back after them.
        size_t cursors = SubstCursorHistory().size();
        EXPECT_EQ(cursors, c.type == REG_BINARY || c.type == REG_MULTI_SZ ? 2u : 0u) << c.name;
        if (cursors == 2) {
            EXPECT_EQ(SubstCursorHistory()[0], LoadCursorA(NULL, IDC_WAIT)) << c.name;
            EXPECT_EQ(SubstCursorHistory()[1], LoadCursorA(NULL, IDC_ARROW)) << c.name;
        }
    }
}

TEST_F(BrowseTest, ValueDisplayFailures)
{
    ASSERT_TRUE(SeedValue("K", "bin", REG_BINARY, Bytes({1, 2})));
    ASSERT_TRUE(SeedText("K", "text", "hello"));
    struct Case {
        const char *name;
        DWORD root;
        const char *path;
        DWORD index;
        std::function<void()> arrange;
        const char *typeField; // nullptr: not set
        const char *dataField; // nullptr: not set
        const char *messages;
    };
    const Case cases[] = {
        {"missing key", LM, "Gone", 0, [] {}, nullptr, nullptr, "Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {"no root (list of roots)", 0, "", 0, [] {}, nullptr, nullptr, "Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {"nothing selected", LM, "K", 0xffffffff, [] {}, nullptr, nullptr,
         "Error: RegEnumValue = 259, cbData = 12, line 1325 / "},
        {"index past the values", LM, "K", 2, [] {}, nullptr, nullptr,
         "Error: RegEnumValue = 259, cbData = 12, line 1325 / "},
        {"key query fails: size from the value", LM, "K", 1, [] { SubstRegFailQueryInfo(ERROR_ACCESS_DENIED); },
         "REG_SZ: A null-terminated Unicode string.", "\"hello\"", "Error: RegQIK = 5, 1300 / "},
        {"data buffer not given", LM, "K", 1, [] { SubstHeapFailAfter(0); }, "REG_SZ: A null-terminated Unicode string.",
         nullptr, ""},
        {"text buffer not given", LM, "K", 1, [] { SubstHeapFailAfter(1); }, "REG_SZ: A null-terminated Unicode string.",
         nullptr, ""},
        {"hex dump buffer not given", LM, "K", 0, [] { SubstHeapFailAfter(1); }, "REG_BINARY: Freeform binary data.",
         nullptr, "Error: BinaryStrBuf = malloc failed / Debug: DisplayKeyData"},
    };
    for (const Case &c : cases) {
        SubstResetKernel();
        c.arrange();
        Recorder r = Show(c.path, c.index, c.root);
        SubstRegFailQueryInfo(ERROR_SUCCESS);
        SubstHeapFailAfter(-1);
        EXPECT_EQ(r.fields.count(IDC_REG_TYPE), c.typeField ? 1u : 0u) << c.name;
        if (c.typeField) {
            EXPECT_EQ(r.fields[IDC_REG_TYPE], c.typeField) << c.name;
        }
        EXPECT_EQ(r.fields.count(IDC_REG_DATA), c.dataField ? 1u : 0u) << c.name;
        if (c.dataField) {
            EXPECT_EQ(r.fields[IDC_REG_DATA], c.dataField) << c.name;
        }
        EXPECT_EQ(Join(r.messages), c.messages) << c.name;
        EXPECT_EQ(SubstHeapLiveBlocks(), 0) << c.name;
        EXPECT_NO_OPEN_KEYS(c.name);
    }
}

TEST_F(BrowseTest, ListingAKey)
{
    ASSERT_TRUE(SeedKey("K", "the class"));
    ASSERT_TRUE(SeedKey("K\\sub1"));
    ASSERT_TRUE(SeedKey("K\\sub2"));
    ASSERT_TRUE(SeedText("K", "", "default"));
    ASSERT_TRUE(SeedText("K", "Named", "x"));
    ASSERT_TRUE(SeedText("K", std::string(127, 'n'), "x"));
    ASSERT_TRUE(SeedText("K", std::string(128, 'o'), "x"));
    DWORD root = 0;
    char path[BROWSER_PATH_SIZE] = "";
    Recorder r;
    BrowserView view = r.View();
    ASSERT_TRUE(EnterAndListKey("HKEY_LOCAL_MACHINE", path, &root, &view));
    EXPECT_EQ(root, LM);
    EXPECT_EQ(Join(r.lists[IDC_REG_KEYS]), "..|K");
    EXPECT_EQ(r.fields[IDC_REG_PATH], "");

    SubstResetKernel();
    r = Recorder();
    ASSERT_TRUE(EnterAndListKey("K", path, &root, &view));
    EXPECT_STREQ(path, "K");
    EXPECT_EQ(r.fields[IDC_REG_CLASS], "the class");
    EXPECT_EQ(r.fields[IDC_REG_PATH], "K");
    EXPECT_EQ(Join(r.lists[IDC_REG_KEYS]), "..|sub1|sub2");
    // A name that does not fit the 128-byte buffer is reported and listed without its name.
    EXPECT_EQ(Join(r.lists[IDC_REG_VALUES]), "0) <NO NAME> |1) Named |2) " + std::string(127, 'n') + " |3) <NO NAME> ");
    EXPECT_EQ(Join(r.messages), "Line:1198 0 based index = 3, retValue = 234, ValueLen = 128 / Debug");
    HCURSOR wait = LoadCursorA(NULL, IDC_WAIT), arrow = LoadCursorA(NULL, IDC_ARROW);
    EXPECT_EQ(SubstCursorHistory(), std::vector<HCURSOR>({wait, arrow, wait, arrow}));
}

TEST_F(BrowseTest, ListingWhenTheKeyQueryFails)
{
    ASSERT_TRUE(SeedKey("K\\sub"));
    ASSERT_TRUE(SeedText("K", "a", "x"));
    ASSERT_TRUE(SeedText("K", "b", "y"));
    SubstRegFailQueryInfo(ERROR_ACCESS_DENIED);
    DWORD root = LM;
    char path[BROWSER_PATH_SIZE] = "";
    Recorder r;
    BrowserView view = r.View();
    ASSERT_TRUE(EnterAndListKey("K", path, &root, &view));
    SubstRegFailQueryInfo(ERROR_SUCCESS);
    EXPECT_EQ(r.fields[IDC_REG_CLASS], "");
    EXPECT_EQ(Join(r.lists[IDC_REG_KEYS]), "..|sub");
    EXPECT_EQ(Join(r.lists[IDC_REG_VALUES]), "0) a |1) b ");
    EXPECT_EQ(Join(r.messages), "");
}

TEST_F(BrowseTest, OpeningFailuresListNothing)
{
    ASSERT_TRUE(SeedKey("Locked"));
    ASSERT_TRUE(MarkUnreadable("Locked"));
    struct Case {
        const char *name, *message;
    };
    const Case cases[] = {
        {"Locked", "Error: unable to open key.  Probably due to security reasons. / "},
        {"Gone", "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
    };
    for (const Case &c : cases) {
        DWORD root = LM;
        char path[BROWSER_PATH_SIZE] = "";
        Recorder r;
        BrowserView view = r.View();
        EXPECT_FALSE(EnterAndListKey(c.name, path, &root, &view)) << c.name;
        EXPECT_STREQ(path, c.name) << c.name << ": the name stays on the path until Back/Up";
        EXPECT_TRUE(r.lists.empty()) << c.name;
        EXPECT_EQ(r.fields.count(IDC_REG_PATH), 0u) << c.name;
        EXPECT_EQ(Join(r.messages), c.message) << c.name;
    }
}

// Every key and value with its type and bytes, and every class, depth first.
std::string Snapshot(const std::string &path)
{
    std::string out = "[" + path + "]";
    for (const std::string &v : ValueNames(path)) {
        DWORD type = 0;
        std::string bytes;
        ReadValue(path, v, &type, &bytes);
        out += v + "=" + std::to_string(type) + ":" + bytes + ";";
    }
    for (const std::string &k : SubkeyNames(path))
        out += Snapshot(path.empty() ? k : path + "\\" + k);
    return out;
}

// Walks the whole tree as a user would: down into every key, every value displayed, back up.
void Browse(Recorder &r, int *keysSeen, int *valuesShown)
{
    BrowserView view = r.View();
    std::vector<std::string> keys = r.lists[IDC_REG_KEYS];
    std::vector<std::string> values = r.lists[IDC_REG_VALUES];
    for (size_t i = 0; i < values.size(); i++) {
        ShowValueData(BrowserRoot, BrowserPath, static_cast<DWORD>(i), &view);
        ++*valuesShown;
    }
    for (size_t i = 1; i < keys.size(); i++) {
        r = Recorder();
        ASSERT_EQ(BrowserGoDown(static_cast<int>(i), keys[i].c_str()), BROWSE_ENTER);
        ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &view)) << BrowserPath;
        ++*keysSeen;
        Browse(r, keysSeen, valuesShown);
        r = Recorder();
        ASSERT_EQ(BrowserGoUp(), BROWSE_ENTER);
        ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &view)) << BrowserPath;
    }
}

TEST_F(BrowseTest, SessionLeavesNothingBehindAndChangesNothing)
{
    int seeded = 0;
    for (int a = 0; a < 4; a++) {
        for (int b = 0; b < 3; b++) {
            std::string path = "Gen\\k" + std::to_string(a) + "\\s" + std::to_string(b);
            for (DWORD type = 0; type <= 11; type++) {
                std::string bytes(static_cast<size_t>(type * 3 + a), static_cast<char>('a' + b));
                ASSERT_TRUE(SeedValue(path, "v" + std::to_string(type), type, bytes));
                seeded++;
            }
        }
    }
    std::string before = Snapshot("");
    BrowserStart();
    BrowserShowRoots();
    Recorder r;
    BrowserView view = r.View();
    ASSERT_EQ(BrowserGoDown(0, "HKEY_LOCAL_MACHINE"), BROWSE_ENTER);
    ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &view));
    int keysSeen = 0, valuesShown = 0;
    Browse(r, &keysSeen, &valuesShown);
    EXPECT_EQ(keysSeen, 1 + 4 + 12);
    EXPECT_EQ(valuesShown, seeded);
    EXPECT_EQ(Snapshot(""), before);
    EXPECT_EQ(SubstHeapLiveBlocks(), 0);
    EXPECT_NO_OPEN_KEYS("a browsing session");
}

} // namespace
