// Helpers every dialog and registry walk shares.
#pragma once
#include "common/platform.h"

// Where a window of the given size starts so that it sits centred on a screen of the given
// size: both halves by arithmetic shift (rounding toward minus infinity) before subtracting.
int CenterOrigin(int screenSize, int windowSize);

// The system hourglass, shown while a long registry walk runs, and the arrow after it.
void WaitCursorOn(void);
void WaitCursorOff(void);

// The full path of name (ASCII) in the program's folder, through the wide calls, which lose no
// character of a folder the code page cannot spell. *answered is FALSE where GetModuleFileNameW
// failed (Windows 9x exports it as a stub): the caller then takes the ANSI path. FALSE, with
// *answered TRUE, where the program's path was cut or the whole does not fit: a cut path could
// name some other file.
BOOL WidePathBesideProgram(const char *name, WCHAR (&path)[MAX_PATH], BOOL *answered);

#ifdef _WIN32
// Moves the dialog, size unchanged, to the centre of the screen. Called first on WM_INITDIALOG.
void CenterDialog(HWND dialog);
// The common close rule: SC_CLOSE ends the dialog with 1. TRUE when wParam was SC_CLOSE.
BOOL DialogCloseRule(HWND dialog, WPARAM wParam);
#endif
