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

// Each row: the library (0 missing, 1 without RestoreDisplay_32, 2 whole), the flags detected,
// HalSwitch arguments with the return and HalEnabled after each ("1>1/1 "), the entry points
// called, then the profile's value and writes (even unchanged), refusals, frees, references held.
const struct {
    const char *name;
    int library;
    DWORD detected;
    const char *steps, *calls, *end;
} Rows[] = {
    {"PrepareThenOff", 2, 1, "1>1/1 0>1/0 ", "F0 G1 P1 R1 ", "0 2 0 1 0"},
    {"OnTwiceDetectsOnce", 2, 1, "1>1/1 1>1/1 ", "F0 G1 P1 ", "1 1 0 0 1"},
    {"PresentWithoutPreparation", 2, 2, "1>1/1 0>1/0 ", "F0 ", "0 2 0 1 0"},
    {"NoHardwareKeepsLibraryWritesNothing", 2, 0, "1>0/0 ", "F0 ", "- 0 0 0 1"},
    {"NoHardwareTwiceReusesLibrary", 2, 0, "1>0/0 1>0/0 ", "F0 F0 ", "- 0 0 0 1"},
    {"RefusalAlone", 2, 0x1000, "1>0/0 ", "F0 ", "- 0 0 0 1"},
    {"RefusalWithPresent", 2, 0x1002, "1>0/0 0>1/0 ", "F0 ", "0 1 1 1 0"},
    {"RefusalAfterPreparationRestoresAtOff", 2, 0x1001, "1>0/0 0>1/0 ", "F0 G4097 P4097 R4097 ", "0 1 1 1 0"},
    {"LibraryMissingStillOn", 0, 1, "1>1/1 ", "", "1 1 0 0 0"},
    {"ExportMissingStillOnNoDetection", 1, 1, "1>1/1 0>1/0 ", "", "0 2 0 1 0"},
    {"OffWhenNothingLoaded", 2, 1, "0>1/0 ", "", "0 1 0 0 0"},
    {"OffTwiceRestoresAndFreesOnce", 2, 1, "1>1/1 0>1/0 0>1/0 ", "F0 G1 P1 R1 ", "0 3 0 1 0"},
    {"OnOffOnBindsAgain", 2, 1, "1>1/1 0>1/0 1>1/1 ", "F0 G1 P1 R1 F0 G1 P1 ", "1 3 0 1 1"},
};

TEST(HalSwitch, Table)
{
    for (const auto &r : Rows) {
        SCOPED_TRACE(r.name);
        HalSwitch(0);
        HardwareFlags = 0;
        SubstResetKernel();
        Calls.clear();
        if (r.library)
            SubstRegisterModule("QTXWIN32.DLL", {{"FindHalvaneHardware", Export<'F'>()}, {"Get565Status", Export<'G'>()},
                {"PrepareDisplay_32", Export<'P'>()}, {r.library == 2 ? "RestoreDisplay_32" : "Other", Export<'R'>()}});
        Detected = r.detected;
        std::string steps;
        for (const char *step = r.steps; *step; step += 6) {
            int ret = HalSwitch(step[0] - '0');
            steps += std::string(step, 2) + std::to_string(ret) + "/" + std::to_string(HalEnabled) + " ";
        }
        EXPECT_EQ(steps, r.steps);
        EXPECT_EQ(Calls, r.calls);
        std::string profile = "-";
        SubstProfileGet("ZHQHW.INI", "qtxhal", "enablehal", &profile);
        EXPECT_EQ(profile + " " + std::to_string(SubstProfileWriteCount()) + " " + std::to_string(SubstMessageBoxes().size()) +
                      " " + std::to_string(SubstModuleFreeCalls("QTXWIN32.DLL")) + " " +
                      std::to_string(SubstModuleRefCount("QTXWIN32.DLL")),
                  r.end);
        for (const auto &box : SubstMessageBoxes())
            EXPECT_TRUE(box.text == "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise" &&
                        box.caption == "Halvane D3D HAL loader" && box.type == MB_ICONERROR && !box.owner);
    }
}

} // namespace
