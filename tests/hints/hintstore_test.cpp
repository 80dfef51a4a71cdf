// The hint store over the registry under test (the substitute natively, Wine's real registry
// redirected to a scratch key under Wine); every operation must leave no key open.
#include "hints/hintrules.h"
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
std::string R(int result) { return std::to_string(result); }

// Opens the record at position into buffers followed by guard bytes; when flag >= 0 runs meanwhile,
// then saves what it read (the description only when read whole) with that flag; closes.
// Returns "result held name|description whole ticked s<saved>", " overrun" when a guard byte changed.
std::string Edit(LONG position, int flag = -1, void (*meanwhile)() = [] {})
{
    AppHintEdit edit = {NULL, NULL};
    char name[HINT_NAME_SIZE + 4], description[HINT_DESCRIPTION_SIZE + 4];
    memset(name, GUARD_BYTE, sizeof name), memset(description, GUARD_BYTE, sizeof description);
    BOOL whole = 9, ticked = 9;
    OpenHintResult result = OpenAppHintEdit(position, &edit, name, description, &whole, &ticked);
    std::string guards = std::string(name + HINT_NAME_SIZE, 4) + std::string(description + HINT_DESCRIPTION_SIZE, 4);
    std::string shown = R(result) + (edit.recordKey ? " held" : "");
    if (result == OPEN_HINT_OK)
        shown += " " + std::string(name) + "|" + description + " " + R(whole) + R(ticked);
    if (flag >= 0)
        meanwhile(), shown += " s" + R(SaveAppHintEdit(&edit, !result && whole ? description : result ? "x" : nullptr, flag));
    CloseAppHintEdit(&edit);
    EXPECT_NO_OPEN_KEYS(shown);
    return shown + (guards == std::string(8, static_cast<char>(GUARD_BYTE)) ? "" : " overrun");
}

struct HintStore : RegistryTest {
    void Restart() { RegFixtureStop(); ASSERT_TRUE(RegFixtureStart()); }
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
            std::string name = "R" + std::to_string(100 + expected.size());
            for (const Stored *s : {&d, &f})
                ASSERT_TRUE(SeedKey(RecordPath(name)) && (s->bytes == "-" || SeedValue(RecordPath(name), s->valueName, s->type, s->bytes)));
            expected.push_back(name + "\t" + d.listed + "\t" + f.listed);
        }
    ASSERT_EQ(List(), expected);
    LONG position = 0;
    for (const Stored &d : descriptions)
        for (const Stored &f : flags) {
            const std::string &line = expected[position], name = line.substr(0, 4);
            EXPECT_EQ(Edit(position), "0 held " + name + "|" + d.edited + " 1" + f.edited) << line;
            EXPECT_EQ(ToggleAppHint(position++), HINT_CHANGE_DONE) << line; // writes what the list showed implies
            EXPECT_NO_OPEN_KEYS(name);
            EXPECT_EQ(RecordValues(name).rbegin()->second, strcmp(f.listed, "Off") ? "0" : "1") << line;
        }
}

// Every record with its values, "Name{Value=text,...} ...", and "!" when AppHintsKey holds values.
std::string Records()
{
    std::string all = ValueNames(HINTS_PATH).empty() ? "" : "!";
    for (const std::string &name : SubkeyNames(HINTS_PATH)) {
        all += (all.empty() ? "" : " ") + name + "{";
        for (const auto &v : RecordValues(name))
            all += v.first + "=" + v.second + (v.first == RecordValues(name).rbegin()->first ? "" : ",");
        all += "}";
    }
    return all;
}

void ABC() // created out of order
{
    for (const char *name : {"C", "A", "B"})
        SeedRecord(name, {{"Need3DOn2D", *name == 'A' ? "0" : "1"}});
}

// What a change reported (CreateAppHint, DeleteAppHint, ToggleAppHint; an edit as Edit shows
// it), then the records. By position, nothing standing there is no record, a record that will
// not change is a refusal, and the writes stop at the first one refused.
TEST_F(HintStore, Changes)
{
    const std::string abc = "A{Need3DOn2D=0} B{Need3DOn2D=1} C{Need3DOn2D=1}", bc = "B{Need3DOn2D=1} C{Need3DOn2D=1}";
    const std::string kept = "DEMO{Description=kept,Need3DOn2D=0}", racing = "DEMO{Description=racing,Need3DOn2D=1}";
    static const auto keptDemo = [] { SeedRecord("DEMO", {{"Description", "kept"}, {"Need3DOn2D", "0"}}); };
    static const auto create = [] { return R(CreateAppHint("DEMO", "racing")); };
    const std::tuple<void (*)(), std::string (*)(), std::string> cases[] = {
        {[] { SeedKey(PRODUCT_PATH); }, create, "0 " + racing},
        {[] { SeedRecord("DEMO", {{"Description", "old"}, {"Need3DOn2D", "0"}, {"Other", "kept"}}); },
         [] { return R(CreateAppHint("demo", "racing")); }, "0 DEMO{Description=racing,Need3DOn2D=1,Other=kept}"},
        {[] { SeedKey(HINTS_PATH); }, [] { return R(CreateAppHint("", "racing")) + R(CreateAppHint("A\\B", "racing")); }, "12 "},
        {[] { keptDemo(), MarkReadOnly(RecordPath("DEMO")); }, create, "4 " + kept},
        {[] {}, create, "3 "},
        {[] { SeedKey(PRODUCT_PATH), MarkReadOnly(PRODUCT_PATH); }, create, "4 "},
        {ABC, [] { return R(DeleteAppHint(1)); }, "0 A{Need3DOn2D=0} C{Need3DOn2D=1}"},
        {[] { ABC(), MarkReadOnly(HINTS_PATH); }, [] { return R(DeleteAppHint(0)); }, "0 " + bc}, // the handle's rights do not matter
        {ABC, [] { return R(DeleteAppHint(3)) + R(DeleteAppHint(-1)) + R(ToggleAppHint(3)) + R(ToggleAppHint(-1)); }, "1111 " + abc},
        {[] {}, [] { return R(DeleteAppHint(0)) + R(ToggleAppHint(0)); }, "11 "},
        {[] { ABC(), SeedKey(RecordPath("A\\sub")), MarkReadOnly(RecordPath("A")); }, [] { return R(DeleteAppHint(0)) + R(ToggleAppHint(0)) + Edit(0, 1); }, "222 s2 " + abc},
        {[] { ABC(), MarkUnreadable(HINTS_PATH); }, [] { return R(DeleteAppHint(0)) + R(ToggleAppHint(0)) + Edit(0, 1); }, "222 s2 "},
        {ABC, [] { return Edit(3, 1) + "," + Edit(-1, 1); }, "1 s2,1 s2 " + abc},
        {ABC, [] { return Edit(0, 1, [] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "A"); }); }, "0 held A| 10 s1 " + bc},
#ifndef _WIN32
        {[] { keptDemo(), SubstRegFailSetValue("Description", 5); }, create, "4 " + kept},
        {[] { keptDemo(), SubstRegFailSetValue("Need3DOn2D", 5); }, create, "4 DEMO{Description=racing,Need3DOn2D=0}"},
        {[] { ABC(), SubstRegFailSetValue("Need3DOn2D", 5); }, [] { return R(ToggleAppHint(0)) + Edit(1, 0); }, "20 held B| 11 s2 " + abc},
        {[] { ABC(), SubstRegFailSetValue("Description", 5); }, [] { return Edit(0, 1); }, "0 held A| 10 s3 A{Need3DOn2D=1} " + bc},
#endif
    };
    for (const auto &c : cases) {
        Restart();
        std::get<0>(c)();
        std::string said = std::get<1>(c)();
        EXPECT_NO_OPEN_KEYS(std::get<2>(c));
        EXPECT_EQ(said + " " + Records(), std::get<2>(c));
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
        EXPECT_EQ(Edit(0, TRUE), "0 held " + name + "|" + listed + " " + R(std::get<3>(c)) + "1 s0") << stored.size();
        DWORD type;
        std::string now;
        EXPECT_TRUE(ReadValue(RecordPath(name), "Description", &type, &now) && now == stored) << stored.size();
        EXPECT_EQ(ToggleAppHint(0), HINT_CHANGE_DONE);
        EXPECT_EQ(RecordValues(name)["Need3DOn2D"], "0") << stored.size();
    }
    // A value name too long for the walk's buffer ends it; both names sort before "Description".
    Restart();
    SeedRecord("FITS", {{std::string(259, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    SeedRecord("LONG", {{std::string(260, 'A'), "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}});
    EXPECT_EQ(List(), (Lines{"FITS\tracing\tOn", "LONG\tnone\tOff"}));
}

#ifndef _WIN32
// Only the substitute shows the cursor history; the pure rules' cut lines and failed reads,
// which a registry cannot reach, run here too.
TEST_F(HintStore, WaitCursorAndRules)
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
    for (size_t size : {13, 12, 1, 0}) { // the line cut to the buffer, nothing written past it
        char line[14];
        memset(line, GUARD_BYTE, sizeof line);
        FormatAppHintLine("NAME", "desc", "On", line, size);
        EXPECT_EQ(std::string(line, 14), std::string("NAME\tdesc\tOn", size ? size - 1 : 0) + std::string(size ? 1 : 0, '\0') +
                                             std::string(14 - size, char(GUARD_BYTE))) << size;
    }
    const BYTE zero[] = "0";
    for (LONG status : {LONG(ERROR_ACCESS_DENIED), LONG(ERROR_MORE_DATA)}) // a failed read never looks at the buffer
        EXPECT_EQ(std::string(HintStateText(status, zero, 2)) + FlippedHintFlag(status, zero, 2) + R(HintFlagIsOff(status, zero, 2)), "On00");
    EXPECT_STREQ(FlippedHintFlag(ERROR_FILE_NOT_FOUND, zero, 0), "1") << "missing flag listed Off";
    EXPECT_STREQ(HintFlagForBox(2), "0") << "indeterminate box";
}
#endif

} // namespace
