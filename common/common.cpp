#include "common/common.h"

#include <string.h>

int CenterOrigin(int screenSize, int windowSize)
{
    return (screenSize >> 1) - (windowSize >> 1);
}

void WaitCursorOn(void)
{
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
}

void WaitCursorOff(void)
{
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
}

BOOL WidePathBesideProgram(const char *name, WCHAR (&path)[MAX_PATH], BOOL *answered)
{
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    *answered = n != 0;
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    DWORD end = n;
    while (end > 0 && path[end - 1] != '\\')
        end--;
    size_t length = strlen(name) + 1;
    if (end == 0 || end + length > MAX_PATH)
        return FALSE;
    for (size_t i = 0; i < length; i++)
        path[end + i] = static_cast<WCHAR>(static_cast<BYTE>(name[i]));
    return TRUE;
}
