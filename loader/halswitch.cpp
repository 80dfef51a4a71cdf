#include "loader/halswitch.h"

#include "common/common.h"
#include "common/globals.h"
#include "common/textrules.h"

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

// The program's folder through the wide calls, which lose nothing on the NT family. *answered
// is FALSE where they are not implemented (Windows 9x exports them as stubs that fail): the
// caller then walks the ANSI path. A path cut to the buffer names no folder of ours.
static HMODULE LoadBesideProgramWide(BOOL *answered)
{
    WCHAR path[MAX_PATH];
    return WidePathBesideProgram(LibraryName, path, answered) ? LoadLibraryW(path) : NULL;
}

// The same through the ANSI path, walked by characters: a trail byte of a double-byte
// character can have the value of "\".
static HMODULE LoadBesideProgramAnsi(void)
{
    char program[MAX_PATH], path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, program, sizeof program);
    if (n == 0 || n >= sizeof program)
        return NULL;
    const char *slash = LastSeparator(program);
    if (!slash || !JoinFolderAndName(program, static_cast<size_t>(slash - program), LibraryName, path, sizeof path))
        return NULL;
    return LoadLibraryA(path);
}

// The library only from where an installation puts it, by full path: beside QTXILOAD.EXE, then
// in the system folder. A bare name would also search the current directory and PATH, and
// whoever can write there would have their code run at every logon.
static HMODULE LoadSupportLibrary(void)
{
    BOOL answered;
    HMODULE library = LoadBesideProgramWide(&answered);
    if (!library && !answered)
        library = LoadBesideProgramAnsi();
    if (!library) {
        char folder[MAX_PATH], path[MAX_PATH];
        UINT n = GetSystemDirectoryA(folder, sizeof folder);
        if (n > 0 && n < sizeof folder && JoinFolderAndName(folder, n, LibraryName, path, sizeof path))
            library = LoadLibraryA(path);
    }
    return library;
}

// The value whose write to the profile failed last, NULL when the last write succeeded. Told by
// ReportUnrecordedHalState, so that the caller can first show the state that now holds.
static const char *UnrecordedValue;

static void RecordHalState(const char *value)
{
    UnrecordedValue = WritePrivateProfileStringA(ProfileSection, ProfileKey, value, ProfileFile) ? NULL : value;
}

// A failed write leaves whatever reads the profile with the old state: the user must know, and
// where the file is (the bare name goes to the Windows folder).
void ReportUnrecordedHalState(void)
{
    const char *value = UnrecordedValue;
    if (!value)
        return;
    UnrecordedValue = NULL;
    char folder[MAX_PATH], file[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder || !JoinFolderAndName(folder, n, ProfileFile, file, sizeof file))
        memcpy(file, ProfileFile, sizeof ProfileFile);
    char text[1024];
    wsprintfA(text, "Unable to record the HAL state: EnableHAL=%s could not be written to %s.", value, file);
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
