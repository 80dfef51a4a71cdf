// Stand-in for the accelerator's support library QTXWIN32.DLL, for running and testing the
// loader without the hardware. QTXWIN32_FLAGS (decimal, or hex with 0x) is what detection
// reports, 0x0001 when unset; QTXWIN32_LOG names a file to which every entry point appends
// one line, "<name> 0x<flags on entry>". Uses Win32 only: the library needs no C runtime DLL.
#include <windows.h>

static void LogEntry(const char *name, const DWORD *flags)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("QTXWIN32_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    HANDLE log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return;
    // wsprintfA writes at most 1024 bytes; the names are short.
    char line[1024];
    int length = wsprintfA(line, "%s 0x%04lx\r\n", name, static_cast<unsigned long>(flags ? *flags : 0));
    DWORD written;
    if (SetFilePointer(log, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(log, line, static_cast<DWORD>(length), &written, NULL);
    CloseHandle(log);
}

// Decimal, or hexadecimal after 0x or 0X; reading stops at the first character that is not a
// digit, and a number beyond 32 bits gives 0xFFFFFFFF.
static DWORD ParseFlags(const char *text)
{
    while (*text == ' ' || *text == '\t')
        text++;
    DWORD base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    DWORD value = 0;
    for (;; text++) {
        DWORD digit;
        if (*text >= '0' && *text <= '9')
            digit = static_cast<DWORD>(*text - '0');
        else if (base == 16 && *text >= 'a' && *text <= 'f')
            digit = static_cast<DWORD>(*text - 'a' + 10);
        else if (base == 16 && *text >= 'A' && *text <= 'F')
            digit = static_cast<DWORD>(*text - 'A' + 10);
        else
            return value;
        if (value > (0xFFFFFFFFu - digit) / base)
            return 0xFFFFFFFFu;
        value = value * base + digit;
    }
}

static DWORD SimulatedFlags(void)
{
    char text[64];
    DWORD n = GetEnvironmentVariableA("QTXWIN32_FLAGS", text, sizeof text);
    if (n == 0 || n >= sizeof text)
        return 0x0001;
    return ParseFlags(text);
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

// Nothing to set up or release when a process attaches or detaches.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

} // extern "C"
