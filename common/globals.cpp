// Definitions of the process-wide state that more than one subsystem reads.
#include "common/globals.h"

HINSTANCE AppInstance;
HANDLE AppHeap;
