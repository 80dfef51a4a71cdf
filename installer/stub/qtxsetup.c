/* An NSIS plug-in for the installer, built without a C runtime so that it loads on Windows 95,
   for the two things NSIS's own instructions cannot do without its System plug-in, which needs
   msvcrt.dll:
   - CommandLine pushes the command line as Windows passed it. NSIS cuts " /D=..." off $CMDLINE
     and, when that folder is unusable, silently puts its default in its place; the script sees
     the folder asked for and refuses it instead.
   - FreeImage pops a GDI handle (decimal) and deletes it: the pages' bitmaps, which the
     Modern UI frees through System otherwise. */
#include <windows.h>

typedef struct StackEntry {
    struct StackEntry *next;
    char text[1];
} StackEntry;

__declspec(dllexport) void CommandLine(HWND parent, int size, char *variables, StackEntry **top, void *extra)
{
    StackEntry *entry;
    (void)parent, (void)variables, (void)extra;
    if (!top || size <= 0 || !(entry = (StackEntry *)GlobalAlloc(GPTR, sizeof(StackEntry) + (SIZE_T)size)))
        return;
    lstrcpynA(entry->text, GetCommandLineA(), size);
    entry->next = *top;
    *top = entry;
}

__declspec(dllexport) void FreeImage(HWND parent, int size, char *variables, StackEntry **top, void *extra)
{
    StackEntry *entry;
    const char *digit;
    UINT_PTR handle = 0;
    (void)parent, (void)size, (void)variables, (void)extra;
    if (!top || !(entry = *top))
        return;
    for (digit = entry->text; *digit >= '0' && *digit <= '9'; digit++)
        handle = handle * 10 + (UINT_PTR)(*digit - '0');
    *top = entry->next;
    GlobalFree(entry);
    if (handle)
        DeleteObject((HGDIOBJ)handle);
}

BOOL WINAPI PluginEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance, (void)reason, (void)reserved;
    return TRUE;
}
