// Helpers every dialog and registry walk shares.
#pragma once
#include "common/platform.h"

// Where a window of the given size starts so that it sits centred on a screen of the given
// size: both halves by arithmetic shift (rounding toward minus infinity) before subtracting.
int CenterOrigin(int screenSize, int windowSize);

// The system hourglass, shown while a long registry walk runs, and the arrow after it.
void WaitCursorOn(void);
void WaitCursorOff(void);

#ifdef _WIN32
// Moves the dialog, size unchanged, to the centre of the screen. Called first on WM_INITDIALOG.
void CenterDialog(HWND dialog);
// The common close rule: SC_CLOSE ends the dialog with 1. TRUE when wParam was SC_CLOSE.
BOOL DialogCloseRule(HWND dialog, WPARAM wParam);
#endif
