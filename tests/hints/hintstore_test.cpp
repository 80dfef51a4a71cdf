// The hint store over the registry under test: natively the substitute, under Wine the real
// registry with HKEY_LOCAL_MACHINE redirected to a scratch key. Every operation is followed by
// the check that it left no key open, where the platform can count them.
#include "hints/hintstore.h"

#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>

namespace {

typedef std::vector<std::string> Lines;

void CollectLine(const char *line, void *context) { static_cast<Lines *>(context)->push_back(line); }

Lines List()
{
    Lines lines;
    ListAppHints(CollectLine, &lines);
    EXPECT_NO_OPEN_KEYS("ListAppHints");
    return lines;
}

std::string Z(const std::string &text) { return text + '\0'; }


void Restart()
{
    RegFixtureStop();
    ASSERT_TRUE(RegFixtureStart());
}

// OpenAppHintEdit into buffers with guard bytes after them.
struct Edit {
    AppHintEdit edit = {NULL, NULL};
    char name[HINT_NAME_SIZE + 4];
    char description[HINT_DESCRIPTION_SIZE + 4];
    BOOL whole = 99, ticked = 99;
    OpenHintResult result;

    explicit Edit(LONG position)
    {
        memset(name, GUARD_BYTE, sizeof name);
        memset(description, GUARD_BYTE, sizeof description);
        result = OpenAppHintEdit(position, &edit, name, description, &whole, &ticked);
    }
    bool GuardsIntact() const
    {
        return std::string(name + HINT_NAME_SIZE, 4) == std::string(4, static_cast<char>(GUARD_BYTE)) &&
               std::string(description + HINT_DESCRIPTION_SIZE, 4) == std::string(4, static_cast<char>(GUARD_BYTE));
    }
    void Close()
    {
        CloseAppHintEdit(&edit);
        EXPECT_NO_OPEN_KEYS("CloseAppHintEdit");
    }
};

using HintStore = RegistryTest;

TEST_F(HintStore, Create)
{
    struct Case {
        const char *what;
        std::function<void()> arrange;
        const char *name;
        CreateHintResult result;
        Values after; // of the record "DEMO"
    };
    const Values demo1 = {{"Description", "racing"}, {"Need3DOn2D", "1"}};
    const Case cases[] = {
        {"first record makes the hints key", [] { SeedKey(PRODUCT_PATH); }, "DEMO", CREATE_HINT_OK, demo1},
        {"rewrites a record whatever the case of its name", [] {
             SeedRecord("DEMO", {{"Description", "old"}, {"Need3DOn2D", "0"}, {"Other", "kept"}});
         }, "demo", CREATE_HINT_OK, {{"Description", "racing"}, {"Need3DOn2D", "1"}, {"Other", "kept"}}},
        {"empty name", [] { SeedKey(HINTS_PATH); }, "", CREATE_HINT_EMPTY_NAME, {}},
        {"name with separator", [] { SeedKey(HINTS_PATH); }, "A\\B", CREATE_HINT_NAME_HAS_SLASH, {}},
        {"trailing separator", [] { SeedKey(HINTS_PATH); }, "DEMO\\", CREATE_HINT_NAME_HAS_SLASH, {}},
        {"no product key", [] { SeedKey("SOFTWARE\\Quarnell"); }, "DEMO", CREATE_HINT_NO_PRODUCT_KEY, {}},
        {"read-only record", [] {
             SeedRecord("DEMO", {{"Description", "kept"}});
             MarkReadOnly(RecordPath("DEMO"));
         }, "DEMO", CREATE_HINT_REFUSED, {{"Description", "kept"}}},
    };
    for (const Case &c : cases) {
        Restart();
        c.arrange();
        EXPECT_EQ(CreateAppHint(c.name, "racing"), c.result) << c.what;
        EXPECT_NO_OPEN_KEYS(c.what);
        EXPECT_EQ(RecordValues("DEMO"), c.after) << c.what;
        EXPECT_EQ(SubkeyNames(HINTS_PATH).size(), c.after.empty() ? 0u : 1u) << c.what;
        EXPECT_TRUE(ValueNames(HINTS_PATH).empty()) << c.what;
        EXPECT_EQ(KeyExists(PRODUCT_PATH), c.result != CREATE_HINT_NO_PRODUCT_KEY) << c.what;
    }
}

// Every combination of how the two values can stand, listed, opened for editing and flipped.
TEST_F(HintStore, ValuesAsListedEditedAndFlipped)
{
    struct Stored {
        const char *what;
        bool present;
        DWORD type;
        std::string bytes;
        const char *listed;
    };
    const Stored descriptions[] = {
        {"missing", false, REG_SZ, "", "none"},
        {"empty text", true, REG_SZ, Z(""), "none"},
        {"no bytes", true, REG_SZ, "", "none"},
        {"text", true, REG_SZ, Z("racing"), "racing"},
        {"text without zero", true, REG_SZ, "racing", "racing"},
        {"zero inside", true, REG_SZ, std::string("ab\0cd", 6), "ab"},
        {"binary", true, REG_BINARY, "bin", "bin"},
    };
    const Stored flags[] = {
        {"missing", false, REG_SZ, "", "Off"},
        {"0", true, REG_SZ, Z("0"), "Off"},
        {"1", true, REG_SZ, Z("1"), "On"},
        {"letter", true, REG_SZ, Z("y"), "On"},
        {"empty text", true, REG_SZ, Z(""), "On"},
        {"no bytes", true, REG_SZ, "", "On"},
        {"0 without zero", true, REG_SZ, "0", "Off"},
        {"dword 0x30", true, REG_DWORD, std::string("0\0\0\0", 4), "Off"},
        {"dword 0", true, REG_DWORD, std::string(4, '\0'), "On"},
    };
    Lines expected;
    for (const Stored &d : descriptions) {
        for (const Stored &f : flags) {
            char name[8];
            snprintf(name, sizeof name, "R%03zu", expected.size());
            ASSERT_TRUE(SeedKey(RecordPath(name)));
            ASSERT_TRUE(!d.present || SeedValue(RecordPath(name), "Description", d.type, d.bytes));
            ASSERT_TRUE(!f.present || SeedValue(RecordPath(name), "Need3DOn2D", f.type, f.bytes));
            expected.push_back(std::string(name) + "\t" + d.listed + "\t" + f.listed);
        }
    }
    ASSERT_EQ(List(), expected);
    LONG position = 0;
    for (const Stored &d : descriptions) {
        for (const Stored &f : flags) {
            std::string what = std::string("description ") + d.what + ", flag " + f.what;
            const std::string &line = expected[static_cast<size_t>(position)];
            Edit e(position);
            EXPECT_EQ(e.result, OPEN_HINT_OK) << what;
            EXPECT_EQ(e.name, line.substr(0, 4)) << what;
            EXPECT_STREQ(e.description, strcmp(d.listed, "none") ? d.listed : "") << what;
            EXPECT_EQ(e.whole, TRUE) << what;
            // A missing flag is ticked in the Edit dialog although the list says "Off".
            EXPECT_EQ(e.ticked, strcmp(f.listed, "On") == 0 || !f.present) << what;
            EXPECT_TRUE(e.GuardsIntact()) << what;
            e.Close();
            // The flip writes what the list showed the user implies.
            ToggleAppHint(position);
            EXPECT_NO_OPEN_KEYS(what);
            EXPECT_EQ(RecordValues(line.substr(0, 4))["Need3DOn2D"], strcmp(f.listed, "Off") ? "0" : "1") << what;
            position++;
        }
    }
}

TEST_F(HintStore, ListMatchesValueNamesByteForByteTheRegistryDoesNot)
{
    SeedRecord("R", {{"need3don2d", "0"}, {"DESCRIPTION", "racing"}});
    EXPECT_EQ(List(), Lines{"R\tnone\tOff"});
    Edit e(0);
    EXPECT_STREQ(e.description, "racing");
    EXPECT_EQ(e.ticked, FALSE);
    e.Close();
    ToggleAppHint(0);
    EXPECT_EQ(RecordValues("R"), (Values{{"DESCRIPTION", "racing"}, {"need3don2d", "1"}})) << "the stored name is kept";
    EXPECT_EQ(List(), Lines{"R\tnone\tOff"});
}

TEST_F(HintStore, ValueNameTooLongForTheBufferEndsTheValueWalk)
{
    // Both names sort before "Description".
    SeedRecord("FITS", {{std::string(259, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    SeedRecord("LONG", {{std::string(260, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    EXPECT_EQ(List(), (Lines{"FITS\tracing\tOn", "LONG\tnone\tOff"}));
}

TEST_F(HintStore, PositionsAfterADeleteAndPastTheEnd)
{
    struct Case {
        void (*operation)(LONG);
        LONG position;
        Lines after;
    };
    const Lines all = {"A\tnone\tOff", "B\tnone\tOn", "C\tnone\tOn"};
    const Case cases[] = {
        {DeleteAppHint, 0, {all[1], all[2]}}, {DeleteAppHint, 1, {all[0], all[2]}},
        {DeleteAppHint, 2, {all[0], all[1]}}, {DeleteAppHint, 3, all},
        {DeleteAppHint, -1, all},             {ToggleAppHint, 3, all},
        {ToggleAppHint, 100, all},            {ToggleAppHint, -1, all},
    };
    for (const Case &c : cases) {
        std::string what = (c.operation == DeleteAppHint ? "delete " : "flip ") + std::to_string(c.position);
        Restart();
        for (const char *name : {"C", "A", "B"}) // created out of order
            SeedRecord(name, {{"Need3DOn2D", *name == 'A' ? "0" : "1"}});
        c.operation(c.position);
        EXPECT_NO_OPEN_KEYS(what);
        EXPECT_EQ(List(), c.after) << what;
    }
}

void SeedA() { SeedRecord("A", {{"Description", "racing"}, {"Need3DOn2D", "1"}}); }

// Where the record cannot be edited: nothing is written, and only opened keys are held.
TEST_F(HintStore, EditRefusals)
{
    struct Case {
        const char *what;
        void (*arrange)();
        LONG position;
        OpenHintResult result;
        bool hintsKeyHeld;
        const char *listed; // after a flip of 0 and the edit
        const char *flag;
    };
    const Case cases[] = {
        {"no hints key", [] { SeedKey(PRODUCT_PATH); }, 0, OPEN_HINT_NO_RECORD, false, "", ""},
        {"position past the end", SeedA, 1, OPEN_HINT_NO_RECORD, true, "A\tracing\tOff", "0"},
        {"no selection", SeedA, -1, OPEN_HINT_NO_RECORD, true, "A\tracing\tOff", "0"},
        // Listing opens a record with full access too: a read-only one lists empty.
        {"read-only record", [] { SeedA(), MarkReadOnly(RecordPath("A")); }, 0, OPEN_HINT_NO_ACCESS, true, "A\tnone\tOff", "1"},
        {"read-only hints key", [] { SeedA(), MarkReadOnly(HINTS_PATH); }, 0, OPEN_HINT_NO_ACCESS, false, "A\tracing\tOff", "0"},
    };
    for (const Case &c : cases) {
        Restart();
        c.arrange();
        ToggleAppHint(0);
        EXPECT_NO_OPEN_KEYS(c.what);
        Edit e(c.position);
        EXPECT_EQ(e.result, c.result) << c.what;
        EXPECT_EQ(e.edit.hintsKey != NULL, c.hintsKeyHeld) << c.what;
        EXPECT_EQ(e.edit.recordKey, (HKEY)NULL) << c.what;
        SaveAppHintEdit(&e.edit, "changed", FALSE);
        e.Close();
        EXPECT_EQ(Join(List()), c.listed) << c.what;
        EXPECT_EQ(KeyExists(HINTS_PATH), *c.listed != 0) << c.what;
        if (*c.flag) {
            EXPECT_EQ(RecordValues("A"), (Values{{"Description", "racing"}, {"Need3DOn2D", c.flag}})) << c.what;
        }
    }
}

TEST_F(HintStore, ReadOnlyHintsKeyStillDeletes)
{
    SeedRecord("A", {});
    SeedRecord("B", {});
    ASSERT_TRUE(MarkReadOnly(HINTS_PATH));
    DeleteAppHint(0);
    EXPECT_NO_OPEN_KEYS("DeleteAppHint");
    EXPECT_EQ(SubkeyNames(HINTS_PATH), Lines{"B"});
}

TEST_F(HintStore, SavingWritesFlagThenDescription)
{
    struct Case {
        const char *what;
        const char *description;
        BOOL checkState;
        Values after;
    };
    const Case cases[] = {
        {"record with neither value", "", TRUE, {{"Description", ""}, {"Need3DOn2D", "1"}}},
        {"cleared box", "racing", FALSE, {{"Description", "racing"}, {"Need3DOn2D", "0"}}},
        {"indeterminate box", "racing", 2, {{"Description", "racing"}, {"Need3DOn2D", "0"}}},
        {"description left untouched", nullptr, TRUE, {{"Need3DOn2D", "1"}}},
    };
    for (const Case &c : cases) {
        Restart();
        SeedRecord("DEMO", {});
        Edit e(0);
        ASSERT_EQ(e.result, OPEN_HINT_OK) << c.what;
        EXPECT_STREQ(e.description, "") << c.what;
        EXPECT_EQ(e.ticked, TRUE) << c.what;
        SaveAppHintEdit(&e.edit, c.description, c.checkState);
        e.Close();
        EXPECT_EQ(RecordValues("DEMO"), c.after) << c.what;
    }
}

// Records written by others: a name whose path passes 259 characters, values longer than the
// buffers. Shown truthfully (a long description cut at its head), nothing written past a buffer.
TEST_F(HintStore, HostileRecords)
{
    struct Case {
        const char *what;
        std::string name, description, flag;
        std::string listed;
        BOOL whole;
        const char *flipped;
    };
    const std::string n255(255, 'N'), d1023(1023, 'd');
    const Case cases[] = {
        {"name of 255", n255, Z("long"), Z("1"), "long", TRUE, "0"},
        {"300 bytes", "L", Z(std::string(300, 'd')), "0" + std::string(399, 'z'), std::string(300, 'd'), TRUE, "1"},
        {"1023 and zero", "L", Z(d1023), "1" + std::string(399, 'z'), d1023, TRUE, "0"},
        {"1024 without zero", "L", d1023 + "d", "1" + std::string(399, 'z'), d1023, FALSE, "0"},
        {"2000 and zero", "L", Z(std::string(2000, 'd')), "0" + std::string(399, 'z'), d1023, FALSE, "1"},
    };
    for (const Case &c : cases) {
        Restart();
        ASSERT_TRUE(SeedValue(RecordPath(c.name), "Description", REG_SZ, c.description));
        ASSERT_TRUE(SeedValue(RecordPath(c.name), "Need3DOn2D", REG_BINARY, c.flag));
        std::string state = c.flag[0] == '0' ? "Off" : "On";
        EXPECT_EQ(List(), Lines{c.name + "\t" + c.listed + "\t" + state}) << c.what;
        Edit e(0);
        EXPECT_EQ(e.result, OPEN_HINT_OK) << c.what;
        EXPECT_EQ(e.name, c.name) << c.what;
        EXPECT_EQ(e.description, c.listed) << c.what;
        EXPECT_EQ(e.whole, c.whole) << c.what;
        EXPECT_TRUE(e.GuardsIntact()) << c.what;
        SaveAppHintEdit(&e.edit, e.whole ? e.description : nullptr, c.flag[0] != '0');
        e.Close();
        DWORD type;
        std::string stored;
        EXPECT_TRUE(ReadValue(RecordPath(c.name), "Description", &type, &stored) && stored == c.description) << c.what;
        ToggleAppHint(0);
        EXPECT_NO_OPEN_KEYS(c.what);
        EXPECT_EQ(RecordValues(c.name)["Need3DOn2D"], c.flipped) << c.what;
    }
}

#ifndef _WIN32
// The cursor history is visible only in the substitute.
TEST_F(HintStore, WalksAreFramedByTheWaitCursor)
{
    const std::vector<HCURSOR> framed = {LoadCursorA(NULL, IDC_WAIT), LoadCursorA(NULL, IDC_ARROW)};
    struct Case {
        const char *what;
        void (*operation)();
        bool framed;
    };
    const Case cases[] = {
        {"list", [] { List(); }, true},
        {"delete", [] { DeleteAppHint(5); }, true},
        {"flip", [] { ToggleAppHint(5); }, true},
        {"create", [] { CreateAppHint("X", ""); }, false},
        {"edit", [] { Edit(0).Close(); }, false},
    };
    for (const std::string &key : {PRODUCT_PATH, HINTS_PATH}) {
        for (const Case &c : cases) {
            Restart();
            ASSERT_TRUE(SeedKey(key));
            c.operation();
            EXPECT_EQ(SubstCursorHistory(), c.framed ? framed : std::vector<HCURSOR>{}) << c.what << " below " << key;
        }
    }
}
#endif

} // namespace
