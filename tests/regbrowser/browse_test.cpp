// The browser's registry walks over the substitute registry: listing, value display, their
// failures, and a whole browsing session that must leave nothing behind.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/regtest.h"
#include "substitute/subst_control.h"
#include "value_cases.h"

namespace {

// What the walks showed, in the shape the dialog would show it.
struct Recorder {
    std::map<int, std::string> fields;
    std::map<int, std::vector<std::string>> lists;
    std::vector<std::string> messages; // "text / caption"
    BrowserView view = {this, SetText, SetNumber, [](void *, int, DWORD) {}, Add, Message};

    Recorder() = default;
    Recorder(const Recorder &) = delete; // the view points at this one
    void Clear() { fields.clear(), lists.clear(), messages.clear(); }

    static Recorder *Of(void *c) { return static_cast<Recorder *>(c); }
    static void SetText(void *c, int id, const char *text) { Of(c)->fields[id] = text; }
    static void SetNumber(void *c, int id, DWORD n, BOOL isSigned)
    {
        Of(c)->fields[id] = isSigned ? std::to_string(static_cast<LONG>(n)) : std::to_string(n);
    }
    static void Add(void *c, int list, const char *text) { Of(c)->lists[list].push_back(text); }
    static void Message(void *c, const char *text, const char *caption)
    {
        Of(c)->messages.push_back(std::string(text) + " / " + caption);
    }
    // A field as shown, "<unset>" when the walk never set it.
    std::string Field(int id) { return fields.count(id) ? fields[id] : "<unset>"; }
};

const DWORD LM = 0x80000002;
const char *const Unset = "<unset>";

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
        RegistryTest::TearDown();
    }
};

TEST_F(BrowseTest, ValueOfEveryTypeFromTheRegistry)
{
    const std::vector<HCURSOR> framed = {LoadCursorA(NULL, IDC_WAIT), LoadCursorA(NULL, IDC_ARROW)};
    for (const ShownValue &c : EveryTypeCases()) {
        ASSERT_TRUE(SeedValue("K", "v", c.type, c.data)) << c.name;
        SubstResetKernel();
        Recorder r;
        ShowValueData(LM, "K", 0, &r.view);
        EXPECT_EQ(r.Field(IDC_REG_TYPE), c.typeField) << c.name;
        EXPECT_EQ(r.Field(IDC_REG_DATA), c.dataField ? c.dataField : Unset) << c.name;
        EXPECT_EQ(Join(r.messages), "") << c.name;
        // The hourglass for the binary and multi-string walks, put back after them.
        bool walks = c.type == REG_BINARY || c.type == REG_MULTI_SZ;
        EXPECT_EQ(SubstCursorHistory(), walks ? framed : std::vector<HCURSOR>{}) << c.name;
    }
}

TEST_F(BrowseTest, ValueDisplayFailures)
{
    ASSERT_TRUE(SeedValue("K", "bin", REG_BINARY, Bytes({1, 2})));
    ASSERT_TRUE(SeedText("K", "text", "hello"));
    const char *sz = "REG_SZ: A null-terminated Unicode string.";
    const char *noMore = "Error: RegEnumValue = 259, cbData = 12, line 1325 / ";
    struct Case {
        const char *name;
        DWORD root;
        const char *path;
        DWORD index;
        LONG queryFails;
        int heapSuccesses;
        const char *typeField, *dataField, *messages;
    };
    const Case cases[] = {
        {"missing key", LM, "Gone", 0, 0, -1, Unset, Unset, "Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {"no root (list of roots)", 0, "", 0, 0, -1, Unset, Unset, "Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {"nothing selected", LM, "K", 0xffffffff, 0, -1, Unset, Unset, noMore},
        {"index past the values", LM, "K", 2, 0, -1, Unset, Unset, noMore},
        {"key query fails: size from the value", LM, "K", 1, ERROR_ACCESS_DENIED, -1, sz, "\"hello\"",
         "Error: RegQIK = 5, 1300 / "},
        {"data buffer not given", LM, "K", 1, 0, 0, sz, Unset, ""},
        {"text buffer not given", LM, "K", 1, 0, 1, sz, Unset, ""},
        {"hex dump buffer not given", LM, "K", 0, 0, 1, "REG_BINARY: Freeform binary data.", Unset,
         "Error: BinaryStrBuf = malloc failed / Debug: DisplayKeyData"},
    };
    for (const Case &c : cases) {
        SubstRegFailQueryInfo(c.queryFails);
        SubstHeapFailAfter(c.heapSuccesses);
        Recorder r;
        ShowValueData(c.root, c.path, c.index, &r.view);
        SubstRegFailQueryInfo(ERROR_SUCCESS);
        SubstHeapFailAfter(-1);
        EXPECT_EQ(r.Field(IDC_REG_TYPE), c.typeField) << c.name;
        EXPECT_EQ(r.Field(IDC_REG_DATA), c.dataField) << c.name;
        EXPECT_EQ(Join(r.messages), c.messages) << c.name;
        EXPECT_EQ(SubstHeapLiveBlocks(), 0) << c.name;
        EXPECT_NO_OPEN_KEYS(c.name);
    }
}

TEST_F(BrowseTest, Listing)
{
    ASSERT_TRUE(SeedKey("K", "the class"));
    ASSERT_TRUE(SeedKey("K\\sub1"));
    ASSERT_TRUE(SeedKey("K\\sub2"));
    ASSERT_TRUE(SeedKey("Locked"));
    ASSERT_TRUE(MarkUnreadable("Locked"));
    for (const std::string &name : {std::string(""), std::string("Named"), std::string(127, 'n'), std::string(128, 'o')})
        ASSERT_TRUE(SeedText("K", name, "x"));
    const std::string n127 = std::string(127, 'n');
    struct Case {
        const char *name;
        DWORD root;
        LONG queryFails;
        bool opened;
        const char *path, *classField, *keys;
        std::string values;
        const char *messages;
    };
    const Case cases[] = {
        {"HKEY_LOCAL_MACHINE", 0, 0, true, "", "", "..|K|Locked", "", ""},
        // A name that does not fit the 128-byte buffer is reported and listed without its name.
        {"K", LM, 0, true, "K", "the class", "..|sub1|sub2", "0) <NO NAME> |1) Named |2) " + n127 + " |3) <NO NAME> ",
         "Line:1198 0 based index = 3, retValue = 234, ValueLen = 128 / Debug"},
        // Without the key query, values are listed until there are no more.
        {"K", LM, ERROR_ACCESS_DENIED, true, "K", "", "..|sub1|sub2", "0) <NO NAME> |1) Named |2) " + n127 + " |3) <NO NAME> ",
         "Line:1198 0 based index = 3, retValue = 234, ValueLen = 128 / Debug"},
        // The name stays on the path until Back/Up follows.
        {"Locked", LM, 0, false, "Locked", Unset, "", "",
         "Error: unable to open key.  Probably due to security reasons. / "},
        {"Gone", LM, 0, false, "Gone", Unset, "", "", "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
    };
    const std::vector<HCURSOR> framedTwice = {LoadCursorA(NULL, IDC_WAIT), LoadCursorA(NULL, IDC_ARROW),
                                              LoadCursorA(NULL, IDC_WAIT), LoadCursorA(NULL, IDC_ARROW)};
    for (const Case &c : cases) {
        SubstResetKernel();
        SubstRegFailQueryInfo(c.queryFails);
        DWORD root = c.root;
        char path[BROWSER_PATH_SIZE] = "";
        Recorder r;
        EXPECT_EQ(EnterAndListKey(c.name, path, &root, &r.view), c.opened) << c.name;
        SubstRegFailQueryInfo(ERROR_SUCCESS);
        EXPECT_EQ(root, LM) << c.name;
        EXPECT_STREQ(path, c.path) << c.name;
        EXPECT_EQ(r.Field(IDC_REG_CLASS), c.classField) << c.name;
        EXPECT_EQ(r.Field(IDC_REG_PATH), c.opened ? c.path : Unset) << c.name;
        EXPECT_EQ(Join(r.lists[IDC_REG_KEYS]), c.keys) << c.name;
        EXPECT_EQ(Join(r.lists[IDC_REG_VALUES]), c.values) << c.name;
        EXPECT_EQ(Join(r.messages, "\n"), c.messages) << c.name;
        EXPECT_EQ(SubstCursorHistory(), c.opened ? framedTwice : std::vector<HCURSOR>{}) << c.name;
    }
}

// Every key and value with its type and bytes, depth first.
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

// Walks the tree as a user would: down into every key, every value displayed, back up.
void Browse(Recorder &r, int *keysSeen, int *valuesShown)
{
    std::vector<std::string> keys = r.lists[IDC_REG_KEYS];
    for (size_t i = 0; i < r.lists[IDC_REG_VALUES].size(); i++, ++*valuesShown)
        ShowValueData(BrowserRoot, BrowserPath, static_cast<DWORD>(i), &r.view);
    for (size_t i = 1; i < keys.size(); i++) {
        r.Clear();
        ASSERT_EQ(BrowserGoDown(static_cast<int>(i), keys[i].c_str()), BROWSE_ENTER);
        ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &r.view)) << BrowserPath;
        ++*keysSeen;
        Browse(r, keysSeen, valuesShown);
        r.Clear();
        ASSERT_EQ(BrowserGoUp(), BROWSE_ENTER);
        ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &r.view)) << BrowserPath;
    }
}

TEST_F(BrowseTest, SessionLeavesNothingBehindAndChangesNothing)
{
    int seeded = 0;
    for (int a = 0; a < 4; a++) {
        for (int b = 0; b < 3; b++) {
            std::string path = "Gen\\k" + std::to_string(a) + "\\s" + std::to_string(b);
            for (DWORD type = 0; type <= 11; type++, seeded++)
                ASSERT_TRUE(SeedValue(path, "v" + std::to_string(type), type,
                                      std::string(static_cast<size_t>(type * 3 + a), static_cast<char>('a' + b))));
        }
    }
    std::string before = Snapshot("");
    BrowserStart();
    BrowserShowRoots();
    Recorder r;
    ASSERT_EQ(BrowserGoDown(0, "HKEY_LOCAL_MACHINE"), BROWSE_ENTER);
    ASSERT_TRUE(EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &r.view));
    int keysSeen = 0, valuesShown = 0;
    Browse(r, &keysSeen, &valuesShown);
    EXPECT_EQ(keysSeen, 1 + 4 + 12);
    EXPECT_EQ(valuesShown, seeded);
    EXPECT_EQ(Snapshot(""), before);
}

} // namespace
