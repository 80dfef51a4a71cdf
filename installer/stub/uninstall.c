/* uninstall.exe: what Add/Remove Programs and the Start Menu run. The NSIS uninstaller
   (uninstall.dat beside it) cannot remove its own file while it runs, and when it copies itself
   away to do so, the command returns before the work is done. This program runs a copy of it
   from a temporary folder with _?= (which keeps NSIS from copying again), waits for it and
   returns its exit code, so that the stored commands end only when everything is removed. It
   opens no handle to its own file, so the uninstaller can move it out of the folder while it
   waits (Windows NT allows renaming a running program; on Windows 95/98/ME it is removed at the
   next restart). Built without a C runtime, like the installer's plug-in. */
#include <windows.h>

static char self[MAX_PATH], temp[MAX_PATH], folder[MAX_PATH], copy[MAX_PATH + 16];
static char command[3 * MAX_PATH + 1100];
static STARTUPINFOA startup;

/* Command-line arguments after the program's name (quoted or not). */
static const char *Arguments(const char *line)
{
    BOOL quoted = FALSE;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); line = CharNextA(line))
        quoted ^= *line == '"';
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

static BOOL Silent(const char *arguments)
{
    for (; *arguments; arguments = CharNextA(arguments))
        if (arguments[0] == '/' && arguments[1] == 'S' && (arguments[2] == ' ' || arguments[2] == '\0'))
            return TRUE;
    return FALSE;
}

static UINT Fail(const char *arguments, const char *text)
{
    if (!Silent(arguments))
        MessageBoxA(NULL, text, "QTXILOAD uninstaller", MB_OK | MB_ICONSTOP);
    return 2;
}

static UINT Run(void)
{
    const char *arguments = Arguments(GetCommandLineA());
    char *last = NULL, *at;
    PROCESS_INFORMATION process;
    DWORD code = 2;
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (!length || length >= sizeof self)
        return Fail(arguments, "The uninstaller cannot find its own folder (its path may be too long). Nothing has been removed.");
    for (at = self; *at; at = CharNextA(at))
        if (*at == '\\')
            last = at;
    if (!last)
        return Fail(arguments, "The uninstaller cannot find its own folder. Nothing has been removed.");
    lstrcpynA(folder, self, (int)(last - self) + 1);
    if (!GetTempPathA(sizeof temp, temp) || !GetTempFileNameA(temp, "qtx", 0, copy) || !DeleteFileA(copy) ||
        !CreateDirectoryA(copy, NULL))
        return Fail(arguments, "The uninstaller cannot make a folder in the temporary folder. Nothing has been removed.");
    lstrcpyA(temp, copy);
    lstrcatA(copy, "\\uninstall.exe");
    lstrcpyA(command, folder);
    lstrcatA(command, "\\uninstall.dat");
    if (!CopyFileA(command, copy, FALSE)) {
        RemoveDirectoryA(temp);
        return Fail(arguments, "The uninstaller's own part, uninstall.dat, cannot be read from the program's folder. Nothing has been removed.");
    }
    if (lstrlenA(arguments) > 1000) { /* NSIS takes no more; dropping them could drop /S */
        DeleteFileA(copy);
        RemoveDirectoryA(temp);
        return Fail(arguments, "The uninstaller's command line is too long. Nothing has been removed.");
    }
    lstrcpyA(command, "\"");
    lstrcatA(command, copy);
    lstrcatA(command, "\" ");
    lstrcatA(command, arguments);
    lstrcatA(command, " _?=");
    lstrcatA(command, folder);
    startup.cb = sizeof startup;
    if (CreateProcessA(copy, command, NULL, NULL, FALSE, 0, NULL, temp, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        code = Fail(arguments, "The uninstaller's own part cannot be started. Nothing has been removed.");
    }
    DeleteFileA(copy);
    RemoveDirectoryA(temp);
    return code;
}

void UninstallEntry(void)
{
    ExitProcess(Run());
}
