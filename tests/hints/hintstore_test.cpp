// The hint store over a registry under test: natively the substitute, under Wine the real
// registry with HKEY_LOCAL_MACHINE redirected to a scratch key. Every case also checks that the
// operation left no key open where the platform can count them.
#include "hints/hintstore.h"

#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string PRODUCT = "SOFTWARE\\Quarnell\\Halvane";
const std::string HINTS = PRODUCT + "\\App hints";

std::string Record(const std::string &name) { return HINTS + "\\" + name; }

void CollectLine(const char *line, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(line);
}

std::vector<std::string> List()
{
    std::vector<std::string> lines;
    ListAppHints(CollectLine, &lines);
    EXPECT_NO_OPEN_KEYS("ListAppHints");
    return lines;
}

// "<missing>" when the value is absent, else its raw bytes.
std::string Stored(const std::string &path, const std::string &name, DWORD *type = nullptr)
{
    std::string bytes;
    DWORD t = 0;
    if (!ReadValue(path, name, &t, &bytes))
        return "<missing>";
    if (type)
        *type = t;
    return bytes;
}

std::string Z(const char *text) { return std::string(text, strlen(text) + 1); }

struct Edit {
    AppHintEdit edit = {NULL, NULL};
    char name[HINT_NAME_SIZE + 4];
    char description[HINT_DESCRIPTION_SIZE + 4];
    BOOL whole = 99;
    BOOL ticked = 99;
    OpenHintResult result;

    explicit Edit(LONG position)
    {
        memset(name, GUARD_BYTE, sizeof name);
        memset(description, GUARD_BYTE, sizeof description);
        result = OpenAppHintEdit(position, &edit, name, description, &whole, &ticked);
    }
    bool GuardsIntact() const
    {
        for (size_t i = HINT_NAME_SIZE; i < sizeof name; i++)
            if (static_cast<unsigned char>(name[i]) != GUARD_BYTE)
                return false;
        for (size_t i = HINT_DESCRIPTION_SIZE; i < sizeof description; i++)
            if (static_cast<unsigned char>(description[i]) != GUARD_BYTE)
                return false;
        return true;
    }
    void Close()
    {
        CloseAppHintEdit(&edit);
        EXPECT_NO_OPEN_KEYS("CloseAppHintEdit");
    }
};

using HintStore = RegistryTest;

TEST_F(HintStore, FirstCreateMakesTheKeyAndTheRecord)
{
    ASSERT_TRUE(SeedKey(PRODUCT));
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(CreateAppHint("DEMO", "racing"), CREATE_HINT_OK);
    EXPECT_NO_OPEN_KEYS("CreateAppHint");
    EXPECT_EQ(List(), std::vector<std::string>{"DEMO\tracing\tOn"});
    DWORD type = 0;
    EXPECT_EQ(Stored(Record("DEMO"), "Description", &type), Z("racing"));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Stored(Record("DEMO"), "Need3DOn2D", &type), Z("1"));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(HintStore, CreateRewritesAnExistingRecordWhateverItsCase)
{
    ASSERT_TRUE(SeedText(Record("DEMO"), "Description", "old"));
    ASSERT_TRUE(SeedText(Record("DEMO"), "Need3DOn2D", "0"));
    EXPECT_EQ(CreateAppHint("demo", ""), CREATE_HINT_OK);
    EXPECT_EQ(List(), std::vector<std::string>{"DEMO\tnone\tOn"});
    EXPECT_EQ(Stored(Record("DEMO"), "Description"), Z(""));
    EXPECT_EQ(Stored(Record("DEMO"), "Need3DOn2D"), Z("1"));
}

TEST_F(HintStore, CreateRefusesWhatWouldLandElsewhere)
{
    struct Case {
        const char *name;
        CreateHintResult result;
    };
    const Case cases[] = {
        {"", CREATE_HINT_EMPTY_NAME},
        {"A\\B", CREATE_HINT_NAME_HAS_SLASH},
        {"\\", CREATE_HINT_NAME_HAS_SLASH},
        {"Trailing\\", CREATE_HINT_NAME_HAS_SLASH},
    };
    ASSERT_TRUE(SeedKey(HINTS));
    for (const Case &c : cases) {
        EXPECT_EQ(CreateAppHint(c.name, "text"), c.result) << "name '" << c.name << "'";
        EXPECT_NO_OPEN_KEYS(c.name);
    }
    EXPECT_TRUE(SubkeyNames(HINTS).empty());
    EXPECT_TRUE(ValueNames(HINTS).empty());
}

TEST_F(HintStore, CreateWithoutProductKeyCreatesNothing)
{
    ASSERT_TRUE(SeedKey("SOFTWARE\\Quarnell"));
    EXPECT_EQ(CreateAppHint("DEMO", "racing"), CREATE_HINT_NO_PRODUCT_KEY);
    EXPECT_NO_OPEN_KEYS("CreateAppHint");
    EXPECT_FALSE(KeyExists(PRODUCT));
}

TEST_F(HintStore, CreateIntoAReadOnlyRecordReportsNothingWritten)
{
    ASSERT_TRUE(SeedText(Record("RO"), "Description", "kept"));
    ASSERT_TRUE(MarkReadOnly(Record("RO")));
    EXPECT_EQ(CreateAppHint("RO", "new"), CREATE_HINT_REFUSED);
    EXPECT_NO_OPEN_KEYS("CreateAppHint");
    EXPECT_EQ(Stored(Record("RO"), "Description"), Z("kept"));
    EXPECT_EQ(Stored(Record("RO"), "Need3DOn2D"), "<missing>");
}

// Every combination of how the two values can stand, listed, opened for editing and flipped.
TEST_F(HintStore, ValuesAsListedEditedAndFlipped)
{
    struct Description {
        const char *what;
        bool present;
        DWORD type;
        std::string bytes;
        const char *listed, *edited;
    };
    const Description descriptions[] = {
        {"missing", false, REG_SZ, "", "none", ""},
        {"empty text", true, REG_SZ, Z(""), "none", ""},
        {"no bytes", true, REG_SZ, "", "none", ""},
        {"text", true, REG_SZ, Z("racing"), "racing", "racing"},
        {"text without zero", true, REG_SZ, "racing", "racing", "racing"},
        {"zero inside", true, REG_SZ, std::string("ab\0cd", 6), "ab", "ab"},
        {"binary", true, REG_BINARY, "bin", "bin", "bin"},
    };
    struct Flag {
        const char *what;
        bool present;
        DWORD type;
        std::string bytes;
        const char *listed;
        BOOL ticked;
        std::string flipped;
    };
    const Flag flags[] = {
        {"missing", false, REG_SZ, "", "Off", TRUE, Z("1")},
        {"0", true, REG_SZ, Z("0"), "Off", FALSE, Z("1")},
        {"1", true, REG_SZ, Z("1"), "On", TRUE, Z("0")},
        {"letter", true, REG_SZ, Z("y"), "On", TRUE, Z("0")},
        {"empty text", true, REG_SZ, Z(""), "On", TRUE, Z("0")},
        {"no bytes", true, REG_SZ, "", "On", TRUE, Z("0")},
        {"0 without zero", true, REG_SZ, "0", "Off", FALSE, Z("1")},
        {"dword 0x30", true, REG_DWORD, std::string("0\0\0\0", 4), "Off", FALSE, Z("1")},
        {"dword 0", true, REG_DWORD, std::string(4, '\0'), "On", TRUE, Z("0")},
    };
    std::vector<std::string> expectedLines;
    std::vector<std::string> names;
    for (const Description &d : descriptions) {
        for (const Flag &f : flags) {
            char name[8];
            snprintf(name, sizeof name, "R%03zu", names.size());
            names.push_back(name);
            ASSERT_TRUE(SeedKey(Record(name)));
            if (d.present) {
                ASSERT_TRUE(SeedValue(Record(name), "Description", d.type, d.bytes));
            }
            if (f.present) {
                ASSERT_TRUE(SeedValue(Record(name), "Need3DOn2D", f.type, f.bytes));
            }
            expectedLines.push_back(std::string(name) + "\t" + d.listed + "\t" + f.listed);
        }
    }
    EXPECT_EQ(List(), expectedLines);

    size_t position = 0;
    for (const Description &d : descriptions) {
        for (const Flag &f : flags) {
            std::string what = std::string("description ") + d.what + ", flag " + f.what;
            Edit e(static_cast<LONG>(position));
            EXPECT_EQ(e.result, OPEN_HINT_OK) << what;
            EXPECT_STREQ(e.name, names[position].c_str()) << what;
            EXPECT_STREQ(e.description, d.edited) << what;
            EXPECT_EQ(e.whole, TRUE) << what;
            EXPECT_EQ(e.ticked, f.ticked) << what;
            EXPECT_TRUE(e.GuardsIntact()) << what;
            e.Close();

            ToggleAppHint(static_cast<LONG>(position));
            EXPECT_NO_OPEN_KEYS(what);
            DWORD type = 0;
            EXPECT_EQ(Stored(Record(names[position]), "Need3DOn2D", &type), f.flipped) << what;
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << what;
            position++;
        }
    }
}

TEST_F(HintStore, ListMatchesValueNamesByteForByteTheRegistryDoesNot)
{
    ASSERT_TRUE(SeedText(Record("R"), "need3don2d", "0"));
    ASSERT_TRUE(SeedText(Record("R"), "DESCRIPTION", "racing"));
    EXPECT_EQ(List(), std::vector<std::string>{"R\tnone\tOff"});
    Edit e(0);
    EXPECT_EQ(e.result, OPEN_HINT_OK);
    EXPECT_STREQ(e.description, "racing");
    EXPECT_EQ(e.ticked, FALSE);
    e.Close();
    ToggleAppHint(0);
    // The write lands on the stored value, which keeps its name.
    EXPECT_EQ(ValueNames(Record("R")), (std::vector<std::string>{"DESCRIPTION", "need3don2d"}));
    EXPECT_EQ(Stored(Record("R"), "need3don2d"), Z("1"));
    EXPECT_EQ(List(), std::vector<std::string>{"R\tnone\tOff"});
}

TEST_F(HintStore, ValueNameTooLongForTheBufferEndsTheValueWalk)
{
    // Both names sort (and were created) before "Description".
    ASSERT_TRUE(SeedText(Record("FITS"), std::string(259, 'A'), "x"));
    ASSERT_TRUE(SeedText(Record("LONG"), std::string(260, 'A'), "x"));
    for (const char *name : {"FITS", "LONG"}) {
        ASSERT_TRUE(SeedText(Record(name), "Description", "racing"));
        ASSERT_TRUE(SeedText(Record(name), "Need3DOn2D", "1"));
    }
    EXPECT_EQ(List(), (std::vector<std::string>{"FITS\tracing\tOn", "LONG\tnone\tOff"}));
}

TEST_F(HintStore, DeleteMovesTheRestUpAndIgnoresPositionsPastTheEnd)
{
    struct Case {
        LONG position;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {0, {"B", "C"}}, {1, {"A", "C"}}, {2, {"A", "B"}}, {3, {"A", "B", "C"}}, {-1, {"A", "B", "C"}},
    };
    for (const Case &c : cases) {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        for (const char *name : {"C", "A", "B"})
            ASSERT_TRUE(SeedText(Record(name), "Need3DOn2D", "1"));
        DeleteAppHint(c.position);
        EXPECT_NO_OPEN_KEYS("DeleteAppHint");
        std::vector<std::string> left;
        for (const std::string &line : List())
            left.push_back(line.substr(0, line.find('\t')));
        EXPECT_EQ(left, c.left) << "position " << c.position;
    }
}

TEST_F(HintStore, FlipPastTheEndChangesNothing)
{
    ASSERT_TRUE(SeedText(Record("A"), "Need3DOn2D", "0"));
    ASSERT_TRUE(SeedText(Record("B"), "Need3DOn2D", "1"));
    for (LONG position : {2, 100, -1}) {
        ToggleAppHint(position);
        EXPECT_NO_OPEN_KEYS("ToggleAppHint");
    }
    EXPECT_EQ(List(), (std::vector<std::string>{"A\tnone\tOff", "B\tnone\tOn"}));
}

TEST_F(HintStore, NothingHappensWithoutTheHintsKey)
{
    ASSERT_TRUE(SeedKey(PRODUCT));
    EXPECT_TRUE(List().empty());
    DeleteAppHint(0);
    ToggleAppHint(0);
    EXPECT_NO_OPEN_KEYS("delete and flip");
    EXPECT_FALSE(KeyExists(HINTS));
    Edit e(0);
    EXPECT_EQ(e.result, OPEN_HINT_NO_RECORD);
    EXPECT_EQ(e.edit.hintsKey, (HKEY)NULL);
    EXPECT_EQ(e.edit.recordKey, (HKEY)NULL);
    e.Close();
}

TEST_F(HintStore, ReadOnlyRecordListsEmptyAndIsNeitherFlippedNorEdited)
{
    ASSERT_TRUE(SeedText(Record("RO"), "Description", "racing"));
    ASSERT_TRUE(SeedText(Record("RO"), "Need3DOn2D", "1"));
    ASSERT_TRUE(MarkReadOnly(Record("RO")));
    EXPECT_EQ(List(), std::vector<std::string>{"RO\tnone\tOff"});
    ToggleAppHint(0);
    EXPECT_NO_OPEN_KEYS("ToggleAppHint");
    EXPECT_EQ(Stored(Record("RO"), "Need3DOn2D"), Z("1"));

    Edit e(0);
    EXPECT_EQ(e.result, OPEN_HINT_NO_ACCESS);
    EXPECT_NE(e.edit.hintsKey, (HKEY)NULL);
    EXPECT_EQ(e.edit.recordKey, (HKEY)NULL);
    SaveAppHintEdit(&e.edit, "changed", FALSE);
    e.Close();
    EXPECT_EQ(Stored(Record("RO"), "Description"), Z("racing"));
}

TEST_F(HintStore, ReadOnlyHintsKeyStillListsDeletesAndFlipsButIsNotEdited)
{
    for (const char *name : {"A", "B"})
        ASSERT_TRUE(SeedText(Record(name), "Need3DOn2D", "1"));
    ASSERT_TRUE(MarkReadOnly(HINTS));
    ToggleAppHint(1);
    EXPECT_EQ(List(), (std::vector<std::string>{"A\tnone\tOn", "B\tnone\tOff"}));
    Edit e(0);
    EXPECT_EQ(e.result, OPEN_HINT_NO_ACCESS);
    EXPECT_EQ(e.edit.hintsKey, (HKEY)NULL);
    e.Close();
    DeleteAppHint(0);
    EXPECT_NO_OPEN_KEYS("DeleteAppHint");
    EXPECT_EQ(SubkeyNames(HINTS), std::vector<std::string>{"B"});
}

TEST_F(HintStore, EditOfAPositionWithNoRecordHoldsOnlyTheHintsKey)
{
    ASSERT_TRUE(SeedText(Record("A"), "Need3DOn2D", "1"));
    for (LONG position : {1, -1}) {
        Edit e(position);
        EXPECT_EQ(e.result, OPEN_HINT_NO_RECORD) << "position " << position;
        EXPECT_NE(e.edit.hintsKey, (HKEY)NULL) << "position " << position;
        EXPECT_EQ(e.edit.recordKey, (HKEY)NULL) << "position " << position;
        SaveAppHintEdit(&e.edit, "x", TRUE);
        e.Close();
    }
    EXPECT_EQ(ValueNames(Record("A")), std::vector<std::string>{"Need3DOn2D"});
}

TEST_F(HintStore, SavingWritesFlagAndDescription)
{
    struct Case {
        const char *what;
        const char *description;
        BOOL checkState;
        std::string flag, stored;
    };
    const Case cases[] = {
        {"unchanged record with neither value", "", TRUE, Z("1"), Z("")},
        {"cleared box", "racing", FALSE, Z("0"), Z("racing")},
        {"indeterminate box", "racing", 2, Z("0"), Z("racing")},
        {"description untouched", nullptr, TRUE, Z("1"), "<missing>"},
    };
    for (const Case &c : cases) {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        ASSERT_TRUE(SeedKey(Record("DEMO")));
        Edit e(0);
        ASSERT_EQ(e.result, OPEN_HINT_OK) << c.what;
        EXPECT_STREQ(e.description, "") << c.what;
        EXPECT_EQ(e.ticked, TRUE) << c.what;
        SaveAppHintEdit(&e.edit, c.description, c.checkState);
        e.Close();
        EXPECT_EQ(Stored(Record("DEMO"), "Need3DOn2D"), c.flag) << c.what;
        EXPECT_EQ(Stored(Record("DEMO"), "Description"), c.stored) << c.what;
    }
}

// Names whose full path passes 259 characters are still listed, flipped and edited truthfully.
TEST_F(HintStore, LongNamesAreShownWhole)
{
    std::string longName(255, 'N');
    ASSERT_TRUE(SeedKey(PRODUCT));
    EXPECT_EQ(CreateAppHint(longName.c_str(), "long"), CREATE_HINT_OK);
    EXPECT_NO_OPEN_KEYS("CreateAppHint");
    EXPECT_EQ(List(), std::vector<std::string>{longName + "\tlong\tOn"});
    ToggleAppHint(0);
    EXPECT_EQ(List(), std::vector<std::string>{longName + "\tlong\tOff"});
    Edit e(0);
    EXPECT_EQ(e.result, OPEN_HINT_OK);
    EXPECT_EQ(std::string(e.name), longName);
    EXPECT_EQ(e.ticked, FALSE);
    EXPECT_TRUE(e.GuardsIntact());
    SaveAppHintEdit(&e.edit, "saved", TRUE);
    e.Close();
    EXPECT_EQ(Stored(Record(longName), "Description"), Z("saved"));
}

// Values longer than the 260-byte buffers: the head is shown, never more than fits.
TEST_F(HintStore, LongValuesAreCutNeverOverrun)
{
    struct Case {
        const char *what;
        std::string description;
        const char *flag;
        std::string listed;
        BOOL whole;
        std::string flipped;
    };
    const std::string over(2000, 'd');
    const Case cases[] = {
        {"300 bytes", Z(std::string(300, 'd').c_str()), "0", std::string(300, 'd'), TRUE, Z("1")},
        {"1023 and zero", Z(std::string(1023, 'd').c_str()), "1", std::string(1023, 'd'), TRUE, Z("0")},
        {"1024 without zero", std::string(1024, 'd'), "1", std::string(1023, 'd'), FALSE, Z("0")},
        {"2000 and zero", Z(over.c_str()), "0", std::string(1023, 'd'), FALSE, Z("1")},
    };
    for (const Case &c : cases) {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        ASSERT_TRUE(SeedValue(Record("L"), "Description", REG_SZ, c.description));
        // A flag of 400 bytes whose first byte decides.
        ASSERT_TRUE(SeedValue(Record("L"), "Need3DOn2D", REG_BINARY, c.flag + std::string(399, 'z')));
        std::string state = c.flag[0] == '0' ? "Off" : "On";
        EXPECT_EQ(List(), std::vector<std::string>{"L\t" + c.listed + "\t" + state}) << c.what;
        Edit e(0);
        EXPECT_EQ(e.result, OPEN_HINT_OK) << c.what;
        EXPECT_EQ(std::string(e.description), c.listed) << c.what;
        EXPECT_EQ(e.whole, c.whole) << c.what;
        EXPECT_TRUE(e.GuardsIntact()) << c.what;
        e.Close();
        ToggleAppHint(0);
        EXPECT_EQ(Stored(Record("L"), "Need3DOn2D"), c.flipped) << c.what;
    }
}

#ifndef _WIN32
// The cursor history is visible only in the substitute.
TEST_F(HintStore, WalksAreFramedByTheWaitCursor)
{
    const HCURSOR wait = LoadCursorA(NULL, IDC_WAIT);
    const HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    struct Case {
        const char *what;
        void (*operation)();
        std::vector<HCURSOR> expected;
    };
    const Case cases[] = {
        {"list", [] { List(); }, {wait, arrow}},
        {"delete", [] { DeleteAppHint(5); }, {wait, arrow}},
        {"flip", [] { ToggleAppHint(5); }, {wait, arrow}},
        {"create", [] { CreateAppHint("X", ""); }, {}},
        {"edit", [] { Edit(0).Close(); }, {}},
    };
    for (bool withKey : {false, true}) {
        for (const Case &c : cases) {
            RegFixtureStop();
            ASSERT_TRUE(RegFixtureStart());
            ASSERT_TRUE(SeedKey(withKey ? HINTS : PRODUCT));
            c.operation();
            EXPECT_EQ(SubstCursorHistory(), c.expected) << c.what << (withKey ? " with" : " without") << " the key";
        }
    }
}
#endif

} // namespace
