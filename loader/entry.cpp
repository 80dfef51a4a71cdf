// Process entry of QTXILOAD.EXE in the MinGW-w64 build, which links no C runtime: it gives
// WinMain what a C runtime would and ends the process with WinMain's result as the exit code.
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

// The product has no static constructors today; should one appear, it runs as GCC's own start-up
// would run it. The linker gathers them between a -1 and a zero; they run last to first. (A static
// destructor would need atexit, which is not here: such a link fails.)
extern "C" void (*__CTOR_LIST__[])(void);

static void RunStaticConstructors(void)
{
    void (**last)(void) = __CTOR_LIST__ + 1;
    while (*last)
        last++;
    while (--last > __CTOR_LIST__)
        (*last)();
}

extern "C" void WinMainCRTStartup(void)
{
    RunStaticConstructors();
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, CommandTail(), ShowValue())));
}
