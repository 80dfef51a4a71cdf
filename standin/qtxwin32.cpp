// Stand-in for the accelerator's support library QTXWIN32.DLL, for running and testing the
// loader without the hardware. QTXWIN32_FLAGS (decimal, or hex with 0x) is what detection
// reports, 0x0001 when unset; QTXWIN32_LOG names a file to which every entry point appends
// one line, "<name> 0x<flags on entry>".
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void LogEntry(const char *name, const DWORD *flags)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("QTXWIN32_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    FILE *log = fopen(path, "a");
    if (!log)
        return;
    fprintf(log, "%s 0x%04lx\n", name, static_cast<unsigned long>(flags ? *flags : 0));
    fclose(log);
}

static DWORD SimulatedFlags(void)
{
    char text[64];
    DWORD n = GetEnvironmentVariableA("QTXWIN32_FLAGS", text, sizeof text);
    if (n == 0 || n >= sizeof text)
        return 0x0001;
    return static_cast<DWORD>(strtoul(text, NULL, 0));
}

extern "C" {

void __cdecl FindHalvaneHardware(DWORD *flags)
{
    LogEntry("FindHalvaneHardware", flags);
    if (flags)
        *flags = SimulatedFlags();
}

void __cdecl Get565Status(DWORD *flags)
{
    LogEntry("Get565Status", flags);
}

void __cdecl PrepareDisplay_32(DWORD *flags)
{
    LogEntry("PrepareDisplay_32", flags);
}

void __cdecl RestoreDisplay_32(DWORD *flags)
{
    LogEntry("RestoreDisplay_32", flags);
}

} // extern "C"
