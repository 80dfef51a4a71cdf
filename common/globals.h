// Process-wide state shared between subsystems. Each item is defined by the code that owns it.
#pragma once
#include "common/platform.h"

// Loader: the HAL state, 1 while the HAL is on (owned by the HAL switch).
extern DWORD HalEnabled;
// Loader: the module of this process, stored once the main window exists.
extern HINSTANCE AppInstance;
// Loader: private heap for the registry browser's work buffers; NULL outside the message loop.
extern HANDLE AppHeap;
