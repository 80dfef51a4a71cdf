// Substitute text conversion: a fixed ANSI code page (Latin-1, '?' for everything beyond).
#include "substitute/winsub.h"

#include <cstring>

int WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR text, int count, LPSTR out, int size, LPCSTR, LPBOOL)
{
    if (!text || count == 0 || size < 0 || (size > 0 && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Read unit by unit through memcpy: the text may sit at any byte address.
    const char *bytes = reinterpret_cast<const char *>(text);
    int units = count;
    if (count < 0) {
        units = 0;
        for (WCHAR unit = 1; unit != 0; units++)
            std::memcpy(&unit, bytes + 2 * units, sizeof unit);
    }
    if (size == 0)
        return units;
    if (units > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int i = 0; i < units; i++) {
        WCHAR unit;
        std::memcpy(&unit, bytes + 2 * i, sizeof unit);
        out[i] = unit < 0x100 ? static_cast<char>(unit) : '?';
    }
    return units;
}
