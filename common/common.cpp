#include "common/common.h"

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
