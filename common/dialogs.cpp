#include "common/common.h"

void CenterDialog(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(dialog, CenterOrigin(GetSystemMetrics(SM_CXSCREEN), width),
               CenterOrigin(GetSystemMetrics(SM_CYSCREEN), height), width, height, TRUE);
}

BOOL DialogCloseRule(HWND dialog, WPARAM wParam)
{
    if (wParam != SC_CLOSE)
        return FALSE;
    EndDialog(dialog, 1);
    return TRUE;
}
