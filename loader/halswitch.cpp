#include "loader/halswitch.h"

#include "common/globals.h"

DWORD HalEnabled;
DWORD HardwareFlags;

typedef void(WINAPIV *HalEntryProc)(DWORD *flags);

static HMODULE HalLibrary;
static HalEntryProc FindHardwareEntry;
static HalEntryProc Get565StatusEntry;
static HalEntryProc PrepareDisplayEntry;
static HalEntryProc RestoreDisplayEntry;

static const char ProfileFile[] = "zhqhw.ini";
static const char ProfileSection[] = "QTXHAL";
static const char ProfileKey[] = "EnableHAL";

static HalEntryProc BindEntry(const char *name)
{
    // Through a generic function pointer type: the export's real type is not FARPROC's.
    return reinterpret_cast<HalEntryProc>(reinterpret_cast<void (*)(void)>(GetProcAddress(HalLibrary, name)));
}

static void BindEntryPoints(void)
{
    FindHardwareEntry = BindEntry("FindHalvaneHardware");
    Get565StatusEntry = BindEntry("Get565Status");
    PrepareDisplayEntry = BindEntry("PrepareDisplay_32");
    RestoreDisplayEntry = BindEntry("RestoreDisplay_32");
}

static void ForgetLibrary(void)
{
    HalLibrary = NULL;
    FindHardwareEntry = NULL;
    Get565StatusEntry = NULL;
    PrepareDisplayEntry = NULL;
    RestoreDisplayEntry = NULL;
}

static void ReportDriverRefusal(void)
{
    char text[1024];
    wsprintfA(text, "Unable to load interceptor dll: %s", "Display Driver Did Not Allow Halvane To Initialise");
    MessageBoxA(NULL, text, "Halvane D3D HAL loader", MB_ICONERROR);
}

static int HalSwitchOff(void)
{
    HalEnabled = 0;
    if (RestoreDisplayEntry && (HardwareFlags & HWF_PREPARE_DISPLAY))
        RestoreDisplayEntry(&HardwareFlags);
    if (HalLibrary) {
        FreeLibrary(HalLibrary);
        ForgetLibrary();
    }
    WritePrivateProfileStringA(ProfileSection, ProfileKey, "0", ProfileFile);
    return 1;
}

static int HalSwitchOn(void)
{
    if (!HalLibrary)
        HalLibrary = LoadLibraryA("QTXWIN32.DLL");
    if (HalLibrary)
        BindEntryPoints();
    else
        (void)GetLastError();

    if (FindHardwareEntry && Get565StatusEntry && PrepareDisplayEntry && RestoreDisplayEntry) {
        HardwareFlags = 0;
        FindHardwareEntry(&HardwareFlags);
        if (HardwareFlags & HWF_PREPARE_DISPLAY) {
            Get565StatusEntry(&HardwareFlags);
            PrepareDisplayEntry(&HardwareFlags);
        }
        if (!(HardwareFlags & (HWF_PREPARE_DISPLAY | HWF_PRESENT)))
            return 0;
        if (HardwareFlags & HWF_DRIVER_REFUSED) {
            ReportDriverRefusal();
            HalEnabled = 0;
            return 0;
        }
    }
    // A missing library or entry point does not stop the HAL from being switched on.
    HalEnabled = 1;
    WritePrivateProfileStringA(ProfileSection, ProfileKey, "1", ProfileFile);
    return 1;
}

int HalSwitch(int enable)
{
    if (enable && HalEnabled == 1)
        return 1;
    return enable ? HalSwitchOn() : HalSwitchOff();
}
