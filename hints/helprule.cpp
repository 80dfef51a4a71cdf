#include "hints/helprule.h"

HelpForm HelpFormFor(DWORD platformId, DWORD majorVersion)
{
    return platformId == VER_PLATFORM_WIN32_NT && majorVersion >= 6 ? HELP_HTML_MANUAL : HELP_WINDOWS_HELP;
}
