// The setup dialog's Help: which form of the manual the system can show. A pure rule, apart from
// the dialog, so that it can be checked for every system without one.
#pragma once
#include "common/platform.h"

enum HelpForm {
    HELP_WINDOWS_HELP, // qtxhelp.hlp through WinHelpA
    HELP_HTML_MANUAL,  // qtxhelp.html beside the program, in the user's web browser
};

// Windows Help (WinHlp32) is part of Windows 95, 98, ME and of the NT family up to XP and Server
// 2003 (NT 5.x); Windows Vista (NT 6.0) and every later version come without it. So the NT
// family from major version 6 on gets the HTML manual, every other system the Windows Help file.
// platformId and majorVersion as GetVersionExA reports them (VER_PLATFORM_WIN32_NT is 2); a call
// that failed is passed as 0, 0 and gets Windows Help, as before this rule.
HelpForm HelpFormFor(DWORD platformId, DWORD majorVersion);
