// The loader's window side: main window, notification-area icon and popup menu.
#pragma once
#include "common/platform.h"

#define MAIN_WINDOW_CLASS "QTXILoadWClass"
#define MAIN_WINDOW_TITLE "Halvane interceptor loader"

// Exit code of a start that finds another instance running: neither success (0) nor a failed
// start-up (-1).
#define EXIT_ALREADY_RUNNING 1

extern HICON EnabledIcon;
extern HICON DisabledIcon;
// The one notification-icon record, rewritten before each use.
extern NOTIFYICONDATAA TrayIconRecord;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the process: instance check, HAL on, window, heap, message loop, HAL off.
int LoaderMain(HINSTANCE instance);

// Fills TrayIconRecord from HalEnabled and passes it to the shell with the operation.
void TrayIcon(HWND window, DWORD operation);
// The notification callback: opens the popup on a button press on our icon.
void TrayPopup(HWND window, WPARAM iconId, LPARAM mouseMessage);
// Menu commands; FALSE for an id that is not ours.
BOOL TrayCommand(HWND window, WORD id);

// The About box: the version over the logo, drawn scaled over the whole dialog on every paint.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
