// The HAL switch: binds the accelerator's support library, runs its detection and records the
// HAL state in the profile file.
#pragma once
#include "common/platform.h"

// Bits of HardwareFlags that the loader reads; the others belong to the support library.
#define HWF_PREPARE_DISPLAY 0x0001 // present; prepare the display now, restore it at switch-off
#define HWF_PRESENT 0x0002         // present; no display preparation
#define HWF_DRIVER_REFUSED 0x1000  // the display driver refused to let the accelerator start

extern DWORD HardwareFlags;

// enable 0 switches off, anything else on. Returns 1 when the requested state holds, 0 when
// switching on failed (no hardware, or the driver refused). A profile write that fails is not
// told here but by ReportUnrecordedHalState, which the caller calls once it shows the new state.
int HalSwitch(int enable);
// Tells the user, once, when the last HalSwitch could not record the state in the profile file.
void ReportUnrecordedHalState(void);
