// The setup dialog's Help choice for every system as GetVersionExA reports it: Windows Help up to
// XP and Server 2003, the HTML manual from Vista on.
#include "hints/helprule.h"

#include <gtest/gtest.h>

TEST(HelpForm, WindowsHelpUpToXpTheHtmlManualFromVistaOn)
{
    const struct {
        const char *system;
        DWORD platformId, major;
        HelpForm form;
    } cases[] = {
        {"GetVersionExA failed", 0, 0, HELP_WINDOWS_HELP},
        {"Win32s", VER_PLATFORM_WIN32s, 3, HELP_WINDOWS_HELP},
        {"Windows 95, 98, ME", VER_PLATFORM_WIN32_WINDOWS, 4, HELP_WINDOWS_HELP},
        {"a 9x version 6 (none exists)", VER_PLATFORM_WIN32_WINDOWS, 6, HELP_WINDOWS_HELP},
        {"NT 4.0", VER_PLATFORM_WIN32_NT, 4, HELP_WINDOWS_HELP},
        {"2000, XP, Server 2003", VER_PLATFORM_WIN32_NT, 5, HELP_WINDOWS_HELP},
        {"Vista, 7, 8, 8.1", VER_PLATFORM_WIN32_NT, 6, HELP_HTML_MANUAL},
        {"10, 11", VER_PLATFORM_WIN32_NT, 10, HELP_HTML_MANUAL},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HelpFormFor(c.platformId, c.major), c.form) << c.system;
}
