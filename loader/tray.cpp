#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "loader/halswitch.h"
#include "loader/loader.h"
#include "resource.h"

#include <string.h>

NOTIFYICONDATAA TrayIconRecord;

void TrayIcon(HWND window, DWORD operation)
{
    // The original 88-byte layout; the shell accepts it from every version of the API.
    TrayIconRecord.cbSize = NOTIFYICONDATAA_V1_SIZE;
    TrayIconRecord.hWnd = window;
    TrayIconRecord.uID = TRAY_ICON_ID;
    switch (operation) {
    case NIM_ADD:
        TrayIconRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        break;
    case NIM_MODIFY:
        TrayIconRecord.uFlags = NIF_ICON | NIF_TIP;
        break;
    default:
        TrayIconRecord.uFlags = 0;
        break;
    }
    TrayIconRecord.uCallbackMessage = WM_TRAYNOTIFY;
    TrayIconRecord.hIcon = HalEnabled == 1 ? EnabledIcon : DisabledIcon;
    const char *tip = HalEnabled == 1 ? "Halvane D3D HAL - Enabled" : "Halvane D3D HAL - Disabled";
    memset(TrayIconRecord.szTip, 0, sizeof TrayIconRecord.szTip);
    memcpy(TrayIconRecord.szTip, tip, strlen(tip));
    Shell_NotifyIconA(operation, &TrayIconRecord);
}

// The popup as it is shown: the loaded menu resource and its first popup, with the first item's
// text for the state and Close when Ctrl is down. FALSE, with nothing loaded, when either is missing.
static BOOL LoadTrayMenu(HMENU *menu, HMENU *popup)
{
    *menu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_TRAYMENU));
    if (!*menu)
        return FALSE;
    *popup = GetSubMenu(*menu, 0);
    if (!*popup) {
        DestroyMenu(*menu);
        *menu = NULL;
        return FALSE;
    }
    char text[96];
    wsprintfA(text, "%s Halvane HAL", HalEnabled == 1 ? "Disable" : "Enable");
    ModifyMenuA(*popup, IDM_TOGGLE_HAL, MF_BYCOMMAND | MF_STRING, IDM_TOGGLE_HAL, text);
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000)
        AppendMenuA(*popup, MF_STRING, IDM_CLOSE, "Close");
    return TRUE;
}

void TrayPopup(HWND window, WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != TRAY_ICON_ID || (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN))
        return;
    HMENU menu, popup;
    if (!LoadTrayMenu(&menu, &popup))
        return;
    POINT cursor;
    GetCursorPos(&cursor);
    // The window must be in the foreground, or the menu does not close when the user clicks
    // elsewhere; the WM_USER posted after it makes the menu go away on the second click.
    SetForegroundWindow(window);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, NULL);
    PostMessageA(window, WM_USER, 0, 0);
    DestroyMenu(menu);
}

// The icon shows the state that now holds before a message about the profile is shown.
static void ToggleHal(HWND window)
{
    HalSwitch(HalEnabled == 1 ? 0 : 1);
    TrayIcon(window, NIM_MODIFY);
    ReportUnrecordedHalState();
}

BOOL TrayCommand(HWND window, WORD id)
{
    switch (id) {
    case IDM_TOGGLE_HAL:
        ToggleHal(window);
        return TRUE;
    case IDM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case IDM_SETUP:
        // No owner: the icon keeps answering, and a second setup dialog can open.
        DialogBoxParamA(AppInstance, "MainDlg", NULL, MainDlgProc, 0);
        return TRUE;
    case IDM_ABOUT:
        DialogBoxParamA(AppInstance, "AboutDlg", NULL, AboutDlgProc, 0);
        return TRUE;
    }
    return FALSE;
}
