// HalSwitch over a fake support library registered with the substitute layer.
#include "loader/halswitch.h"

#include "common/globals.h"
#include "substitute/subst_control.h"

#include <gtest/gtest.h>

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
            got += std::string(step, 2) + std::to_string(ret) + "/" + std::to_string(HalEnabled) + " ";
        }
        SubstProfileGet("ZHQHW.INI", "qtxhal", "enablehal", &profile);
        got += "| " + Calls + "| " + profile + " " + std::to_string(SubstProfileWriteCount()) + " [";
        for (const auto &box : SubstMessageBoxes()) {
            bool refusal = box.text == "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise";
            for (const char *v : {"0", "1"})
                got += box.text == "Unable to record the HAL state: EnableHAL=" + std::string(v) + " could not be written to zhqhw.ini."
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

} // namespace
