/* The installer's NSIS plug-in, for what the script cannot do safely by itself. Built without a C
   runtime, and importing only what Windows 95 and NT 4.0 both export: anything newer is looked up
   at run time, so that the plug-in loads everywhere the installer runs.
   - Options GRAMMAR: reads the command line exactly (as Windows passed it, wide where Windows keeps
     it wide); pushes each option's value, the /D= folder, then "" or the refusal in words.
   - OneInstance: "1" when no other setup or uninstall of the product runs, else "0".
   - CloseLoader: asks this session's loader to close, waits for its process to end; pushes its
     program file (read from the process) and "none", "closed", "hung", "ending" or "other".
   - FullPath PATH: the folder in full, long form, without doubled separators, "." or a trailing
     backslash; "" when it cannot be one.
   - Record: the files the recorded installation wrote, and its folder.
   - StartLoader PATH: starts the loader as the user's own process; "" or why not.
   - FolderText HWND: "" when the text of the folder page's edit box can be installed into
     exactly, else the reason.
   - Check PATH ACTION: whether ACTION may be done to the file, as a reason in words.
   - Has LIST NAME: "1" when the list of names ("|a|b|") holds NAME.
   - CheckAll, RemoveAll, CommitAll, DiscardAll, SizeAll, Remaining FOLDER LIST WORD: the same for
     each file of the folder that the list names (checks for removal, removes, gives each staged
     copy its file's name, removes the staged copies, adds up the sizes, lists those still there).
   - Grant WHAT OLD / Revoke WHAT (WHAT "key" or "ini"): the Users group's right to change the
     hint records, or zhqhw.ini; Grant pushes "mine" (to record), "" or the failure in words;
     Revoke "removed", "absent", "none" (Windows 95/98/ME) or the failure.
   - RemoveData FOLDER: removes the uninstaller's data, uninstall.dat; "" or what failed.
   - RemoveSelf FOLDER: removes uninstall.exe and the folder, or has them removed at the next
     restart; pushes what is left.
   - Log FILE LINE: adds the line to the file.
   - FreeImage HANDLE: deletes a GDI object (the pages' bitmaps). */
#include <stdarg.h>
#include <windows.h>
#include <tlhelp32.h>
#include <aclapi.h>

typedef struct StackEntry {
    struct StackEntry *next;
    char text[1];
} StackEntry;

#define PLUGIN(name) __declspec(dllexport) void name(HWND parent, int size, char *variables, StackEntry **top, void *extra)
#define UNUSED (void)parent, (void)variables, (void)extra
#define TEXT_MAX 1024 /* NSIS's string size */

static StackEntry **stack;
static int stringSize;

static void Begin(StackEntry **top, int size)
{
    stack = top;
    stringSize = size > TEXT_MAX ? TEXT_MAX : size;
}

static void Push(const char *text)
{
    StackEntry *entry;
    if (!stack || stringSize <= 0 || !(entry = (StackEntry *)GlobalAlloc(GPTR, sizeof(StackEntry) + (SIZE_T)stringSize)))
        return;
    lstrcpynA(entry->text, text, stringSize);
    entry->next = *stack;
    *stack = entry;
}

static void Pop(char *text, int capacity)
{
    StackEntry *entry;
    text[0] = '\0';
    if (!stack || !(entry = *stack))
        return;
    lstrcpynA(text, entry->text, capacity);
    *stack = entry->next;
    GlobalFree(entry);
}

/* Begin, then pops `count` texts, each into the buffer and capacity that follow. */
static void Take(StackEntry **top, int size, int count, ...)
{
    va_list buffers;
    Begin(top, size);
    va_start(buffers, count);
    while (count-- > 0) {
        char *text = va_arg(buffers, char *);
        Pop(text, va_arg(buffers, int));
    }
    va_end(buffers);
}

/* The decimal number a text begins with (a handle, a wait in milliseconds). */
static UINT_PTR Number(const char *text)
{
    UINT_PTR number = 0;
    for (; *text >= '0' && *text <= '9'; text++)
        number = number * 10 + (UINT_PTR)(*text - '0');
    return number;
}

/* A function by name, as a generic function pointer (cast from it to the real type). */
typedef void (*Function)(void);
static Function Find(const char *dll, const char *name)
{
    HMODULE module = GetModuleHandleA(dll);
    if (!module)
        module = LoadLibraryA(dll);
    return module ? (Function)(void *)GetProcAddress(module, name) : NULL;
}

static BOOL IsNt(void)
{
    return GetVersion() < 0x80000000u;
}

/* ---- the command line ---- */

typedef LPWSTR(WINAPI *CommandLineW)(void);
static WCHAR wideLine[4096];

static const WCHAR *WideCommandLine(void)
{
    CommandLineW get = (CommandLineW)Find("kernel32.dll", "GetCommandLineW");
    const WCHAR *line = get && IsNt() ? get() : NULL;
    if (line && *line)
        return line;
    if (!MultiByteToWideChar(CP_ACP, 0, GetCommandLineA(), -1, wideLine, sizeof wideLine / sizeof wideLine[0]))
        wideLine[0] = 0;
    return wideLine;
}

static const WCHAR *SkipSpaces(const WCHAR *at)
{
    while (*at == ' ' || *at == '\t')
        at++;
    return at;
}

/* The token at `at` (up to a space) is exactly `name` (ASCII). */
static BOOL TokenIs(const WCHAR *at, int length, const char *name, int nameLength)
{
    int i;
    if (length != nameLength)
        return FALSE;
    for (i = 0; i < length; i++)
        if (at[i] != (WCHAR)(unsigned char)name[i])
            return FALSE;
    return TRUE;
}

/* The ANSI form of text, when it says exactly the same: characters the code page cannot spell are
   replaced (by "?" or a look-alike), so a round trip shows them. */
static BOOL ExactAnsi(const WCHAR *text, int length, char *ansi, int capacity)
{
    static WCHAR back[TEXT_MAX];
    int n = length ? WideCharToMultiByte(CP_ACP, 0, text, length, ansi, capacity - 1, NULL, NULL) : 0;
    int m;
    ansi[n > 0 ? n : 0] = '\0';
    if (length && n <= 0)
        return FALSE;
    m = MultiByteToWideChar(CP_ACP, 0, ansi, n, back, TEXT_MAX);
    if (m != length)
        return FALSE;
    for (m = 0; m < length; m++)
        if (back[m] != text[m])
            return FALSE;
    return TRUE;
}

#define MAX_OPTIONS 8
typedef struct Option {
    char on[32], off[32]; /* "/X" and its opposite ("" when it has none) */
    char value[2];        /* "1", "0" or "" when not given */
} Option;

static void Known(const Option *options, int count, const char *folderOption, char *out)
{
    int i;
    lstrcpyA(out, "/S");
    for (i = 0; i < count; i++) {
        lstrcatA(out, ", ");
        lstrcatA(out, options[i].on);
        if (options[i].off[0]) {
            lstrcatA(out, ", ");
            lstrcatA(out, options[i].off);
        }
    }
    if (lstrcmpA(folderOption, "/D=") == 0)
        lstrcatA(out, " and, last, /D=folder without quotes");
}

/* GRAMMAR: words separated by spaces; "/D=" allows a folder last, "_?=" the uninstaller's own folder
   last (NSIS's), "X|NOX" a pair that excludes each other, "X" an option alone. */
PLUGIN(Options)
{
    static char grammar[TEXT_MAX], folder[TEXT_MAX], reason[2 * TEXT_MAX], known[TEXT_MAX], token[64];
    Option options[MAX_OPTIONS];
    int count = 0, i;
    char folderOption[4] = "";
    const char *s;
    const WCHAR *at;
    UNUSED;
    Take(top, size, 1, grammar, (int)sizeof grammar);
    for (s = grammar; *s;) {
        char *word = options[count].on, *into = word, *start = word;
        while (*s == ' ')
            s++;
        if (!*s)
            break;
        options[count].off[0] = options[count].value[0] = options[count].value[1] = '\0';
        *into++ = '/';
        for (; *s && *s != ' '; s++) {
            if (*s == '|') {
                *into = '\0';
                into = start = options[count].off;
                *into++ = '/';
            } else if (into - start < 30) {
                *into++ = *s;
            }
        }
        *into = '\0';
        if (lstrcmpA(word, "//D=") == 0 || lstrcmpA(word, "/_?=") == 0)
            lstrcpynA(folderOption, word + 1, sizeof folderOption);
        else if (count < MAX_OPTIONS - 1)
            count++;
    }
    Known(options, count, folderOption, known);
    folder[0] = reason[0] = '\0';

    at = WideCommandLine();
    if (*at == '"') { /* the program's name */
        for (at++; *at && *at != '"'; at++)
            ;
        if (*at)
            at++;
    } else {
        while (*at && *at != ' ' && *at != '\t')
            at++;
    }
    for (at = SkipSpaces(at); *at && !reason[0]; at = SkipSpaces(at)) {
        const WCHAR *end = at;
        int length;
        BOOL matched = FALSE;
        while (*end && *end != ' ' && *end != '\t')
            end++;
        length = (int)(end - at);
        if (folderOption[0] && length >= 3 && TokenIs(at, 3, folderOption, 3)) {
            const WCHAR *last = at;
            while (*last)
                last++;
            while (last > at + 3 && (last[-1] == ' ' || last[-1] == '\t'))
                last--;
            if (at[3] == '"')
                wsprintfA(reason, "The folder after %s must be given without quotes, even when its name has spaces: everything after %s to the end of the command line is the folder, as in %sC:\\Program Files\\Halvane D3D", folderOption, folderOption, folderOption);
            else if (!ExactAnsi(at + 3, (int)(last - at - 3), folder, sizeof folder))
                wsprintfA(reason, "The folder given with %s has characters that this system's code page cannot spell (here as %s), so nothing could be installed into it exactly. Choose a folder whose name uses only the characters of the system's language.", folderOption, folder);
            break;
        }
        if (TokenIs(at, length, "/S", 2) || TokenIs(at, length, "/NCRC", 5))
            matched = TRUE;
        for (i = 0; i < count && !matched; i++) {
            char value = TokenIs(at, length, options[i].on, lstrlenA(options[i].on)) ? '1'
                       : options[i].off[0] && TokenIs(at, length, options[i].off, lstrlenA(options[i].off)) ? '0' : 0;
            if (!value)
                continue;
            matched = TRUE;
            if (options[i].value[0] && options[i].value[0] != value)
                wsprintfA(reason, "The options %s and %s contradict each other: give one of them.", options[i].on, options[i].off);
            options[i].value[0] = value;
        }
        if (!matched && !reason[0]) {
            ExactAnsi(at, length > 40 ? 40 : length, token, sizeof token);
            wsprintfA(reason, "The option %s is not one this program knows. It knows %s, written exactly so (in capitals), each separated by a space.", token, known);
        }
        at = end;
    }
    Push(folder);
    for (i = count - 1; i >= 0; i--)
        Push(options[i].value);
    Push(reason);
}

/* ---- one setup at a time ---- */

PLUGIN(OneInstance)
{
    HANDLE mutex;
    DWORD error;
    UNUSED;
    Begin(top, size);
    /* A name in the global namespace where terminal services keep sessions apart; Windows NT 4.0
       and 95 do not know the prefix. Left open: it goes when the process ends. */
    mutex = CreateMutexA(NULL, FALSE, "Global\\QTXILOAD setup");
    error = GetLastError();
    if (!mutex && error != ERROR_ACCESS_DENIED) {
        mutex = CreateMutexA(NULL, FALSE, "QTXILOAD setup");
        error = GetLastError();
    }
    Push(mutex && error != ERROR_ALREADY_EXISTS ? "1" : "0");
}

/* ---- the running loader ---- */

typedef BOOL(WINAPI *QueryImageName)(HANDLE, DWORD, LPSTR, PDWORD);
typedef DWORD(WINAPI *ModuleFileNameEx)(HANDLE, HMODULE, LPSTR, DWORD);
typedef HANDLE(WINAPI *Snapshot)(DWORD, DWORD);
typedef BOOL(WINAPI *WalkProcess)(HANDLE, LPPROCESSENTRY32);

/* The program file of process pid: Vista's call, else the process status library of NT, else the
   process list of Windows 95/98/ME, which holds full paths there. */
static void ProcessPath(DWORD pid, HANDLE process, char *path, DWORD capacity)
{
    QueryImageName query = (QueryImageName)Find("kernel32.dll", "QueryFullProcessImageNameA");
    ModuleFileNameEx moduleName;
    Snapshot snapshot;
    DWORD length = capacity;
    path[0] = '\0';
    if (process && query && query(process, 0, path, &length))
        return;
    moduleName = IsNt() ? (ModuleFileNameEx)Find("psapi.dll", "GetModuleFileNameExA") : NULL;
    if (process && moduleName && moduleName(process, NULL, path, capacity))
        return;
    path[0] = '\0';
    snapshot = (Snapshot)Find("kernel32.dll", "CreateToolhelp32Snapshot");
    if (snapshot && !IsNt()) {
        WalkProcess first = (WalkProcess)Find("kernel32.dll", "Process32First");
        WalkProcess next = (WalkProcess)Find("kernel32.dll", "Process32Next");
        HANDLE list = snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        BOOL more;
        if (list == INVALID_HANDLE_VALUE || !first || !next)
            return;
        entry.dwSize = sizeof entry;
        for (more = first(list, &entry); more; more = next(list, &entry))
            if (entry.th32ProcessID == pid)
                lstrcpynA(path, entry.szExeFile, (int)capacity);
        CloseHandle(list);
    }
}

/* Pops the wait in milliseconds, and the program file of the one loader to close ("": any).
   Closes the loader as its menu's Close does (command 40002), so
   that it restores the display and records the HAL off; then waits for its process to end, since
   a loader whose window is gone may still hold its file while it answers a message of its own. */
PLUGIN(CloseLoader)
{
    static char path[MAX_PATH + 1], text[32], only[TEXT_MAX];
    HWND window = FindWindowA("QTXILoadWClass", "Halvane interceptor loader");
    DWORD pid = 0, waited = 0, limit;
    DWORD_PTR result;
    HANDLE process;
    const char *status;
    UNUSED;
    Take(top, size, 2, text, (int)sizeof text, only, (int)sizeof only);
    limit = (DWORD)Number(text);
    path[0] = '\0';
    if (!window) {
        Push(path);
        Push("none");
        return;
    }
    GetWindowThreadProcessId(window, &pid);
    process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        process = OpenProcess(SYNCHRONIZE | 0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, pid);
    if (!process)
        process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ProcessPath(pid, process, path, sizeof path - 1);
    if (only[0] && lstrcmpiA(only, path) != 0) { /* another installation's */
        if (process)
            CloseHandle(process);
        Push(path);
        Push("other");
        return;
    }
    SendMessageTimeoutA(window, WM_COMMAND, 40002, 0, SMTO_ABORTIFHUNG, 2000, &result);
    for (;;) {
        BOOL open = IsWindow(window);
        BOOL running = process ? WaitForSingleObject(process, 0) == WAIT_TIMEOUT : open;
        if (!open && !running) {
            status = "closed";
            break;
        }
        if (waited >= limit) {
            status = open ? "hung" : "ending";
            break;
        }
        Sleep(100);
        waited += 100;
    }
    if (process)
        CloseHandle(process);
    Push(path);
    Push(status);
}

/* ---- folders and files ---- */

static BOOL IsSeparator(const char *at)
{
    return *at == '\\' || *at == '/';
}

/* Copies `from` without doubled separators (keeping the two that begin a network path). */
static void CollapseSeparators(const char *from, char *to, int capacity)
{
    char *out = to, *limit = to + capacity - 2;
    if (IsSeparator(from) && IsSeparator(from + 1)) {
        *out++ = '\\';
        *out++ = '\\';
        from += 2;
    }
    while (*from && out < limit) {
        const char *next = CharNextA(from);
        if (IsSeparator(from)) {
            if (out == to || out[-1] != '\\')
                *out++ = '\\';
        } else {
            while (from < next && out < limit)
                *out++ = *from++;
            continue;
        }
        from = next;
    }
    *out = '\0';
}

/* The first character after the root ("C:\", "\\server\share\"). */
static char *AfterRoot(char *path)
{
    char *at = path;
    int separators = 0;
    if (at[0] && at[1] == ':')
        return at[2] == '\\' ? at + 3 : at + 2;
    if (at[0] == '\\' && at[1] == '\\') {
        for (at += 2; *at; at = CharNextA(at))
            if (*at == '\\' && ++separators == 2)
                return at + 1;
        return at;
    }
    return path;
}

/* The folder `given` in full, long form into `longer` (TEXT_MAX); FALSE when it cannot be one. */
static BOOL Normalise(const char *given, char *longer)
{
    static char collapsed[TEXT_MAX], full[TEXT_MAX];
    char *name = NULL, *at, *out, *last;
    const char *in;
    DWORD length;
    longer[0] = '\0';
    for (in = given; *in; in = CharNextA(in))
        if (*in == '*' || *in == '?' || *in == '"' || *in == '<' || *in == '>' || *in == '|')
            return FALSE;
    CollapseSeparators(given, collapsed, sizeof collapsed);
    if (!(collapsed[0] && collapsed[1] == ':' && collapsed[2] == '\\') && !(collapsed[0] == '\\' && collapsed[1] == '\\')) {
        return FALSE; /* not a full path: it would be taken relative to wherever this runs */
    }
    length = GetFullPathNameA(collapsed, sizeof full, full, &name);
    if (!length || length >= sizeof full || !((full[1] == ':' && full[2] == '\\') || (full[0] == '\\' && full[1] == '\\')))
        return FALSE;
    if (full[1] == ':' && full[0] >= 'a' && full[0] <= 'z')
        full[0] = (char)(full[0] - 'a' + 'A');
    /* each existing part by its long name, as Windows spells it */
    at = AfterRoot(full);
    lstrcpynA(longer, full, (int)(at - full) + 1);
    out = longer + (at - full);
    while (*at) {
        char *end = at;
        WIN32_FIND_DATAA found;
        HANDLE find;
        while (*end && *end != '\\')
            end = CharNextA(end);
        if (end == at) { /* a trailing separator */
            at++;
            continue;
        }
        if ((out - longer) + (end - at) + 2 >= TEXT_MAX)
            return longer[0] = '\0', FALSE;
        lstrcpynA(out, at, (int)(end - at) + 1);
        find = FindFirstFileA(longer, &found);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            if ((out - longer) + lstrlenA(found.cFileName) + 2 < TEXT_MAX)
                lstrcpyA(out, found.cFileName);
        }
        out += lstrlenA(out);
        at = *end ? end + 1 : end;
        if (*at) {
            *out++ = '\\';
            *out = '\0';
        }
    }
    last = CharPrevA(longer, out);
    if (out > AfterRoot(longer) && *last == '\\')
        *last = '\0';
    return TRUE;
}

PLUGIN(FullPath)
{
    static char given[TEXT_MAX], longer[TEXT_MAX];
    UNUSED;
    Take(top, size, 1, given, (int)sizeof given);
    Push(Normalise(given, longer) ? longer : "");
}

/* Pushes the files the installation recorded in the Add/Remove Programs entry wrote ("|a|b|"),
   then the folder it names (full and long; "" when there is none). An earlier release recorded no
   list: it wrote its fixed set, and the stand-in only where it said so. */
PLUGIN(Record)
{
    static char location[TEXT_MAX], named[TEXT_MAX], files[TEXT_MAX], text[TEXT_MAX];
    HKEY key;
    DWORD type, length, installed = 0;
    UNUSED;
    Begin(top, size);
    location[0] = files[0] = '\0';
    if (!RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QTXILOAD", 0, KEY_READ, &key)) {
        length = sizeof named - 1;
        if (!RegQueryValueExA(key, "InstallLocation", NULL, &type, (BYTE *)named, &length) && type == REG_SZ) {
            named[length] = '\0';
            Normalise(named, location);
        }
        length = sizeof files - 1;
        if (!location[0]) {
            files[0] = '\0';
        } else if (!RegQueryValueExA(key, "Files", NULL, &type, (BYTE *)files, &length) && type == REG_SZ) {
            files[length] = '\0';
        } else {
            lstrcpyA(files, "|QTXILOAD.EXE|README.TXT|qtxhelp.hlp|qtxhelp.cnt|qtxhelp.html|uninstall.exe|uninstall.dat|qtxhelp.gid|qtxhelp.fts|qtxhelp.ftg|");
            length = sizeof installed;
            RegQueryValueExA(key, "SimulatorInstalled", NULL, &type, (BYTE *)&installed, &length);
            length = sizeof text - 1;
            if (installed == 1 || (!RegQueryValueExA(key, "SimulatorFile", NULL, &type, (BYTE *)text, &length) && length > 1))
                lstrcatA(files, "QTXWIN32.DLL|");
        }
        RegCloseKey(key);
    }
    Push(files);
    Push(location);
}

/* Pops a program file and starts it, in its own folder (so that it holds neither the setup's
   folder nor a temporary one), as the logged-on user's own process. From Windows Vista on the
   setup runs elevated and a child would inherit that: the desktop shell is asked to start it
   (the explorer.exe started here hands the path to the running shell). Before Vista there is no
   elevation, and explorer.exe of those systems does not start programs given to it. Pushes ""
   when started, else why not. */
PLUGIN(StartLoader)
{
    static char path[TEXT_MAX], folder[TEXT_MAX], command[2 * TEXT_MAX + MAX_PATH], windows[MAX_PATH];
    static STARTUPINFOA startup;
    static OSVERSIONINFOA version;
    PROCESS_INFORMATION process;
    char *name = NULL;
    UNUSED;
    Take(top, size, 1, path, (int)sizeof path);
    if (!GetFullPathNameA(path, sizeof folder, folder, &name) || !name) {
        Push("its folder cannot be found");
        return;
    }
    *name = '\0';
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6) {
        if (!FindWindowA("Shell_TrayWnd", NULL)) {
            Push("no desktop shell runs to start it with your own rights");
            return;
        }
        GetWindowsDirectoryA(windows, sizeof windows);
        wsprintfA(command, "\"%s\\explorer.exe\" \"%s\"", windows, path);
    } else {
        wsprintfA(command, "\"%s\"", path);
    }
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) {
        Push("Windows could not start it");
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Push("");
}



typedef int(WINAPI *WindowTextW)(HWND, LPWSTR, int);

PLUGIN(FolderText)
{
    static char text[TEXT_MAX], number[16], reason[2 * TEXT_MAX], spelled[2 * TEXT_MAX];
    static WCHAR wide[TEXT_MAX];
    WindowTextW getWide = IsNt() ? (WindowTextW)Find("user32.dll", "GetWindowTextW") : NULL;
    const char *at;
    UINT_PTR handle;
    int length;
    UNUSED;
    Take(top, size, 1, number, (int)sizeof number);
    handle = Number(number);
    text[0] = reason[0] = '\0';
    GetWindowTextA((HWND)handle, text, sizeof text);
    /* A folder chosen with Browse can hold characters the code page cannot spell; its ANSI text
       then has "?" or a look-alike (L for a Polish L with stroke), and NSIS would install into
       that other folder without a word. */
    length = getWide ? getWide((HWND)handle, wide, TEXT_MAX) : 0;
    if (length > 0 && !ExactAnsi(wide, length, spelled, (int)sizeof spelled))
        wsprintfA(reason, "The folder chosen has characters that this system's code page cannot spell (here as %s), so nothing could be installed into it exactly. Choose a folder whose name uses only the characters of the system's language.", spelled);
    /* NSIS drops such characters without a word, and "?" is what a character the code page cannot
       spell becomes in an ANSI program. */
    for (at = reason[0] ? "" : text; *at; at = CharNextA(at))
        if (*at == '?' || *at == '*' || *at == '"' || *at == '<' || *at == '>' || *at == '|' || (unsigned char)*at < ' ') {
            wsprintfA(reason, "The folder %s cannot be installed into: its name has a character that Windows does not allow in names (\" * < > | and control characters), or one that this system's code page cannot spell, shown as ?. Choose a folder whose name uses only the characters of the system's language.", text);
            break;
        }
    Push(text);
    Push(reason);
}

static const char *FileState(const char *path)
{
    DWORD attributes = GetFileAttributesA(path), error;
    HANDLE file;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "missing" : "denied";
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "folder";
    /* no sharing: any other program holding it open (a running loader, a viewer) keeps it */
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return "free";
    }
    error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? (attributes & FILE_ATTRIBUTE_READONLY ? "read-only" : "denied") : "in use";
}

/* Pops a path and what is about to be done to its file: "write" (it must not be there: a file
   this installer did not write is never replaced), "replace" or "remove" (one of ours: it must be
   free). Pushes the state, then "" or the reason, as a line to add to a list. */
PLUGIN(Check)
{
    static char path[TEXT_MAX], action[16], reason[TEXT_MAX + 128];
    const char *state;
    UNUSED;
    Take(top, size, 2, path, (int)sizeof path, action, (int)sizeof action);
    state = FileState(path);
    reason[0] = '\0';
    if (lstrcmpA(state, "missing") == 0 || (lstrcmpA(state, "free") == 0 && lstrcmpA(action, "write") != 0))
        ;
    else if (lstrcmpA(action, "write") == 0)
        wsprintfA(reason, "\r\n%s is already there and was not put there by this installer; it is left alone. Choose another folder.", path);
    else if (lstrcmpA(state, "in use") == 0)
        wsprintfA(reason, "\r\n%s is in use.", path);
    else if (lstrcmpA(state, "denied") == 0)
        wsprintfA(reason, "\r\n%s cannot be changed: administrator rights are needed.", path);
    else if (lstrcmpA(state, "read-only") == 0)
        wsprintfA(reason, "\r\n%s is read-only.", path);
    else
        wsprintfA(reason, "\r\n%s is a folder, where a file of this name belongs.", path);
    Push(state);
    Push(reason);
}

/* The names of a list ("|a|b|"), one after the other: `at` walks it. Returns FALSE at its end. */
static BOOL NextName(const char **at, char *name, int capacity)
{
    const char *start;
    while (**at == '|')
        (*at)++;
    if (!**at)
        return FALSE;
    for (start = *at; **at && **at != '|'; *at = CharNextA(*at))
        ;
    lstrcpynA(name, start, (int)(*at - start) + 1 < capacity ? (int)(*at - start) + 1 : capacity);
    return TRUE;
}

static BOOL ListHas(const char *list, const char *name)
{
    static char item[MAX_PATH];
    while (NextName(&list, item, sizeof item))
        if (lstrcmpiA(item, name) == 0)
            return TRUE;
    return FALSE;
}

/* Pops a list and a name: "1" when the list holds the name (in any case), else "0". */
PLUGIN(Has)
{
    static char list[TEXT_MAX], name[TEXT_MAX];
    UNUSED;
    Take(top, size, 2, list, (int)sizeof list, name, (int)sizeof name);
    Push(ListHas(list, name) ? "1" : "0");
}

/* The files of a folder that a list names, one by one, with what is done to them. Each pops the
   folder, the list and a third word (a list of names to leave out, or the suffix of the staged
   copies), and pushes what failed, as lines to add to a list of problems. */
typedef void (*FileWork)(const char *path, const char *name, const char *word, char *problems);
static void ForEachFile(StackEntry **top, int size, FileWork work)
{
    static char folder[TEXT_MAX], list[TEXT_MAX], word[TEXT_MAX], name[MAX_PATH], path[TEXT_MAX + MAX_PATH], problems[4 * TEXT_MAX];
    const char *at = list;
    Take(top, size, 3, folder, (int)sizeof folder, list, (int)sizeof list, word, (int)sizeof word);
    problems[0] = '\0';
    while (NextName(&at, name, sizeof name)) {
        wsprintfA(path, "%s\\%s", folder, name);
        if (lstrlenA(problems) < 3 * TEXT_MAX)
            work(path, name, word, problems);
    }
    Push(problems);
}

/* Adds a line to the problems: the path, then what happened to it. */
static void AddProblem(char *problems, const char *path, const char *what)
{
    lstrcatA(problems, "\r\n");
    lstrcatA(problems, path);
    lstrcatA(problems, what);
}

/* Checks that a file may be removed (skipping the names in word). */
static BOOL inUse;
static void CheckRemoval(const char *path, const char *name, const char *word, char *problems)
{
    const char *state = FileState(path);
    if (ListHas(word, name) || lstrcmpA(state, "missing") == 0 || lstrcmpA(state, "free") == 0)
        return;
    inUse |= lstrcmpA(state, "in use") == 0;
    AddProblem(problems, path, lstrcmpA(state, "in use") == 0 ? " is in use." : lstrcmpA(state, "denied") == 0 ? " cannot be removed: administrator rights are needed." :
                       lstrcmpA(state, "read-only") == 0 ? " is read-only." : " is a folder, where a file of this name belongs.");
}

static void Remove(const char *path, const char *name, const char *word, char *problems)
{
    if (ListHas(word, name) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || DeleteFileA(path))
        return;
    AddProblem(problems, path, " could not be removed.");
}

/* The staged copy (name + suffix) takes the file's name. */
static void Commit(const char *path, const char *name, const char *word, char *problems)
{
    static char staged[TEXT_MAX + MAX_PATH + 16];
    (void)name;
    wsprintfA(staged, "%s%s", path, word);
    if (GetFileAttributesA(staged) == INVALID_FILE_ATTRIBUTES)
        return;
    DeleteFileA(path);
    if (MoveFileA(staged, path))
        return;
    AddProblem(problems, path, " could not be replaced by its new copy, ");
    lstrcatA(problems, staged);
    lstrcatA(problems, ".");
}

/* A staged copy left unfinished goes; one that cannot is told. A folder of that name, which
   stopped the write, is not one (GetFileAttributes fails on some files that exist, so only a
   delete that finds nothing counts as gone). */
static void Discard(const char *path, const char *name, const char *word, char *problems)
{
    static char staged[TEXT_MAX + MAX_PATH + 16];
    DWORD attributes, error;
    (void)name;
    wsprintfA(staged, "%s%s", path, word);
    attributes = GetFileAttributesA(staged);
    if ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) || DeleteFileA(staged) ||
        (error = GetLastError()) == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return;
    AddProblem(problems, staged, " could not be removed.");
}

static DWORD totalSize;
static void AddSize(const char *path, const char *name, const char *word, char *problems)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    (void)name, (void)word, (void)problems;
    if (find != INVALID_HANDLE_VALUE) {
        totalSize += found.nFileSizeLow;
        FindClose(find);
    }
}

/* A file still there, as a name of a list; word names those kept in the list even when absent. */
static void AddPresent(const char *path, const char *name, const char *word, char *problems)
{
    if (!ListHas(word, name) && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    lstrcatA(problems, "|");
    lstrcatA(problems, name);
}

/* CheckAll pushes "1" when a file is in use, else "0", under its reasons. */
PLUGIN(CheckAll)
{
    static char reasons[TEXT_MAX];
    UNUSED;
    inUse = FALSE;
    ForEachFile(top, size, CheckRemoval);
    Pop(reasons, sizeof reasons);
    Push(inUse ? "1" : "0");
    Push(reasons);
}

PLUGIN(RemoveAll)
{
    UNUSED;
    ForEachFile(top, size, Remove);
}

PLUGIN(CommitAll)
{
    UNUSED;
    ForEachFile(top, size, Commit);
}

PLUGIN(DiscardAll)
{
    UNUSED;
    ForEachFile(top, size, Discard);
}

/* Pushes the size of the files in KiB. */
PLUGIN(SizeAll)
{
    static char text[16];
    UNUSED;
    totalSize = 0;
    ForEachFile(top, size, AddSize);
    Pop(text, sizeof text);
    wsprintfA(text, "%lu", totalSize / 1024);
    Push(text);
}

/* Pushes the list ("|a|b|") of the files still there, for the record of what is left to remove. */
PLUGIN(Remaining)
{
    static char list[4 * TEXT_MAX + 2];
    UNUSED;
    ForEachFile(top, size, AddPresent);
    Pop(list, sizeof list - 1);
    lstrcatA(list, "|");
    Push(list);
}

/* ---- rights for the machine's users (Windows NT family) ---- */

typedef BOOL(WINAPI *AllocateSid)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID *);
typedef PVOID(WINAPI *FreeSidCall)(PSID);
typedef BOOL(WINAPI *EqualSidCall)(PSID, PSID);
typedef DWORD(WINAPI *SidLength)(PSID);
typedef DWORD(WINAPI *GetSecurity)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *, PSID *, PACL *, PACL *, PSECURITY_DESCRIPTOR *);
typedef DWORD(WINAPI *SetSecurity)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
typedef BOOL(WINAPI *InitAcl)(PACL, DWORD, DWORD);
typedef BOOL(WINAPI *GetAceCall)(PACL, DWORD, LPVOID *);
typedef BOOL(WINAPI *AddAceCall)(PACL, DWORD, DWORD, LPVOID, DWORD);
typedef BOOL(WINAPI *AddAllowed)(PACL, DWORD, DWORD, PSID);
typedef BOOL(WINAPI *DescriptorControl)(PSECURITY_DESCRIPTOR, PSECURITY_DESCRIPTOR_CONTROL, LPDWORD);

static struct Security {
    AllocateSid allocateSid;
    FreeSidCall freeSid;
    EqualSidCall equalSid;
    SidLength sidLength;
    GetSecurity getSecurity;
    SetSecurity setSecurity;
    InitAcl initAcl;
    GetAceCall getAce;
    AddAceCall addAce;
    AddAllowed addAllowed;
    DescriptorControl control;
} api;

static BOOL LoadSecurity(void)
{
    if (!IsNt())
        return FALSE;
    api.allocateSid = (AllocateSid)Find("advapi32.dll", "AllocateAndInitializeSid");
    api.freeSid = (FreeSidCall)Find("advapi32.dll", "FreeSid");
    api.equalSid = (EqualSidCall)Find("advapi32.dll", "EqualSid");
    api.sidLength = (SidLength)Find("advapi32.dll", "GetLengthSid");
    api.getSecurity = (GetSecurity)Find("advapi32.dll", "GetSecurityInfo");
    api.setSecurity = (SetSecurity)Find("advapi32.dll", "SetSecurityInfo");
    api.initAcl = (InitAcl)Find("advapi32.dll", "InitializeAcl");
    api.getAce = (GetAceCall)Find("advapi32.dll", "GetAce");
    api.addAce = (AddAceCall)Find("advapi32.dll", "AddAce");
    api.addAllowed = (AddAllowed)Find("advapi32.dll", "AddAccessAllowedAce");
    api.control = (DescriptorControl)Find("advapi32.dll", "GetSecurityDescriptorControl");
    return api.allocateSid && api.freeSid && api.equalSid && api.sidLength && api.getSecurity && api.setSecurity &&
           api.initAcl && api.getAce && api.addAce && api.addAllowed && api.control;
}

/* What a grant is: the object, its kind, and the one entry added for the Users group. */
typedef struct GrantTarget {
    HANDLE object;
    HKEY key;
    SE_OBJECT_TYPE type;
    DWORD mask;
    BYTE flags;
} GrantTarget;

/* Create, change and delete the records under the product key (and the key's own values); the
   records below inherit it. The profile: read and write. */
static BOOL OpenGrant(const char *what, GrantTarget *grant)
{
    static char ini[MAX_PATH + 16];
    grant->object = INVALID_HANDLE_VALUE;
    grant->key = NULL;
    if (lstrcmpA(what, "key") == 0) {
        grant->type = SE_REGISTRY_KEY;
        grant->mask = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;
        grant->flags = CONTAINER_INHERIT_ACE;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell\\Halvane", 0, READ_CONTROL | WRITE_DAC, &grant->key))
            return FALSE;
        grant->object = (HANDLE)grant->key;
        return TRUE;
    }
    grant->type = SE_FILE_OBJECT;
    grant->mask = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
    grant->flags = 0;
    if (!GetWindowsDirectoryA(ini, MAX_PATH))
        return FALSE;
    lstrcatA(ini, ini[lstrlenA(ini) - 1] == '\\' ? "zhqhw.ini" : "\\zhqhw.ini");
    grant->object = CreateFileA(ini, READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return grant->object != INVALID_HANDLE_VALUE;
}

static void CloseGrant(GrantTarget *grant)
{
    if (grant->key)
        RegCloseKey(grant->key);
    else if (grant->object != INVALID_HANDLE_VALUE)
        CloseHandle(grant->object);
}

/* The position of the entry this installer adds (explicit, allowing exactly its rights to the
   Users group, with its inheritance), or -1. */
static int FindGrant(PACL dacl, PSID users, const GrantTarget *grant)
{
    DWORD i;
    for (i = 0; dacl && i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace;
        if (!api.getAce(dacl, i, (LPVOID *)&ace))
            continue;
        if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && ace->Header.AceFlags == grant->flags && ace->Mask == grant->mask &&
            api.equalSid((PSID)&ace->SidStart, users))
            return (int)i;
    }
    return -1;
}

/* A copy of dacl without entry `skip` (-1: none), with the grant's entry after the explicit
   entries when `add`: explicit entries stay ahead of inherited ones, as Windows orders them. */
static PACL Rebuilt(PACL dacl, PSID users, const GrantTarget *grant, int skip, BOOL add)
{
    DWORD room = (dacl ? dacl->AclSize : sizeof(ACL)) + sizeof(ACCESS_ALLOWED_ACE) + api.sidLength(users);
    PACL copy = (PACL)GlobalAlloc(GPTR, room);
    DWORD i, count = dacl ? dacl->AceCount : 0;
    BOOL added = !add;
    if (!copy || !api.initAcl(copy, room, ACL_REVISION))
        return copy ? (PACL)GlobalFree(copy) : NULL;
    for (i = 0; i <= count; i++) {
        ACE_HEADER *ace = NULL;
        if (i < count && !api.getAce(dacl, i, (LPVOID *)&ace))
            continue;
        if (!added && (i == count || (ace->AceFlags & INHERITED_ACE))) {
            ACE_HEADER *mine;
            if (!api.addAllowed(copy, ACL_REVISION, grant->mask, users) || !api.getAce(copy, copy->AceCount - 1, (LPVOID *)&mine))
                return (PACL)GlobalFree(copy);
            mine->AceFlags = grant->flags;
            added = TRUE;
        }
        if (i < count && (int)i != skip && !api.addAce(copy, ACL_REVISION, MAXDWORD, ace, ace->AceSize))
            return (PACL)GlobalFree(copy);
    }
    return copy;
}

static void ChangeGrant(BOOL add)
{
    static char what[16], result[256];
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID users = NULL;
    PACL dacl = NULL, copy;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    GrantTarget grant;
    int at;
    DWORD error;
    Pop(what, sizeof what);
    if (!LoadSecurity()) {
        Push("none");
        return;
    }
    if (!OpenGrant(what, &grant)) {
        wsprintfA(result, "could not be opened to change its permissions (error %lu)", GetLastError());
        Push(result);
        return;
    }
    error = api.getSecurity(grant.object, grant.type, DACL_SECURITY_INFORMATION, NULL, NULL, &dacl, NULL, &descriptor);
    if (!error && !api.allocateSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users))
        error = GetLastError();
    if (error) {
        wsprintfA(result, "has permissions that could not be read (error %lu)", error);
        Push(result);
    } else if (!dacl) {
        Push(add ? "present" : "absent"); /* no DACL: everyone may do anything */
    } else if ((at = FindGrant(dacl, users, &grant)) >= 0 ? add : !add) {
        Push(add ? "present" : "absent");
    } else if (!(copy = Rebuilt(dacl, users, &grant, add ? -1 : at, add))) {
        Push("could not have its permissions changed (out of memory)");
    } else {
        /* a DACL that inherits nothing stays so: else Windows would add its parent's entries */
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision;
        SECURITY_INFORMATION parts = DACL_SECURITY_INFORMATION;
        if (api.control(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED))
            parts |= PROTECTED_DACL_SECURITY_INFORMATION;
        error = api.setSecurity(grant.object, grant.type, parts, NULL, NULL, copy, NULL);
        GlobalFree(copy);
        if (error)
            wsprintfA(result, "could not have its permissions changed (error %lu)", error);
        Push(error ? result : add ? "added" : "removed");
    }
    if (users)
        api.freeSid(users);
    if (descriptor)
        LocalFree(descriptor);
    CloseGrant(&grant);
}

/* Grant also pops the list of rights an earlier install recorded, and pushes "mine" for a right
   this installation may record as its own (added now, or already there and recorded), "" for one
   it must leave alone (there before, someone else's; or Windows 95/98/ME), else the failure. */
PLUGIN(Grant)
{
    static char what[16], old[TEXT_MAX], result[256];
    UNUSED;
    Take(top, size, 2, what, (int)sizeof what, old, (int)sizeof old);
    Push(what);
    ChangeGrant(TRUE);
    Pop(result, sizeof result);
    Push(lstrcmpA(result, "added") == 0 || (lstrcmpA(result, "present") == 0 && ListHas(old, what)) ? "mine"
         : lstrcmpA(result, "present") == 0 || lstrcmpA(result, "none") == 0 ? "" : result);
}

PLUGIN(Revoke)
{
    UNUSED;
    Begin(top, size);
    ChangeGrant(FALSE);
}

/* ---- the uninstaller's own files ---- */

/* Pops the folder and removes its uninstall.dat, waiting a moment for the NSIS uninstaller to end
   when it was run by itself (from a copy NSIS made, whose starter may still hold this file).
   Pushes "" when it is gone, else what could not be removed. */
PLUGIN(RemoveData)
{
    static char folder[TEXT_MAX], path[TEXT_MAX + 16], result[TEXT_MAX + 64];
    int tries;
    UNUSED;
    Take(top, size, 1, folder, (int)sizeof folder);
    result[0] = '\0';
    wsprintfA(path, "%s\\uninstall.dat", folder);
    for (tries = 0; tries < 50 && !DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; tries++)
        Sleep(100);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        wsprintfA(result, "\r\n%s could not be removed.", path);
    Push(result);
}

/* Pops the folder. Removes its uninstall.exe and the folder, when empty. uninstall.exe may be
   running, waiting for the uninstaller: Windows NT lets it be moved to the temporary folder
   when that is on the same volume, to be deleted at the next restart; elsewhere (another volume, where a move would
   copy it and leave it; Windows 95/98/ME) it and the folder go at the next restart. Pushes ""
   when all is gone, else what is left and when it goes. */
PLUGIN(RemoveSelf)
{
    static char folder[TEXT_MAX], path[TEXT_MAX + 16], moved[TEXT_MAX + 32], shortPath[MAX_PATH], result[2 * TEXT_MAX + 256];
    UNUSED;
    Take(top, size, 1, folder, (int)sizeof folder);
    result[0] = '\0';
    wsprintfA(path, "%s\\uninstall.exe", folder);
    if (!DeleteFileA(path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, temp);
        if (length && length < MAX_PATH)
            wsprintfA(moved, "%sqtxunins.%lu", temp, GetTickCount());
        if (IsNt() && length && length < MAX_PATH && MoveFileExA(path, moved, 0)) { /* no copy: the same volume */
            MoveFileExA(moved, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        } else if (IsNt()) {
            MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
            MoveFileExA(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
            wsprintfA(result + lstrlenA(result), "\r\n%s and its folder are removed when Windows restarts.", path);
        } else if (GetShortPathNameA(path, shortPath, sizeof shortPath)) {
            WritePrivateProfileStringA("rename", "NUL", shortPath, "wininit.ini");
            if (GetShortPathNameA(folder, shortPath, sizeof shortPath))
                WritePrivateProfileStringA("rename", "NUL", shortPath, "wininit.ini");
            wsprintfA(result + lstrlenA(result), "\r\n%s and its folder are removed when Windows restarts.", path);
        }
    }
    RemoveDirectoryA(folder);
    Push(result);
}

/* ---- the log ---- */

/* Pops a file and a line: the line is added to the end of the file (made when missing). */
PLUGIN(Log)
{
    static char path[TEXT_MAX], line[TEXT_MAX + 2];
    HANDLE file;
    DWORD written;
    UNUSED;
    Take(top, size, 2, path, (int)sizeof path, line, TEXT_MAX);
    lstrcatA(line, "\r\n");
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, NULL, FILE_END);
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
    CloseHandle(file);
}

/* ---- the pages' bitmaps ---- */

PLUGIN(FreeImage)
{
    static char number[16];
    UINT_PTR handle;
    UNUSED;
    Take(top, size, 1, number, (int)sizeof number);
    handle = Number(number);
    if (handle)
        DeleteObject((HGDIOBJ)handle);
}

BOOL WINAPI PluginEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance, (void)reason, (void)reserved;
    return TRUE;
}
