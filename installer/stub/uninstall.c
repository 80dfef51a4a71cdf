/* uninstall.exe: what Add/Remove Programs and the Start Menu run. The NSIS uninstaller
   (uninstall.dat beside it) cannot remove its own file while it runs, and when it copies itself
   away to do so, the command returns before the work is done. This program runs a copy of it
   from a temporary folder with _?= (which keeps NSIS from copying again), waits for it and
   returns its exit code, so that the stored commands end only when everything is removed. It
   opens no handle to its own file, so the uninstaller can move it out of the folder while it
   waits (Windows NT allows renaming a running program; on Windows 95/98/ME it is removed at the
   next restart). The part it runs needs administrator rights: it is started with ShellExecuteEx,
   which asks for them as its manifest says (CreateProcess cannot). Built without a C runtime,
   like the installer's plug-in. */
#include <windows.h>
#include <shellapi.h>

/* NSIS keeps at most 1024 characters of its command line, the program's name included. */
#define NSIS_COMMAND_LINE 1024

static char self[MAX_PATH], base[MAX_PATH], temp[MAX_PATH], folder[MAX_PATH], copy[MAX_PATH + 16], logFile[MAX_PATH + 32];
static char command[3 * MAX_PATH + 1100], parameters[MAX_PATH + 1100];

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

/* A failure goes to the uninstaller's log too, where an administrator finds a silent run's. */
static UINT Fail(const char *arguments, const char *text)
{
    DWORD written;
    HANDLE file;
    if (!base[0] && !GetWindowsDirectoryA(base, sizeof base - 8))
        base[0] = '\0';
    if (base[0])
        wsprintfA(logFile, base[lstrlenA(base) - 1] == '\\' ? "%sQTXILOAD-uninstall.log" : "%s\\QTXILOAD-uninstall.log", base);
    file = !base[0] ? INVALID_HANDLE_VALUE : CreateFileA(logFile, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        SetFilePointer(file, 0, NULL, FILE_END);
        WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
        WriteFile(file, " (exit code 2)\r\n", 16, &written, NULL);
        CloseHandle(file);
    }
    if (!Silent(arguments))
        MessageBoxA(NULL, text, "QTXILOAD uninstaller", MB_OK | MB_ICONSTOP);
    return 2;
}

/* A temporary folder this ANSI program can name: %TEMP%, or where its name has characters the code
   page cannot spell (shown as "?", or mapped to look-alikes that name no folder), the Windows
   folder's TEMP. */
static BOOL TempFolder(char *path, DWORD capacity)
{
    BOOL lossy = FALSE;
    DWORD length = GetTempPathA(capacity, path);
    const char *at;
    for (at = path; length && length < capacity && *at; at = CharNextA(at))
        lossy |= *at == '?';
    if (length && length < capacity && !lossy && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return TRUE;
    length = GetWindowsDirectoryA(path, capacity - 8);
    if (!length || length >= capacity - 8)
        return path[0] = '\0', FALSE;
    lstrcatA(path, path[length - 1] == '\\' ? "TEMP\\" : "\\TEMP\\");
    CreateDirectoryA(path, NULL);
    return TRUE;
}

static UINT Run(void)
{
    const char *arguments = Arguments(GetCommandLineA());
    char *last = NULL, *at;
    SHELLEXECUTEINFOA run;
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
    if (TempFolder(base, sizeof base)) { /* where the part started can write too, and log */
        SetEnvironmentVariableA("TEMP", base);
        SetEnvironmentVariableA("TMP", base);
    }
    if (!base[0] || !GetTempFileNameA(base, "qtx", 0, copy) || !DeleteFileA(copy) ||
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
    /* what NSIS will see: "copy" arguments _?=folder; cut, it could lose /S */
    if (lstrlenA(copy) + lstrlenA(arguments) + lstrlenA(folder) + 8 >= NSIS_COMMAND_LINE) {
        DeleteFileA(copy);
        RemoveDirectoryA(temp);
        return Fail(arguments, "The uninstaller's command line is too long. Nothing has been removed.");
    }
    lstrcpyA(parameters, arguments);
    lstrcatA(parameters, *arguments ? " _?=" : "_?=");
    lstrcatA(parameters, folder);
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | (Silent(arguments) ? SEE_MASK_FLAG_NO_UI : 0);
    run.hwnd = NULL;
    run.lpVerb = NULL;
    run.lpFile = copy;
    run.lpParameters = parameters;
    run.lpDirectory = temp;
    run.nShow = SW_SHOWNORMAL;
    run.hProcess = NULL;
    if (ShellExecuteExA(&run) && run.hProcess) {
        WaitForSingleObject(run.hProcess, INFINITE);
        GetExitCodeProcess(run.hProcess, &code);
        CloseHandle(run.hProcess);
    } else {
        code = Fail(arguments, "The uninstaller's own part cannot be started (it needs administrator rights). Nothing has been removed.");
    }
    DeleteFileA(copy);
    RemoveDirectoryA(temp);
    return code;
}

void UninstallEntry(void)
{
    ExitProcess(Run());
}
