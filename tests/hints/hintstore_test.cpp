// The hint store over the registry under test (the substitute natively, Wine's real registry
// redirected to a scratch key under Wine); every operation must leave no key open.
#include "hints/hintstore.h"

#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>

namespace {

typedef std::vector<std::string> Lines;

Lines List()
{
    Lines lines;
    ListAppHints([](const char *line, void *all) { static_cast<Lines *>(all)->push_back(line); }, &lines);
    EXPECT_NO_OPEN_KEYS("ListAppHints");
    return lines;
}

std::string Z(const std::string &text) { return text + '\0'; }

// The flag as RecordValues shows it: the last value of a record whatever the case of its name.
std::string Flag(const std::string &record) { return RecordValues(record).rbegin()->second; }

// Opens the record at position into buffers followed by guard bytes, saves what it read (the
// description only when read whole) with the flag given unless flag < 0, and closes.
// Returns "result held name|description whole ticked", " overrun" when a guard byte changed.
std::string Edit(LONG position, int flag = -1)
{
    AppHintEdit edit = {NULL, NULL};
    char name[HINT_NAME_SIZE + 4], description[HINT_DESCRIPTION_SIZE + 4];
    memset(name, GUARD_BYTE, sizeof name);
    memset(description, GUARD_BYTE, sizeof description);
    BOOL whole = 9, ticked = 9;
    OpenHintResult result = OpenAppHintEdit(position, &edit, name, description, &whole, &ticked);
    std::string guards = std::string(name + HINT_NAME_SIZE, 4) + std::string(description + HINT_DESCRIPTION_SIZE, 4);
    std::string shown = std::to_string(result) + (edit.recordKey ? " held" : "");
    if (result == OPEN_HINT_OK)
        shown += " " + std::string(name) + "|" + description + " " + std::to_string(whole) + std::to_string(ticked);
    if (flag >= 0)
        SaveAppHintEdit(&edit, result == OPEN_HINT_OK && whole ? description : result ? "changed" : nullptr, flag);
    CloseAppHintEdit(&edit);
    EXPECT_NO_OPEN_KEYS(shown);
    return shown + (guards == std::string(8, static_cast<char>(GUARD_BYTE)) ? "" : " overrun");
}

struct HintStore : RegistryTest {
    void Restart()
    {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
    }
};

// Every combination of how the two values can stand: listed, opened for editing, flipped.
TEST_F(HintStore, ValuesListedEditedAndFlipped)
{
    struct Stored {
        const char *valueName;
        DWORD type;
        std::string bytes; // "-": missing
        const char *listed, *edited;
    };
    const Stored descriptions[] = {
        {"Description", REG_SZ, "-", "none", ""}, {"Description", REG_SZ, Z(""), "none", ""},
        {"Description", REG_SZ, "", "none", ""}, {"Description", REG_SZ, Z("racing"), "racing", "racing"},
        {"Description", REG_SZ, "racing", "racing", "racing"}, {"Description", REG_SZ, std::string("ab\0cd", 6), "ab", "ab"},
        {"Description", REG_BINARY, "bin", "bin", "bin"},
        // The list matches value names byte for byte, the registry (and so the edit) does not.
        {"DESCRIPTION", REG_SZ, Z("racing"), "none", "racing"},
    };
    const Stored flags[] = { // edited: the tick; a missing flag is ticked although listed "Off"
        {"Need3DOn2D", REG_SZ, "-", "Off", "1"},         {"Need3DOn2D", REG_SZ, Z("0"), "Off", "0"},
        {"Need3DOn2D", REG_SZ, Z("1"), "On", "1"},       {"Need3DOn2D", REG_SZ, Z("y"), "On", "1"},
        {"Need3DOn2D", REG_SZ, Z(""), "On", "1"},        {"Need3DOn2D", REG_SZ, "", "On", "1"},
        {"Need3DOn2D", REG_SZ, "0", "Off", "0"},         {"Need3DOn2D", REG_DWORD, std::string("0\0\0\0", 4), "Off", "0"},
        {"Need3DOn2D", REG_DWORD, std::string(4, '\0'), "On", "1"}, {"need3don2d", REG_SZ, Z("0"), "Off", "0"},
    };
    Lines expected;
    for (const Stored &d : descriptions)
        for (const Stored &f : flags) {
            char name[8];
            snprintf(name, sizeof name, "R%03zu", expected.size());
            ASSERT_TRUE(SeedKey(RecordPath(name)));
            for (const Stored *s : {&d, &f})
                ASSERT_TRUE(s->bytes == "-" || SeedValue(RecordPath(name), s->valueName, s->type, s->bytes));
            expected.push_back(std::string(name) + "\t" + d.listed + "\t" + f.listed);
        }
    ASSERT_EQ(List(), expected);
    LONG position = 0;
    for (const Stored &d : descriptions)
        for (const Stored &f : flags) {
            std::string name = expected[position].substr(0, 4);
            EXPECT_EQ(Edit(position), "0 held " + name + "|" + d.edited + " 1" + f.edited) << expected[position];
            ToggleAppHint(position++); // writes what the list showed implies
            EXPECT_NO_OPEN_KEYS(name);
            EXPECT_EQ(Flag(name), strcmp(f.listed, "Off") ? "0" : "1") << expected[position - 1];
        }
}

TEST_F(HintStore, Create)
{
    const std::tuple<void (*)(), const char *, CreateHintResult, Values> cases[] = {
        {[] { SeedKey(PRODUCT_PATH); }, "DEMO", CREATE_HINT_OK, {{"Description", "racing"}, {"Need3DOn2D", "1"}}},
        {[] { SeedRecord("DEMO", {{"Description", "old"}, {"Need3DOn2D", "0"}, {"Other", "kept"}}); }, "demo",
         CREATE_HINT_OK, {{"Description", "racing"}, {"Need3DOn2D", "1"}, {"Other", "kept"}}},
        {[] { SeedKey(HINTS_PATH); }, "", CREATE_HINT_EMPTY_NAME, {}},
        {[] { SeedKey(HINTS_PATH); }, "A\\B", CREATE_HINT_NAME_HAS_SLASH, {}},
        {[] { SeedRecord("DEMO", {{"Description", "kept"}}), MarkReadOnly(RecordPath("DEMO")); }, "DEMO",
         CREATE_HINT_REFUSED, {{"Description", "kept"}}},
    };
    for (const auto &c : cases) {
        Restart();
        std::get<0>(c)();
        EXPECT_EQ(CreateAppHint(std::get<1>(c), "racing"), std::get<2>(c)) << std::get<1>(c);
        EXPECT_NO_OPEN_KEYS(std::get<1>(c));
        EXPECT_EQ(RecordValues("DEMO"), std::get<3>(c)) << std::get<1>(c);
        EXPECT_EQ(SubkeyNames(HINTS_PATH).size() + ValueNames(HINTS_PATH).size(), std::get<3>(c).empty() ? 0u : 1u);
    }
}

// By position: delete, flip, and edit where nothing is written (no record there, no full access).
TEST_F(HintStore, ByPosition)
{
    struct Case {
        const char *readOnly; // below the hints key, "" for the hints key itself
        std::function<std::string()> run;
        std::string after; // the list, or what the edit said and A's flag after
    } cases[] = {
        {nullptr, [] { return DeleteAppHint(1), ""; }, "A\tnone\tOff|C\tnone\tOn"},
        {"", [] { return DeleteAppHint(0), ""; }, "B\tnone\tOn|C\tnone\tOn"},
        {nullptr, [] { return DeleteAppHint(3), DeleteAppHint(-1), ""; }, "A\tnone\tOff|B\tnone\tOn|C\tnone\tOn"},
        {nullptr, [] { return ToggleAppHint(3), ToggleAppHint(-1), ""; }, "A\tnone\tOff|B\tnone\tOn|C\tnone\tOn"},
        {nullptr, [] { return Edit(3, 1) + "," + Edit(-1, 1); }, "1,1 0"},
        {"\\A", [] { return Edit(0, 1); }, "2 0"},
        {"", [] { return Edit(0, 1); }, "2 0"},
    };
    for (const Case &c : cases) {
        Restart();
        for (const char *name : {"C", "A", "B"}) // created out of order
            SeedRecord(name, {{"Need3DOn2D", *name == 'A' ? "0" : "1"}});
        ASSERT_TRUE(!c.readOnly || MarkReadOnly(HINTS_PATH + c.readOnly));
        std::string said = c.run();
        EXPECT_NO_OPEN_KEYS(c.after);
        EXPECT_EQ(said.empty() ? Join(List()) : said + " " + RecordValues("A")["Need3DOn2D"], c.after);
    }
}

// Records written by others: shown truthfully (a long description cut at its head), nothing
// read or written past a buffer, and a description not read whole is never written back cut.
TEST_F(HintStore, HostileRecords)
{
    const std::string d1023(1023, 'd'), n255(255, 'N');
    const std::tuple<std::string, std::string, std::string, BOOL> cases[] = {
        {n255, Z("long"), "long", TRUE},
        {"L", Z(std::string(300, 'd')), std::string(300, 'd'), TRUE},
        {"L", Z(d1023), d1023, TRUE},
        {"L", d1023 + "d", d1023, FALSE},
        {"L", Z(std::string(2000, 'd')), d1023, FALSE},
    };
    for (const auto &c : cases) {
        const std::string &name = std::get<0>(c), &stored = std::get<1>(c), &listed = std::get<2>(c);
        Restart();
        ASSERT_TRUE(SeedValue(RecordPath(name), "Description", REG_SZ, stored));
        ASSERT_TRUE(SeedValue(RecordPath(name), "Need3DOn2D", REG_BINARY, "1" + std::string(399, 'z')));
        EXPECT_EQ(List(), Lines{name + "\t" + listed + "\tOn"}) << stored.size();
        EXPECT_EQ(Edit(0, TRUE), "0 held " + name + "|" + listed + " " + std::to_string(std::get<3>(c)) + "1") << stored.size();
        DWORD type;
        std::string now;
        EXPECT_TRUE(ReadValue(RecordPath(name), "Description", &type, &now) && now == stored) << stored.size();
        ToggleAppHint(0);
        EXPECT_EQ(Flag(name), "0") << stored.size();
    }
    // A value name too long for the walk's buffer ends it; both names sort before "Description".
    Restart();
    SeedRecord("FITS", {{std::string(259, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    SeedRecord("LONG", {{std::string(260, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    EXPECT_EQ(List(), (Lines{"FITS\tracing\tOn", "LONG\tnone\tOff"}));
}

#ifndef _WIN32
// The cursor history is visible only in the substitute.
TEST_F(HintStore, WalksAreFramedByTheWaitCursor)
{
    const std::vector<HCURSOR> framed = {LoadCursorA(NULL, IDC_WAIT), LoadCursorA(NULL, IDC_ARROW)};
    void (*const walks[])() = {[] { List(); }, [] { DeleteAppHint(5); }, [] { ToggleAppHint(5); },
                               [] { CreateAppHint("X", ""); }, [] { Edit(0); }};
    for (const std::string &key : {PRODUCT_PATH, HINTS_PATH})
        for (size_t i = 0; i < 5; i++) {
            Restart();
            ASSERT_TRUE(SeedKey(key));
            walks[i]();
            EXPECT_EQ(SubstCursorHistory(), i < 3 ? framed : std::vector<HCURSOR>{}) << i << " below " << key;
        }
}
#endif

} // namespace
