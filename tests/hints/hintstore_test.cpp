// The hint store over the registry under test, both builds; every operation must leave no key open.
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

using HintStore = RegistryTest;

// Every combination of how the two values can stand: listed, opened for editing, flipped.
TEST_F(HintStore, ValuesListedEditedAndFlipped)
{
    struct Stored { const char *valueName; DWORD type; std::string bytes; const char *listed, *edited; }; // bytes "-": missing
    const char *d = "Description", *f = "Need3DOn2D";
    const Stored descriptions[] = {
        {d, REG_SZ, "-", "none", ""}, {d, REG_SZ, Z(""), "none", ""}, {d, REG_SZ, "", "none", ""},
        {d, REG_SZ, Z("racing"), "racing", "racing"}, {d, REG_SZ, "racing", "racing", "racing"},
        {d, REG_SZ, std::string("ab\0cd", 6), "ab", "ab"}, {d, REG_BINARY, "bin", "bin", "bin"},
        {"DESCRIPTION", REG_SZ, Z("racing"), "none", "racing"}, // the list matches names byte for byte, the registry does not
    };
    const Stored flags[] = { // edited: the tick; a missing flag is ticked although listed "Off"
        {f, REG_SZ, "-", "Off", "1"}, {f, REG_SZ, Z("0"), "Off", "0"}, {f, REG_SZ, Z("1"), "On", "1"}, {f, REG_SZ, Z("y"), "On", "1"},
        {f, REG_SZ, Z(""), "On", "1"}, {f, REG_SZ, "", "On", "1"}, {f, REG_SZ, "0", "Off", "0"},
        {f, REG_DWORD, std::string("0\0\0\0", 4), "Off", "0"}, {f, REG_DWORD, std::string(4, '\0'), "On", "1"},
        {"need3don2d", REG_SZ, Z("0"), "Off", "0"},
    };
    std::vector<std::pair<const Stored *, const Stored *>> records;
    Lines expected;
    for (const Stored &description : descriptions)
        for (const Stored &flag : flags) {
            std::string name = "R" + R(100 + int(expected.size()));
            ASSERT_TRUE(SeedKey(RecordPath(name)));
            for (const Stored *s : {&description, &flag})
                ASSERT_TRUE(s->bytes == "-" || SeedValue(RecordPath(name), s->valueName, s->type, s->bytes));
            expected.push_back(name + "\t" + description.listed + "\t" + flag.listed), records.push_back({&description, &flag});
        }
    ASSERT_EQ(List(), expected);
    for (LONG i = 0; i < LONG(records.size()); i++) {
        const std::string &line = expected[i], name = line.substr(0, 4);
        std::string edited = Edit(i); // before the flip
        EXPECT_EQ(edited + R(ToggleAppHint(i)), "0 held " + name + "|" + records[i].first->edited + " 1" + records[i].second->edited + "0");
        EXPECT_EQ(Records(name).substr(Records(name).size() - 3), strcmp(records[i].second->listed, "Off") ? "=0}" : "=1}") << line;
    }
}

void ABC() { SeedRecord("C", {{"Need3DOn2D", "1"}}), SeedRecord("A", {{"Need3DOn2D", "0"}}), SeedRecord("B", {{"Need3DOn2D", "1"}}); }

void Hostile(const std::string &name, const std::string &description) // with a flag longer than the read buffer
{
    ASSERT_TRUE(SeedValue(RecordPath(name), "Description", REG_SZ, description));
    ASSERT_TRUE(SeedValue(RecordPath(name), "Need3DOn2D", REG_BINARY, "1" + std::string(399, 'z')));
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
    // Records written by others: shown truthfully (a long description cut at its head), nothing read or written past a
    // buffer, a description not read whole never written back cut; a value name too long for the walk's buffer ends it.
    static const std::string d1023(1023, 'd'), d2000(2000, 'd'), n255(255, 'N'), a259(259, 'A'), a260(260, 'A');
    static const auto hostile = [] { std::string listed = Join(List()) + " ", edited = Edit(0, 1); return listed + edited + R(ToggleAppHint(0)); };
    auto shown = [](const std::string &name, const std::string &listed, const char *whole, const std::string &stored) {
        return name + "\t" + listed + "\tOn 0 held " + name + "|" + listed + " " + whole + "1 s00 " + name + "{Description=" + stored +
               ",Need3DOn2D=0}";
    };
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
        // Each operation asks for what it needs: a record that grants reading only lists as it stands, and its flip and
        // edit are refused; one that grants what the installer grants the machine's users (read, set, create, delete:
        // not the rights over its security that KEY_ALL_ACCESS holds) is flipped, edited, listed and deleted.
        {[] { keptDemo(), MarkReadOnly(RecordPath("DEMO")); }, [] { std::string said = Join(List()) + " "; said += R(ToggleAppHint(0)); return said + Edit(0, 1); },
         "DEMO\tkept\tOff 22 s2 " + kept},
        {[] { ABC(), GrantOnly(RecordPath("A"), KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE); },
         [] { std::string said = R(ToggleAppHint(0)); said += Edit(0, 0) + " "; said += Join(List()) + " "; return said + R(DeleteAppHint(0)); },
         "00 held A| 11 s0 A\tnone\tOff|B\tnone\tOn|C\tnone\tOn 0 " + bc},
        // A name holding "?" may have lost characters: it is listed through its wide name (natively the same name).
        {[] { SeedRecord("Why?", {{"Description", "asks"}, {"Need3DOn2D", "0"}}); }, [] { return Join(List()); },
         "Why?\tasks\tOff Why?{Description=asks,Need3DOn2D=0}"},
        {[] { ABC(), SeedKey(RecordPath("A\\sub")), MarkReadOnly(RecordPath("A")); }, // a subkey: Wine deletes read-only keys
         [] { return R(DeleteAppHint(0)) + R(ToggleAppHint(0)) + Edit(0, 1); }, "322 s2 " + abc},
        {[] { ABC(), MarkUnreadable(HINTS_PATH); }, [] { return R(DeleteAppHint(0)) + R(ToggleAppHint(0)) + Edit(0, 1); }, "222 s2 "},
        {ABC, [] { return Edit(3, 1) + "," + Edit(-1, 1); }, "1 s2,1 s2 " + abc},
        {ABC, [] { return Edit(0, 1, [] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY "A"); }); }, "0 held A| 10 s1 " + bc},
        {[] { Hostile(n255, Z("long")); }, hostile, shown(n255, "long", "1", "long")},
        {[] { Hostile("L", Z(d1023)); }, hostile, shown("L", d1023, "1", d1023)},
        {[] { Hostile("L", d1023 + "d"); }, hostile, shown("L", d1023, "0", "#1:" + d1023 + "d")},
        {[] { Hostile("L", Z(d2000)); }, hostile, shown("L", d1023, "0", d2000)},
        {[] { for (const std::string *a : {&a259, &a260}) // both sort before "Description"
                  SeedRecord(a->substr(257), {{*a, "x"}, {"Description", "racing"}, {"Need3DOn2D", "1"}}); },
         [] { return Join(List()); },
         "AA\tracing\tOn|AAA\tnone\tOff AA{" + a259 + "=x,Description=racing,Need3DOn2D=1} AAA{" + a260 +
             "=x,Description=racing,Need3DOn2D=1}"},
#ifndef _WIN32
        {[] { keptDemo(), SubstRegFailSetValue("Description", 5); }, create, "4 " + kept},
        {[] { keptDemo(), SubstRegFailSetValue("Need3DOn2D", 5); }, create, "4 DEMO{Description=racing,Need3DOn2D=0}"},
        {[] { ABC(), SubstRegFailSetValue("Need3DOn2D", 5); }, [] { return R(ToggleAppHint(0)) + Edit(1, 0); }, "20 held B| 11 s2 " + abc},
        {[] { ABC(), SubstRegFailSetValue("Description", 5); }, [] { return Edit(0, 1); }, "0 held A| 10 s3 A{Need3DOn2D=1} " + bc},
        // A record refused after its key was made is taken back, and AppHintsKey when made with it; not one that stood.
        {[] { ABC(), SubstRegFailSetValue("Need3DOn2D", 5); }, create, "4 " + abc},
        {[] { SeedKey(PRODUCT_PATH), SubstRegFailSetValue("Description", 5); },
         [] { return create() + R(int(SubkeyNames(PRODUCT_PATH).size())); }, "40 "},
        // Under code page 932 a trail byte 0x5C is no separator, and no cut leaves a lead byte alone.
        {[] { SubstSetCodePage(932), SeedKey(PRODUCT_PATH); },
         [] { return R(CreateAppHint("\x83\x5c\x83\x74\x83\x67", "\x95\x5c")) + R(CreateAppHint("a\x95\x5c\\b", "")); },
         "02 \x83\x5c\x83\x74\x83\x67{Description=\x95\x5c,Need3DOn2D=1}"},
        {[] { SubstSetCodePage(932), Hostile("L", Z(d1023.substr(1) + "\x95\x5c")); }, hostile,
         shown("L", d1023.substr(1), "0", d1023.substr(1) + "\x95\x5c")},
        {[] { SubstSetCodePage(932), Hostile("L", Z(d1023.substr(1) + "\x95")); }, hostile,
         shown("L", d1023.substr(1), "0", d1023.substr(1) + "\x95")},
#endif
    };
    // Natively also as on Windows 9x, where ADVAPI32's wide calls do not work: records are reached alike.
    for (bool wideMissing : {false, true})
        for (const auto &c : cases) {
            SCOPED_TRACE(wideMissing ? "without wide calls" : "");
            Restart();
#ifndef _WIN32
            SubstWideCallsMissing(wideMissing);
#else
            if (wideMissing)
                break;
#endif
            std::get<0>(c)();
            std::string said = std::get<1>(c)();
            EXPECT_NO_OPEN_KEYS(std::get<2>(c));
            EXPECT_EQ(said + " " + Records(), std::get<2>(c));
        }
}

// A record's path is joined only when it fits whole, its zero included; otherwise nothing is left
// in the buffer (the store then opens the record by name below AppHintsKey), and nothing is written
// past it.
TEST(HintRules, JoinHintPathWholeOrNothing)
{
    const struct { size_t size; BOOL joined; std::string path; } cases[] = {
        {6, TRUE, "ABCD"}, {5, TRUE, "ABCD"}, {4, FALSE, ""}, {1, FALSE, ""}, {0, FALSE, "\xbd"}};
    for (const auto &c : cases) {
        char path[8];
        memset(path, GUARD_BYTE, sizeof path);
        BOOL joined = JoinHintPath(path, c.size, "AB", "CD");
        EXPECT_EQ(R(joined) + std::string(path, strnlen(path, c.size ? c.size : 1)),
                  R(c.joined) + c.path) << "size " << c.size;
        EXPECT_EQ(std::string(path + (c.size ? c.size : 0), sizeof path - c.size), std::string(sizeof path - c.size, char(GUARD_BYTE)))
            << "written past the buffer, size " << c.size;
    }
}

#ifdef _WIN32
// A record whose name the code page cannot spell (made through the wide calls; "Игра" lists as
// "????" under 1252) is listed, edited, flipped and deleted as itself, not as a record that is
// named "????".
TEST_F(HintStore, NameTheCodePageCannotSpell)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP() << " may spell the name; the case needs 1252";
    HKEY key;
    const WCHAR name[] = {0x418, 0x433, 0x440, 0x430, 0}; // И г р а
    std::wstring path = L"SOFTWARE\\Quarnell\\Halvane\\App hints\\" + std::wstring(name);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), 0);
    RegSetValueExA(key, "Description", 0, REG_SZ, reinterpret_cast<const BYTE *>("racing"), 7);
    RegSetValueExA(key, "Need3DOn2D", 0, REG_SZ, reinterpret_cast<const BYTE *>("0"), 2);
    RegCloseKey(key);
    SeedRecord("????", {{"Need3DOn2D", "0"}}); // what the ANSI calls name it too; listed first
    EXPECT_EQ(Join(List()), "????\tnone\tOff|????\tracing\tOff");
    EXPECT_EQ(Edit(1, 0), "0 held ????|racing 10 s0");
    EXPECT_EQ(ToggleAppHint(1), HINT_CHANGE_DONE);
    EXPECT_EQ(Join(List()), "????\tnone\tOff|????\tracing\tOn");
    EXPECT_EQ(DeleteAppHint(1), HINT_CHANGE_DONE);
    EXPECT_EQ(Join(List()), "????\tnone\tOff");
}
#else
// Only the substitute shows the cursor: the walks of list, delete and flip are framed by it, create and edit show
// none. The line rule's cut, which no record reaches, is checked here once.
TEST_F(HintStore, WaitCursor)
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
    for (size_t size : {13, 12, 1, 0}) { // a line cut to a buffer too small: nothing written past it
        char line[14];
        memset(line, GUARD_BYTE, sizeof line), FormatAppHintLine("NAME", "desc", "On", line, size);
        EXPECT_EQ(std::string(line, 14), std::string("NAME\tdesc\tOn", size ? size - 1 : 0) + std::string(size ? 1 : 0, '\0') +
                                             std::string(14 - size, char(GUARD_BYTE))) << size;
    }
}
#endif

} // namespace
