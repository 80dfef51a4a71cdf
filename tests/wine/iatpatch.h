// Replaces entries of a module's import table, so that a test can watch or fail the platform
// calls that code linked into its own program makes.
#pragma once
#include <windows.h>

// Points the import of function from dll (matched without regard to case) in module at
// replacement. Returns the previous address, or NULL when the module does not import it.
void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement);
