// The browser's registry walks over the substitute registry: listing keys whatever their names,
// and showing values whatever their type, size or fate between the size query and the read.
#include "common/globals.h"
#include "regbrowser/driver.h"
#include "shared/regtest.h"
#include "substitute/subst_control.h"

#include <functional>

namespace {

const DWORD LM = 0x80000002;

class BrowseTest : public RegistryTest {
protected:
    void SetUp() override { RegistryTest::SetUp(), AppHeap = HeapCreate(0, 0, 0); }
    void TearDown() override { HeapDestroy(AppHeap), RegistryTest::TearDown(); }
};

// Value names up to the longest the registry takes are listed whole and shown without a
// message, with or without the key's sizes; a subkey name that does not fit ends nothing.
TEST_F(BrowseTest, ListsEveryNameAndShowsEveryValue)
{
    const size_t lengths[] = {0, 1, 127, 128, 255, 1024, 16383};
    std::string entries = "..|S0|S2|S3|S4|";
    for (size_t i = 0; i < 7; i++) {
        std::string name(lengths[i], char('a' + i));
        ASSERT_TRUE(SeedText("N", name, std::to_string(lengths[i])) && (i > 4 || SeedKey("N\\S" + std::to_string(i))));
        entries += std::to_string(i) + ") " + (i ? name : "<NO NAME>") + " |";
    }
    SubstRegFailEnumKeyAt(1, ERROR_MORE_DATA);
    for (LONG queryFails : {0, 5}) {
        Shown shown;
        SubstRegFailQueryInfo(queryFails);
        HKEY key = BrowserRootKey(LM);
        ASSERT_EQ(RegOpenKeyExA(key, "N", 0, KEY_READ, &key), ERROR_SUCCESS);
        ListKeyContents(key, &shown.view);
        RegCloseKey(key);
        EXPECT_EQ(Join(shown.keys) + "|" + Join(shown.values) + "|" + Join(shown.messages), entries) << queryFails;
        for (size_t i = 0; i < 7; i++) {
            shown.messages.clear();
            ShowValueData(LM, "N", DWORD(i), &shown.view);
            EXPECT_EQ(shown.Field(IDC_REG_DATA) + Join(shown.messages), "\"" + std::to_string(lengths[i]) + "\"" +
                      (queryFails ? "Error: RegQIK = 5, 1300 / " : "")) << i;
        }
        EXPECT_EQ(SubstHeapLiveBlocks() + OpenKeyCount(), 0);
    }
    // Every listing and every long value display shows the hourglass and puts the arrow back.
    const std::vector<HCURSOR> &cursors = SubstCursorHistory();
    for (size_t i = 0; i < cursors.size() || i == 0; i++)
        ASSERT_EQ(i < cursors.size() ? cursors[i] : NULL, LoadCursorA(NULL, i % 2 ? IDC_ARROW : IDC_WAIT)) << i;
}

TEST_F(BrowseTest, ValueDisplay)
{
    ASSERT_TRUE(SeedValue("K", "bin", REG_BINARY, "\x01\x02") && SeedText("K", "text", "hello"));
    const std::string sz = "REG_SZ: A null-terminated Unicode string.|";
    const struct {
        DWORD root, index;
        const char *path;
        std::function<void()> before;
        std::string shown; // type field|data field|messages
    } cases[] = {
        {LM, 0, "Gone", [] {}, "<unset>|<unset>|Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {0, 0, "", [] {}, "<unset>|<unset>|Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {LM, 0xffffffff, "K", [] {}, "<unset>|<unset>|Error: RegEnumValue = 259, cbData = 12, line 1325 / "},
        {LM, 1, "K", [] { SubstHeapFailAfter(0); }, sz + "<unset>|"},
        {LM, 1, "K", [] { SubstHeapFailAfter(1); }, sz + "<unset>|"},
        {LM, 0, "K", [] { SubstHeapFailAfter(1); }, "REG_BINARY: Freeform binary data.|<unset>|Error: BinaryStrBuf = malloc failed / Debug: DisplayKeyData"},
        {LM, 1, "K", [] { SubstRegUnderstateLongestData(7); }, sz + "\"hello\"|"}, // 8-bit data longer than reported
        {LM, 1, "K", [] { SubstRegAfterQueryInfo([] { SeedText("K", "text", "grown past its size"); }); }, sz + "\"grown past its size\"|"},
    };
    for (const auto &c : cases) {
        Shown shown;
        c.before();
        ShowValueData(c.root, c.path, c.index, &shown.view);
        SubstHeapFailAfter(-1), SubstRegUnderstateLongestData(0);
        EXPECT_EQ(shown.Field(IDC_REG_TYPE) + "|" + shown.Field(IDC_REG_DATA) + "|" + Join(shown.messages), c.shown);
        EXPECT_EQ(SubstHeapLiveBlocks() + OpenKeyCount(), 0) << c.shown;
    }
    // The data field of every type (the type texts are the rule's, checked with it).
    using namespace std::string_literals;
    const std::pair<std::string, const char *> types[] = {
        {"x"s, "<unset>"}, {"abc\0"s, "\"abc\""}, {"%TEMP%\0"s, "\"%TEMP%\""}, {"\x01\xab\xff"s, "01 ab ff "},
        {"\xff\xff\xff\xff"s, "4294967295"}, {"\0\0\0\x01"s, "1"}, {"\\\0R\0x\0\0\0"s, "\\Rx"},
        {"one\0two\0\0"s, "{ \"one\"  \"two\"  }"}, {"\x10"s, "10 "}, {"x"s, "<unset>"}, {"x"s, "<unset>"}, {"12345678"s, "<unset>"},
    };
    for (DWORD type = 0; type < 12; type++) {
        Shown shown;
        ASSERT_TRUE(SeedValue("V", "", type, types[type].first));
        ShowValueData(LM, "V", 0, &shown.view);
        EXPECT_EQ(shown.Field(IDC_REG_DATA) + Join(shown.messages), types[type].second) << type;
    }
    char text[BROWSER_MESSAGE_SIZE];
    FormatOpenKeyError(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "Error: Unable to open key, RegOpenKey = -2147483648, Line = 1063");
}

} // namespace
