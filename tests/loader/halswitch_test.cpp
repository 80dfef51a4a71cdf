// HalSwitch over a fake support library registered with the substitute layer.
#include "loader/halswitch.h"

#include "common/globals.h"
#include "common/textrules.h"
#include "substitute/subst_control.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

DWORD Detected;
std::string Calls;

// An entry point of the fake library: notes its letter and the flags passed; F detects.
template <char Name> void Entry(DWORD *flags)
{
    Calls += Name + std::to_string(*flags) + " ";
    if (Name == 'F')
        *flags = Detected;
}
template <char Name> FARPROC Export() { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(Entry<Name>)); }

// Each row: where the library stands (P the program's folder, U the folder above it, S the system
// folder, B a bare name), whole or without RestoreDisplay_32, the length of a long system folder
// (-1: a program path that GetModuleFileNameA cuts), the profile refusing writes, the flags
// detected; HalSwitch's arguments with its return and HalEnabled ("1>1/1 "), the entry points
// called, the profile's value and writes, the messages (R refusal, 0/1 the value not recorded),
// the frees, and where a reference is still held.
const struct { const char *name, *where; int whole, folder, refused; DWORD detected; const char *expect; } Rows[] = {
    {"PrepareThenOffProgramFolderFirst", "PS", 1, 0, 0, 1, "1>1/1 0>1/0 | F0 G1 P1 R1 | 0 2 [] 1 -"},
    {"OnTwiceDetectsOnce", "P", 1, 0, 0, 1, "1>1/1 1>1/1 | F0 G1 P1 | 1 1 [] 0 P"},
    {"PresentWithoutPreparation", "P", 1, 0, 0, 2, "1>1/1 0>1/0 | F0 | 0 2 [] 1 -"},
    {"NoHardwareKeepsLibraryWritesNothing", "P", 1, 0, 0, 0, "1>0/0 | F0 | - 0 [] 0 P"},
    {"NoHardwareTwiceReusesLibrary", "S", 1, 0, 0, 0, "1>0/0 1>0/0 | F0 F0 | - 0 [] 0 S"},
    {"RefusalAlone", "P", 1, 0, 0, 0x1000, "1>0/0 | F0 | - 0 [] 0 P"},
    {"RefusalWithPresent", "P", 1, 0, 0, 0x1002, "1>0/0 0>1/0 | F0 | 0 1 [R] 1 -"},
    {"RefusalAfterPreparationRestoresAtOff", "P", 1, 0, 0, 0x1001, "1>0/0 0>1/0 | F0 G4097 P4097 R4097 | 0 1 [R] 1 -"},
    {"LibraryNowhereStillOn", "", 1, 0, 0, 1, "1>1/1 | | 1 1 [] 0 -"},
    {"BareNameNotSearched", "B", 1, 0, 0, 1, "1>1/1 | | 1 1 [] 0 -"},
    {"LongestSystemFolderThatFits", "S", 1, 246, 0, 1, "1>1/1 | F0 G1 P1 | 1 1 [] 0 S"},
    {"SystemFolderTooLongForTheName", "S", 1, 247, 0, 1, "1>1/1 | | 1 1 [] 0 -"},
    {"ProgramPathCutNotUsed", "US", 1, -1, 0, 1, "1>1/1 | F0 G1 P1 | 1 1 [] 0 S"},
    {"ExportMissingStillOnNoDetection", "P", 0, 0, 0, 1, "1>1/1 0>1/0 | | 0 2 [] 1 -"},
    {"OffWhenNothingLoaded", "P", 1, 0, 0, 1, "0>1/0 | | 0 1 [] 0 -"},
    {"OffTwiceRestoresAndFreesOnce", "P", 1, 0, 0, 1, "1>1/1 0>1/0 0>1/0 | F0 G1 P1 R1 | 0 3 [] 1 -"},
    {"OnOffOnBindsAgainSystemFolder", "S", 1, 0, 0, 1, "1>1/1 0>1/0 1>1/1 | F0 G1 P1 R1 F0 G1 P1 | 1 3 [] 1 S"},
    {"ProfileRefusedIsToldSwitchGoesOn", "P", 1, 0, 1, 1, "1>1/1 0>1/0 | F0 G1 P1 R1 | - 2 [10] 1 -"},
};

TEST(HalSwitch, Table)
{
    for (const auto &r : Rows) {
        SCOPED_TRACE(r.name);
        HalSwitch(0), SubstResetKernel(), SubstProfileFailWrites(r.refused), Calls.clear();
        HardwareFlags = 0, Detected = r.detected;
        std::string program = r.folder < 0 ? "C:\\" + std::string(200, 'a') + "\\" + std::string(60, 'b') : "C:\\QTX\\LOADER";
        std::string system = r.folder > 0 ? "C:\\" + std::string(r.folder - 3, 's') : "C:\\WINDOWS\\SYSTEM";
        std::string got, profile = "-", held;
        SubstSetFolders((program + "\\QTXILOAD.EXE").c_str(), system.c_str());
        const std::string places[] = {program + "\\", program.substr(0, program.rfind('\\') + 1), system + "\\", ""};
        for (int i = 0; i < 4; i++)
            if (strchr(r.where, "PUSB"[i]))
                SubstRegisterModule((places[i] + "QTXWIN32.DLL").c_str(),
                                    {{"FindHalvaneHardware", Export<'F'>()}, {"Get565Status", Export<'G'>()},
                                     {"PrepareDisplay_32", Export<'P'>()}, {r.whole ? "RestoreDisplay_32" : "Other", Export<'R'>()}});
        for (const char *step = r.expect; *step != '|'; step += 6) {
            int ret = HalSwitch(step[0] - '0');
            ReportUnrecordedHalState();
            got += std::string(step, 2) + std::to_string(ret) + "/" + std::to_string(HalEnabled) + " ";
        }
        SubstProfileGet("ZHQHW.INI", "qtxhal", "enablehal", &profile);
        got += "| " + Calls + "| " + profile + " " + std::to_string(SubstProfileWriteCount()) + " [";
        for (const auto &box : SubstMessageBoxes()) {
            bool refusal = box.text == "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise";
            for (const char *v : {"0", "1"})
                got += box.text == "Unable to record the HAL state: EnableHAL=" + std::string(v) + " could not be written to C:\\WINDOWS\\zhqhw.ini."
                           ? v : "";
            got += refusal ? "R" : "";
            EXPECT_TRUE(box.caption == "Halvane D3D HAL loader" && !box.owner && box.type == (refusal ? MB_ICONERROR : MB_OK))
                << box.text;
        }
        int frees = 0;
        for (int i = 0; i < 4; i++) {
            frees += SubstModuleFreeCalls((places[i] + "QTXWIN32.DLL").c_str());
            held += SubstModuleRefCount((places[i] + "QTXWIN32.DLL").c_str()) ? std::string(1, "PUSB"[i]) : "";
        }
        EXPECT_EQ(got + "] " + std::to_string(frees) + " " + (held.empty() ? "-" : held), r.expect);
    }
}

// The library beside the program under both code pages: through the wide path where the wide
// calls work (a folder the code page cannot spell), else through the ANSI path walked by
// characters (a double-byte folder name whose last trail byte is 0x5C: "\x95\x5C" is 表,
// "\x83\x5C" ソ). Each row: code page, ANSI program folder, wide folder (UTF-8; NULL: the wide
// calls fail, as on Windows 9x), the folder the library is registered in (UTF-8 for a wide
// load), and whether it is loaded from there (the library stands nowhere else).
TEST(HalSwitch, LibraryBesideTheProgramInBothCodePages)
{
    const std::string tooLong = "C:\\A\\" + std::string(300, 'x'); // cut by the read, its head names another folder
    const struct { UINT cp; const char *ansi, *wide, *library; bool found; } rows[] = {
        {1252, "C:\\????", "C:\\\xd0\x98\xd0\xb3\xd1\x80\xd0\xb0", "C:\\\xd0\x98\xd0\xb3\xd1\x80\xd0\xb0", true},
        {1252, "C:\\????", "C:\\\xd0\x98\xd0\xb3\xd1\x80\xd0\xb0", "C:\\????", false},
        {932, "C:\\\x95\x5c", nullptr, "C:\\\x95\x5c", true},
        {932, "C:\\\x83\x5c\x83\x74\x83\x67", nullptr, "C:\\\x83\x5c\x83\x74\x83\x67", true},
        {932, "C:\\\x95\x5c", nullptr, "C:\\\x95", false}, // where a byte walk looks
        {1252, "C:\\\x95\x5c", nullptr, "C:\\\x95", true},  // a single-byte code page: two characters
        {932, "C:", nullptr, "C:", true},                       // "C:\\QTXILOAD.EXE"
        {932, "C:\\\x95\x5c", "C:\\\xe8\xa1\xa8", "C:\\\xe8\xa1\xa8", true},
        {1252, tooLong.c_str(), nullptr, "C:\\A", false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.cp << " " << r.ansi << " / " << r.library);
        HalSwitch(0), SubstResetKernel(), SubstSetCodePage(r.cp), Calls.clear(), Detected = 0;
        SubstSetFolders((std::string(r.ansi) + "\\QTXILOAD.EXE").c_str(), "C:\\WINDOWS\\SYSTEM");
        r.wide ? SubstSetWideProgramPath((std::string(r.wide) + "\\QTXILOAD.EXE").c_str()) : SubstWideCallsMissing(true);
        std::string library = std::string(r.library) + "\\QTXWIN32.DLL";
        SubstRegisterModule(library.c_str(), {{"FindHalvaneHardware", Export<'F'>()}, {"Get565Status", Export<'G'>()},
                                              {"PrepareDisplay_32", Export<'P'>()}, {"RestoreDisplay_32", Export<'R'>()}});
        EXPECT_EQ(HalSwitch(1), r.found ? 0 : 1) << "no hardware is found only by the library";
        EXPECT_EQ(SubstModuleRefCount(library.c_str()), r.found ? 1 : 0);
    }
}

// The text rules in both code pages: 0x81-0x9F and 0xE0-0xFC lead a double-byte character in 932.
TEST(TextRules, InBothCodePages)
{
    const struct { UINT cp; std::string text; size_t limit; std::string cut; const char *separatorAt; } rows[] = {
        {932, "\x83\x5c\x83\x74\x83\x67", 17, "\x83\x5c\x83\x74\x83\x67", ""}, // ソフト: no "\"
        {1252, "\x83\x5c\x83\x74\x83\x67", 17, "\x83\x5c\x83\x74\x83\x67", "1"},
        {932, "abcdefghijklmnop\x95\x5c", 17, "abcdefghijklmnop", ""},  // 16 letters and 表 cut to 17 bytes
        {1252, "abcdefghijklmnop\x95\x5c", 17, "abcdefghijklmnop\x95", "17"},
        {932, "abcdefghijklmnop\x95", 17, "abcdefghijklmnop", ""},      // a lead byte the read left alone
        {932, "a\x95\x5c\\b\x95", 31, "a\x95\x5c\\b", "3"},        // a "\" of its own after 表
        {932, "\x95\x5c\x95\x5c", 3, "\x95\x5c", ""}, {932, "\x95\x5c", 1, "", ""}, {932, "\x95\x5c", 0, "", ""},
        {932, "\xe0\x40\xfc\xfc\xa0\\", 9, "\xe0\x40\xfc\xfc\xa0\\", "5"}, // a trail byte in the lead range
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.cp << " row " << &r - rows);
        SubstResetKernel(), SubstSetCodePage(r.cp);
        std::string text = r.text + '\0' + std::string(4, char(0xbd));
        CutWholeChars(&text[0], r.limit);
        std::string rest = r.cut.size() < r.text.size() ? r.text.substr(r.cut.size() + 1) + '\0' : ""; // past the new zero
        EXPECT_EQ(text, r.cut + '\0' + rest + std::string(4, char(0xbd)));
        const char *separator = LastSeparator(r.text.c_str());
        EXPECT_EQ(separator ? std::to_string(separator - r.text.c_str()) : "", r.separatorAt);
        // A folder that ends in a "\" of its own gets no second one; any other gets one.
        char path[24];
        memset(path, 0xbd, sizeof path);
        bool slash = separator && size_t(separator - r.text.c_str()) + 1 == r.text.size();
        std::string joined = r.text + (slash ? "" : "\\") + "QTXWIN32.DLL";
        EXPECT_EQ(JoinFolderAndName(r.text.data(), r.text.size(), "QTXWIN32.DLL", path, sizeof path), joined.size() < sizeof path);
        EXPECT_EQ(std::string(path, joined.size() < sizeof path ? joined.size() + 1 : 1), joined.size() < sizeof path ? joined + '\0' : std::string(1, '\0'));
    }
    // Registry data need not end in a zero: nothing past the length is read (AddressSanitizer
    // sees a read past this block).
    std::unique_ptr<char[]> unterminated(new char[2]{'a', 'b'});
    EXPECT_EQ(WholeCharsLength(unterminated.get(), 2, 17), 2u);
}

} // namespace
