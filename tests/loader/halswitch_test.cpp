// HalSwitch over a fake support library registered with the substitute layer.
#include "loader/halswitch.h"

#include "common/globals.h"
#include "substitute/subst_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DWORD DetectedFlags;
std::vector<std::string> Calls;

void Record(const char *name, DWORD *flags)
{
    char line[64];
    snprintf(line, sizeof line, "%s %#x", name, static_cast<unsigned>(*flags));
    Calls.push_back(line);
}

void FindHardware(DWORD *flags)
{
    Record("Find", flags);
    *flags = DetectedFlags;
}
void Get565(DWORD *flags) { Record("565", flags); }
void Prepare(DWORD *flags) { Record("Prepare", flags); }
void Restore(DWORD *flags) { Record("Restore", flags); }

FARPROC Export(void (*f)(DWORD *))
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(f));
}

std::vector<std::pair<std::string, FARPROC>> AllExports()
{
    return {{"FindHalvaneHardware", Export(FindHardware)},
            {"Get565Status", Export(Get565)},
            {"PrepareDisplay_32", Export(Prepare)},
            {"RestoreDisplay_32", Export(Restore)}};
}

std::string Profile()
{
    std::string value;
    return SubstProfileGet("ZHQHW.INI", "qtxhal", "enablehal", &value) ? value : "<none>";
}

// Brings the switch back to "off, nothing loaded" without leaving a trace in the records.
void ResetAll()
{
    HalSwitch(0);
    HardwareFlags = 0;
    SubstResetKernel();
    Calls.clear();
}

struct Step {
    int enable;
    int expectReturn;
    DWORD expectEnabled;
};

struct Scenario {
    const char *name;
    bool libraryPresent;
    bool allExports;
    DWORD detected;
    std::vector<Step> steps;
    std::vector<std::string> expectCalls;
    std::string expectProfile;
    int expectWrites; // the profile is written whenever the state is recorded, even unchanged
    int expectRefusals;
    int expectFreeCalls;
    int expectRefsAtEnd;
};

class HalSwitchScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(HalSwitchScenario, CallsWritesAndReturns)
{
    const Scenario &s = GetParam();
    ResetAll();
    if (s.libraryPresent) {
        auto exports = AllExports();
        if (!s.allExports)
            exports.pop_back(); // no RestoreDisplay_32
        SubstRegisterModule("QTXWIN32.DLL", exports);
    }
    DetectedFlags = s.detected;
    for (size_t i = 0; i < s.steps.size(); i++) {
        EXPECT_EQ(HalSwitch(s.steps[i].enable), s.steps[i].expectReturn) << "step " << i;
        EXPECT_EQ(HalEnabled, s.steps[i].expectEnabled) << "step " << i;
    }
    EXPECT_EQ(Calls, s.expectCalls);
    EXPECT_EQ(Profile(), s.expectProfile);
    EXPECT_EQ(SubstProfileWriteCount(), s.expectWrites);
    int refusals = 0;
    for (const auto &box : SubstMessageBoxes()) {
        EXPECT_EQ(box.text, "Unable to load interceptor dll: Display Driver Did Not Allow Halvane To Initialise");
        EXPECT_EQ(box.caption, "Halvane D3D HAL loader");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(box.owner, nullptr);
        refusals++;
    }
    EXPECT_EQ(refusals, s.expectRefusals);
    EXPECT_EQ(SubstModuleFreeCalls("QTXWIN32.DLL"), s.expectFreeCalls);
    EXPECT_EQ(SubstModuleRefCount("QTXWIN32.DLL"), s.expectRefsAtEnd);
}

const std::vector<std::string> PreparedStart = {"Find 0", "565 0x1", "Prepare 0x1"};

INSTANTIATE_TEST_SUITE_P(
    Table, HalSwitchScenario,
    ::testing::Values(
        Scenario{"PrepareThenOff", true, true, 0x0001, {{1, 1, 1}, {0, 1, 0}},
                 {"Find 0", "565 0x1", "Prepare 0x1", "Restore 0x1"}, "0", 2, 0, 1, 0},
        Scenario{"OnTwiceDetectsOnce", true, true, 0x0001, {{1, 1, 1}, {1, 1, 1}}, PreparedStart, "1", 1, 0, 0, 1},
        Scenario{"PresentWithoutPreparation", true, true, 0x0002, {{1, 1, 1}, {0, 1, 0}}, {"Find 0"}, "0", 2, 0, 1, 0},
        Scenario{"NoHardwareKeepsLibraryWritesNothing", true, true, 0, {{1, 0, 0}}, {"Find 0"}, "<none>", 0, 0, 0, 1},
        Scenario{"NoHardwareTwiceReusesLibrary", true, true, 0, {{1, 0, 0}, {1, 0, 0}}, {"Find 0", "Find 0"},
                 "<none>", 0, 0, 0, 1},
        Scenario{"RefusalAlone", true, true, 0x1000, {{1, 0, 0}}, {"Find 0"}, "<none>", 0, 0, 0, 1},
        Scenario{"RefusalWithPresent", true, true, 0x1002, {{1, 0, 0}, {0, 1, 0}}, {"Find 0"}, "0", 1, 1, 1, 0},
        Scenario{"RefusalAfterPreparationRestoresAtOff", true, true, 0x1001, {{1, 0, 0}, {0, 1, 0}},
                 {"Find 0", "565 0x1001", "Prepare 0x1001", "Restore 0x1001"}, "0", 1, 1, 1, 0},
        Scenario{"LibraryMissingStillOn", false, true, 0x0001, {{1, 1, 1}}, {}, "1", 1, 0, 0, 0},
        Scenario{"ExportMissingStillOnNoDetection", true, false, 0x0001, {{1, 1, 1}, {0, 1, 0}}, {}, "0", 2, 0, 1, 0},
        Scenario{"OffWhenNothingLoaded", true, true, 0x0001, {{0, 1, 0}}, {}, "0", 1, 0, 0, 0},
        Scenario{"OffTwiceRestoresAndFreesOnce", true, true, 0x0001, {{1, 1, 1}, {0, 1, 0}, {0, 1, 0}},
                 {"Find 0", "565 0x1", "Prepare 0x1", "Restore 0x1"}, "0", 3, 0, 1, 0},
        Scenario{"OnOffOnBindsAgain", true, true, 0x0001, {{1, 1, 1}, {0, 1, 0}, {1, 1, 1}},
                 {"Find 0", "565 0x1", "Prepare 0x1", "Restore 0x1", "Find 0", "565 0x1", "Prepare 0x1"}, "1", 3,
                 0, 1, 1}),
    [](const ::testing::TestParamInfo<Scenario> &p) { return std::string(p.param.name); });

} // namespace
