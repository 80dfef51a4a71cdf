#include "loader/halswitch.h"

#include "common/globals.h"

#include <string.h>

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
static const char LibraryName[] = "QTXWIN32.DLL";

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

// Builds folder\QTXWIN32.DLL in path. A folder that does not fit together with the name
// holds no library for us: a cut path could name some other file.
static BOOL LibraryPathIn(const char *folder, size_t length, char (&path)[MAX_PATH])
{
    BOOL slash = length > 0 && folder[length - 1] == '\\';
    if (length == 0 || length + !slash + sizeof LibraryName > sizeof path)
        return FALSE;
    memcpy(path, folder, length);
    if (!slash)
        path[length++] = '\\';
    memcpy(path + length, LibraryName, sizeof LibraryName);
    return TRUE;
}

// The library only from where an installation puts it, by full path: beside QTXILOAD.EXE, then
// in the system folder. A bare name would also search the current directory and PATH, and
// whoever can write there would have their code run at every logon.
static HMODULE LoadSupportLibrary(void)
{
    char folder[MAX_PATH], path[MAX_PATH];
    HMODULE library = NULL;
    DWORD n = GetModuleFileNameA(NULL, folder, sizeof folder);
    if (n > 0 && n < sizeof folder) {
        const char *slash = strrchr(folder, '\\');
        if (slash && LibraryPathIn(folder, static_cast<size_t>(slash - folder), path))
            library = LoadLibraryA(path);
    }
    if (!library) {
        n = GetSystemDirectoryA(folder, sizeof folder);
        if (n > 0 && n < sizeof folder && LibraryPathIn(folder, n, path))
            library = LoadLibraryA(path);
    }
    return library;
}

// A failed write leaves whatever reads the profile with the old state: the user must know.
static void RecordHalState(const char *value)
{
    if (WritePrivateProfileStringA(ProfileSection, ProfileKey, value, ProfileFile))
        return;
    char text[128];
    wsprintfA(text, "Unable to record the HAL state: EnableHAL=%s could not be written to %s.", value, ProfileFile);
    MessageBoxA(NULL, text, "Halvane D3D HAL loader", MB_OK);
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
    RecordHalState("0");
    return 1;
}

static int HalSwitchOn(void)
{
    if (!HalLibrary)
        HalLibrary = LoadSupportLibrary();
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
    RecordHalState("1");
    return 1;
}

int HalSwitch(int enable)
{
    if (enable && HalEnabled == 1)
        return 1;
    return enable ? HalSwitchOn() : HalSwitchOff();
}
