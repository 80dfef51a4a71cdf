// HalSwitch over a fake support library registered with the substitute layer.
#include "loader/halswitch.h"

#include "common/globals.h"
#include "substitute/subst_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DWORD Detected;
std::string Calls;

void Note(const char *name, DWORD *flags) { Calls += name + std::to_string(*flags) + " "; }
void Find(DWORD *flags) { Note("F", flags), *flags = Detected; }
void Get565(DWORD *flags) { Note("G", flags); }
void Prepare(DWORD *flags) { Note("P", flags); }
void Restore(DWORD *flags) { Note("R", flags); }
FARPROC Export(void (*f)(DWORD *)) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(f)); }

// Each row: the library (0 missing, 1 without RestoreDisplay_32, 2 whole), the flags detection
// reports, HalSwitch arguments with the returns and HalEnabled expected after each ("1>1/1"),
// the entry points called (with the flags passed, decimal), the profile's value, the profile
// writes (made whenever the state is recorded, even unchanged), refusal messages, FreeLibrary
// calls and the references held at the end.
struct Row {
    const char *name;
    int library;
    DWORD detected;
    std::vector<const char *> steps;
    const char *calls, *profile;
    int writes, refusals, frees, refs;
};

const Row Rows[] = {
    {"PrepareThenOff", 2, 1, {"1>1/1", "0>1/0"}, "F0 G1 P1 R1 ", "0", 2, 0, 1, 0},
    {"OnTwiceDetectsOnce", 2, 1, {"1>1/1", "1>1/1"}, "F0 G1 P1 ", "1", 1, 0, 0, 1},
    {"PresentWithoutPreparation", 2, 2, {"1>1/1", "0>1/0"}, "F0 ", "0", 2, 0, 1, 0},
    {"NoHardwareKeepsLibraryWritesNothing", 2, 0, {"1>0/0"}, "F0 ", "-", 0, 0, 0, 1},
    {"NoHardwareTwiceReusesLibrary", 2, 0, {"1>0/0", "1>0/0"}, "F0 F0 ", "-", 0, 0, 0, 1},
    {"RefusalAlone", 2, 0x1000, {"1>0/0"}, "F0 ", "-", 0, 0, 0, 1},
    {"RefusalWithPresent", 2, 0x1002, {"1>0/0", "0>1/0"}, "F0 ", "0", 1, 1, 1, 0},
    {"RefusalAfterPreparationRestoresAtOff", 2, 0x1001, {"1>0/0", "0>1/0"}, "F0 G4097 P4097 R4097 ", "0", 1, 1, 1, 0},
    {"LibraryMissingStillOn", 0, 1, {"1>1/1"}, "", "1", 1, 0, 0, 0},
    {"ExportMissingStillOnNoDetection", 1, 1, {"1>1/1", "0>1/0"}, "", "0", 2, 0, 1, 0},
    {"OffWhenNothingLoaded", 2, 1, {"0>1/0"}, "", "0", 1, 0, 0, 0},
    {"OffTwiceRestoresAndFreesOnce", 2, 1, {"1>1/1", "0>1/0", "0>1/0"}, "F0 G1 P1 R1 ", "0", 3, 0, 1, 0},
    {"OnOffOnBindsAgain", 2, 1, {"1>1/1", "0>1/0", "1>1/1"}, "F0 G1 P1 R1 F0 G1 P1 ", "1", 3, 0, 1, 1},
};

TEST(HalSwitch, Table)
{
    for (const Row &r : Rows) {
        SCOPED_TRACE(r.name);
        HalSwitch(0);
        HardwareFlags = 0;
        SubstResetKernel();
        Calls.clear();
        std::vector<std::pair<std::string, FARPROC>> exports = {{"FindHalvaneHardware", Export(Find)},
            {"Get565Status", Export(Get565)}, {"PrepareDisplay_32", Export(Prepare)}, {"RestoreDisplay_32", Export(Restore)}};
        exports.resize(r.library == 1 ? 3 : 4);
        if (r.library)
            SubstRegisterModule("QTXWIN32.DLL", exports);
        Detected = r.detected;
        std::string outcomes, expected;
        for (const char *step : r.steps) {
            int ret = HalSwitch(step[0] - '0');
            outcomes += std::string(1, step[0]) + ">" + std::to_string(ret) + "/" + std::to_string(HalEnabled) + " ";
            expected += std::string(step) + " ";
        }
        EXPECT_EQ(outcomes, expected);
        EXPECT_EQ(Calls, r.calls);
        std::string profile = "-";
        SubstProfileGet("ZHQHW.INI", "qtxhal", "enablehal", &profile);
        EXPECT_EQ(profile, r.profile);
        EXPECT_EQ(SubstProfileWriteCount(), r.writes);
        EXPECT_EQ(SubstMessageBoxes().size(), static_cast<size_t>(r.refusals));
        for (const auto &box : SubstMessageBoxes()) {
            EXPECT_EQ(box.text, "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise");
            EXPECT_EQ(box.caption, "Halvane D3D HAL loader");
            EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(box.owner, nullptr);
        }
        EXPECT_EQ(SubstModuleFreeCalls("QTXWIN32.DLL"), r.frees);
        EXPECT_EQ(SubstModuleRefCount("QTXWIN32.DLL"), r.refs);
    }
}

} // namespace
