// The one header through which product code reaches the platform: the real Win32 API on
// Windows, the substitute layer (same names and signatures) in the native build.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include "substitute/winsub.h"
#endif
