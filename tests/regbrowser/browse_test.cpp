// The browser's registry walks over the substitute registry: keys listed whatever their names,
// values shown whatever their size or fate between the size query and the read.
#include "common/globals.h"
#include "regbrowser/driver.h"
#include "shared/regtest.h"
#include "substitute/subst_control.h"

#include <functional>
#include <tuple>

namespace {

void ExpectHourglassesPutBack()
{
    const std::vector<HCURSOR> &cursors = SubstCursorHistory();
    for (size_t i = 0; i < cursors.size() + cursors.size() % 2; i++)
        EXPECT_EQ(i < cursors.size() ? cursors[i] : NULL, LoadCursorA(NULL, i % 2 ? IDC_ARROW : IDC_WAIT)) << i;
}

// Value names up to the longest there can be are listed whole and shown with or without the key's
// sizes; a subkey name that does not fit ends nothing; data that outgrows its size is still shown.
TEST_F(RegistryTest, BrowserListsAndShowsNamesAndDataOfAnySize)
{
    AppHeap = HeapCreate(0, 0, 0);
    const size_t lengths[] = {0, 1, 127, 128, 255, 1024, 16383};
    std::string entries = "..|S0|S2|S3|S4|";
    for (size_t i = 0; i < 7; i++) {
        std::string name(lengths[i], char('a' + i));
        ASSERT_TRUE(SeedText("N", name, std::to_string(lengths[i])) && (i > 4 || SeedKey("N\\S" + std::to_string(i))));
        entries += std::to_string(i) + ") " + (i ? name : "<NO NAME>") + " |";
    }
    SubstRegFailEnumKeyAt(1, ERROR_MORE_DATA);
    for (LONG queryFails : {5, 0}) {
        Shown shown;
        HKEY key = NULL;
        SubstRegFailQueryInfo(queryFails);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "N", 0, KEY_READ, &key), ERROR_SUCCESS);
        ListKeyContents(key, &shown.view), RegCloseKey(key);
        EXPECT_EQ(Join(shown.keys) + "|" + Join(shown.values) + "|" + Join(shown.messages), entries) << queryFails;
        ExpectHourglassesPutBack();
        for (size_t i = 0; i < 7; i++, shown.messages.clear()) {
            ShowValueData(0x80000002, "N", DWORD(i), &shown.view);
            EXPECT_EQ(shown.Field(IDC_REG_DATA) + Join(shown.messages),
                      "\"" + std::to_string(lengths[i]) + "\"" + (queryFails ? "Error: RegQIK = 5, 1300 / " : "")) << i;
        }
    }
    Shown gone; // the key deleted between its query and the walks: each value still gets its entry
    HKEY key = NULL;
    ASSERT_TRUE(SeedText("D", "a", "1") && SeedText("D", "b", "2") && !RegOpenKeyExA(HKEY_LOCAL_MACHINE, "D", 0, KEY_READ, &key));
    SubstRegAfterQueryInfo([] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "D"); });
    ListKeyContents(key, &gone.view), RegCloseKey(key);
    EXPECT_EQ(Join(gone.keys) + "|" + Join(gone.values) + "|" + Join(gone.messages), "..|0) <NO NAME> |1) <NO NAME> |Line:1198 0 based index = 0, "
              "retValue = 1018, ValueLen = 6 / Debug|Line:1198 0 based index = 1, retValue = 1018, ValueLen = 6 / Debug");
    ASSERT_TRUE(SeedValue("K", "bin", REG_BINARY, "\x01\x02") && SeedText("K", "text", "hello"));
    const std::tuple<DWORD, DWORD, std::function<void()>, std::string> cases[] = { // root, index, before, type set|data|messages
        {0x80000002, 2, [] {}, "-|<unset>|Error: RegEnumValue = 259, cbData = 12, line 1325 / "},
        {0x80000001, 0, [] {}, "-|<unset>|Error: RegOpenKeyEx = 2 / DisplayKeyData()"},
        {0, 0, [] {}, "-|<unset>|Error: RegOpenKeyEx = 6 / DisplayKeyData()"},
        {0x80000002, 1, [] { SubstRegUnderstateLongestData(7); }, "T|\"hello\"|"}, // 8-bit data longer than reported
        {0x80000002, 1, [] { SubstRegAfterQueryInfo([] { SeedText("K", "text", "grown past its size"); }); }, "T|\"grown past its size\"|"},
        {0x80000002, 0, [] {}, "T|01 02 |"},
        {0x80000002, 1, [] { SubstHeapFailAfter(0); }, "T|<unset>|"}, // no room to read the data into
        {0x80000002, 0, [] { SubstHeapFailAfter(1); }, "T|<unset>|Error: BinaryStrBuf = malloc failed / Debug: DisplayKeyData"},
    };
    for (const auto &[root, index, before, want] : cases) {
        Shown shown;
        before();
        ShowValueData(root, "K", index, &shown.view);
        SubstRegUnderstateLongestData(0), SubstHeapFailAfter(-1), ExpectHourglassesPutBack();
        EXPECT_EQ(std::string(shown.fields.count(IDC_REG_TYPE) ? "T|" : "-|") + shown.Field(IDC_REG_DATA) + "|" + Join(shown.messages), want);
        EXPECT_EQ(SubstHeapLiveBlocks() + OpenKeyCount(), 0) << want;
    }
    HeapDestroy(AppHeap);
}

} // namespace
