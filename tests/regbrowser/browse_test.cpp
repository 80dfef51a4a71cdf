// The navigation rules and the registry walks over the substitute registry: every transition,
// the display failures, and a browsing session that must leave nothing behind.
#include "common/globals.h"
#include "regbrowser/driver.h"
#include "shared/regtest.h"
#include "substitute/subst_control.h"

namespace {

const DWORD LM = 0x80000002;

class BrowseTest : public RegistryTest {
protected:
    void SetUp() override { RegistryTest::SetUp(), AppHeap = HeapCreate(0, 0, 0); }
    void TearDown() override { HeapDestroy(AppHeap), RegistryTest::TearDown(); }
};

TEST_F(BrowseTest, EveryTransition)
{
    const std::string L(200, 'L'), S(58, 's'), T(59, 't'), lm = "HKEY_LOCAL_MACHINE", top = "..|A|Denied|Gone|" + L;
    const std::string roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT";
    const std::string noSelection = "Please select an item from the list box / Registry Utility";
    const struct {
        std::vector<std::string> actions; // entries chosen for Next/Down; "-" none, "up" Back/Up
        DWORD root;
        std::string path, name, keys, message; // name: BrowserName unless at the roots
    } rows[] = {
        {{}, 0, "", "", roots, ""},
        {{"-"}, 0, "", "", roots, noSelection},
        {{"up"}, 0, "", "", roots, "Top Level: You can not backup any further. / Registry Utility"},
        {{lm}, LM, "", lm, top, ""},
        {{"HKEY_CLASSES_ROOT"}, 0x80000000, "", "HKEY_CLASSES_ROOT", "..", ""},
        {{lm, ".."}, 0, "", "", roots, ""},
        {{lm, "up"}, 0, "", "", roots, ""},
        {{lm, "A", "-"}, LM, "A", "A", "..|B", noSelection},
        {{lm, "A", ".."}, LM, "", lm, top, ""},
        {{lm, "A", "up"}, LM, "", lm, top, ""},
        {{lm, "A", "B", "C", "up"}, LM, "A\\B", "B", "..|C", ""},
        {{lm, "A", "B", "C", ".."}, LM, "A\\B", "B", "..|C", ""},
        {{lm, "Denied"}, LM, "", lm, top, "Error: unable to open key.  Probably due to security reasons. / "},
        {{lm, "Gone"}, LM, "", lm, "..|A|Denied|" + L, "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / "},
        {{lm, L, S}, LM, L + "\\" + S, S, "..", ""},
        {{lm, L, T}, LM, L, L, "..|" + S + "|" + T,
         "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility"},
    };
    ASSERT_TRUE(SeedKey("A\\B\\C") && SeedKey("Denied") && MarkUnreadable("Denied") && SeedKey(L + "\\" + S) &&
                SeedKey(L + "\\" + T));
    for (const auto &row : rows) {
        Shown shown;
        BrowserRoot = 0x80000001; // whatever a former opening left behind
        strcpy(BrowserPath, "left\\behind");
        BrowserStart();
        shown.Run('r', -1);
        for (const std::string &a : row.actions) {
            shown.messages.clear();
            if (a == "Gone") // listed, then deleted before it is opened
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Gone");
            else
                SeedKey("Gone");
            auto at = std::find(shown.keys.begin(), shown.keys.end(), a);
            shown.Run(a == "up" ? 'u' : 'd', at == shown.keys.end() ? -1 : int(at - shown.keys.begin()));
        }
        std::string name = BrowserRoot ? BrowserName : "", step = Join(row.actions, " ").substr(0, 40);
        EXPECT_EQ(std::to_string(BrowserRoot) + "|" + BrowserPath + "|" + name + "|" + Join(shown.keys) + "|" + Join(shown.messages),
                  std::to_string(row.root) + "|" + row.path + "|" + row.name + "|" + row.keys + "|" + row.message) << step;
    }
    char text[BROWSER_MESSAGE_SIZE];
    FormatOpenKeyError(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "Error: Unable to open key, RegOpenKey = -2147483648, Line = 1063");
}

TEST_F(BrowseTest, ValueDisplayFailures)
{
    ASSERT_TRUE(SeedValue("K", "bin", REG_BINARY, "\x01\x02") && SeedText("K", "text", "hello"));
    const std::string sz = "REG_SZ: A null-terminated Unicode string.|";
    const std::string noMore = "<unset>|<unset>|Error: RegEnumValue = 259, cbData = 12, line 1325 / ";
    const struct {
        DWORD root, index;
        LONG queryFails;
        int heapSuccesses; // -1: every allocation succeeds
        const char *path;
        std::string shown; // type field|data field|messages
    } cases[] = {
        {LM, 0, 0, -1, "Gone", "<unset>|<unset>|Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {0, 0, 0, -1, "", "<unset>|<unset>|Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {LM, 0xffffffff, 0, -1, "K", noMore},
        {LM, 1, ERROR_ACCESS_DENIED, -1, "K", sz + "\"hello\"|Error: RegQIK = 5, 1300 / "},
        {LM, 1, 0, 0, "K", sz + "<unset>|"},
        {LM, 1, 0, 1, "K", sz + "<unset>|"},
        {LM, 0, 0, 1, "K", "REG_BINARY: Freeform binary data.|<unset>|Error: BinaryStrBuf = malloc failed / Debug: DisplayKeyData"},
    };
    for (const auto &c : cases) {
        SubstRegFailQueryInfo(c.queryFails);
        SubstHeapFailAfter(c.heapSuccesses);
        Shown shown;
        ShowValueData(c.root, c.path, c.index, &shown.view);
        SubstHeapFailAfter(-1);
        EXPECT_EQ(shown.Field(IDC_REG_TYPE) + "|" + shown.Field(IDC_REG_DATA) + "|" + Join(shown.messages), c.shown);
        EXPECT_EQ(SubstHeapLiveBlocks() + OpenKeyCount(), 0) << c.shown;
    }
    // Without the key query, values are listed until there are no more (a name too long for the
    // 128-byte buffer is reported and listed without it).
    ASSERT_TRUE(SeedText("K", std::string(128, 'o'), "x"));
    Shown shown;
    DWORD root = LM;
    char path[BROWSER_PATH_SIZE] = "";
    EXPECT_TRUE(EnterAndListKey("K", path, &root, &shown.view));
    SubstRegFailQueryInfo(ERROR_SUCCESS);
    EXPECT_EQ(Join(shown.values) + Join(shown.messages),
              "0) bin |1) <NO NAME> |2) text Line:1198 0 based index = 1, retValue = 234, ValueLen = 128 / Debug");
}

// Down into every key with every value displayed, and back up; counts keys and values seen.
void Browse(Shown &shown, int *seen)
{
    std::vector<std::string> keys = shown.keys;
    for (size_t i = 0; i < shown.values.size(); i++, ++*seen)
        ShowValueData(BrowserRoot, BrowserPath, DWORD(i), &shown.view);
    for (size_t i = 1; i < keys.size(); i++, ++*seen) {
        shown.Run('d', int(i));
        ASSERT_TRUE(shown.messages.empty()) << shown.messages[0];
        Browse(shown, seen);
        shown.Run('u', -1);
    }
}

TEST_F(BrowseTest, SessionLeavesNothingBehindAndChangesNothing)
{
    for (int k = 0; k < 12; k++)
        for (DWORD type = 0; type <= 11; type++)
            ASSERT_TRUE(SeedValue("Gen\\k" + std::to_string(k % 4) + "\\s" + std::to_string(k / 4),
                                  "v" + std::to_string(type), type, std::string(type * 3 + k % 4, char('a' + k))));
    uint64_t changes = SubstRegChangeCount();
    Shown shown;
    BrowserStart();
    shown.Run('r', -1);
    shown.Run('d', 0);
    int seen = 0;
    Browse(shown, &seen);
    EXPECT_EQ(seen, 1 + 4 + 12 + 12 * 12);
    EXPECT_EQ(SubstRegChangeCount(), changes);
    EXPECT_EQ(SubstHeapLiveBlocks() + OpenKeyCount(), 0);
    // Every listing and every long value display shows the hourglass and puts the arrow back.
    const std::vector<HCURSOR> &cursors = SubstCursorHistory();
    for (size_t i = 0; i < cursors.size() || i == 0; i++)
        ASSERT_EQ(i < cursors.size() ? cursors[i] : NULL, LoadCursorA(NULL, i % 2 ? IDC_ARROW : IDC_WAIT)) << i;
}

} // namespace
