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
