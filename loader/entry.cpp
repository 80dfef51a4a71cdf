// Process entry of QTXILOAD.EXE in the MinGW-w64 build, which links no C runtime: it gives
// WinMain what a C runtime would and ends the process with WinMain's result as the exit code.
// The product has no static constructors or destructors, so there is nothing to run around it.
#include "common/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

// The command line after the program's name and the blanks that follow it.
static LPSTR CommandTail(void)
{
    LPSTR at = GetCommandLineA();
    BOOL quoted = FALSE;
    while (*at && (quoted || (*at != ' ' && *at != '\t'))) {
        if (*at == '"')
            quoted = !quoted;
        at = CharNextA(at);
    }
    while (*at == ' ' || *at == '\t')
        at++;
    return at;
}

static int ShowValue(void)
{
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

extern "C" void WinMainCRTStartup(void)
{
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, CommandTail(), ShowValue())));
}
