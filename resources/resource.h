// Resource, control and command ids. Shared by the resource script and the code.
#pragma once

// Icons
#define IDI_HAL_ENABLED 102
#define IDI_HAL_DISABLED 104

// Popup menu of the notification-area icon
#define IDM_TRAYMENU 105
#define IDM_TOGGLE_HAL 40001
#define IDM_CLOSE 40002
#define IDM_SETUP 40004
#define IDM_ABOUT 40005

// Notification-area icon
#define TRAY_ICON_ID 102
#define WM_TRAYNOTIFY (0x400 + 101)

// About box
#define IDC_ABOUT_VERSION 1000
#define IDC_ABOUT_FRAME 1001

// Setup dialog "MAINDLG"
#define IDC_HINT_HELP 1002
#define IDC_HINT_ADD 1004
#define IDC_HINT_DELETE 1005
#define IDC_HINT_BROWSE 1008
#define IDC_HINT_LIST 1010
#define IDC_HINT_EXIT 1013
#define IDC_HINT_EDIT 1014
// Posted by the setup dialog to itself after a double-click on a line: flip that record.
#define IDC_HINT_FLIP 111

// Add dialog "ADDPROGRAMDLG"
#define IDC_ADD_NAME 1011
#define IDC_ADD_DESCRIPTION 1012

// Edit dialog "EDITDLG"
#define IDC_EDIT_COMPOSITING 1015
#define IDC_EDIT_NAME 1016
#define IDC_EDIT_DESCRIPTION 1017

// Registry browser dialog "REGISTRYDLG"
#define IDC_REG_KEYNAME 101
#define IDC_REG_VALUES 103
#define IDC_REG_ACL 104
#define IDC_REG_TYPE 106
#define IDC_REG_DATA 107
#define IDC_REG_CLASS 109
#define IDC_REG_KEYS 110
#define IDC_REG_DOWN 111
#define IDC_REG_UP 112
#define IDC_REG_PATH 116
