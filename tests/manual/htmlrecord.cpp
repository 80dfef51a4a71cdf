// Stands in for the web browser in the Help tests: registered as the program that opens .html
// files, it writes its command line to the file that QTX_HTML_RECORD names (whole, or not at all:
// written beside it, then renamed) and ends.
#include <windows.h>

#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char record[MAX_PATH], partial[MAX_PATH + 8];
    DWORD n = GetEnvironmentVariableA("QTX_HTML_RECORD", record, sizeof record);
    if (n == 0 || n >= sizeof record)
        return 1;
    strcpy(partial, record), strcat(partial, ".part");
    HANDLE file = CreateFileA(partial, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char *line = GetCommandLineA();
    DWORD written = 0;
    BOOL ok = WriteFile(file, line, DWORD(strlen(line)), &written, NULL);
    CloseHandle(file);
    return ok && MoveFileA(partial, record) ? 0 : 1;
}
