// Substitute text calls: the conversion of a fixed code page (Latin-1, "?" for everything
// beyond) and the lead-byte rules of the code page a test chose.
#include "substitute/subst_control.h"

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

namespace {
UINT CodePage = 1252;
}

void SubstSetCodePage(UINT codePage) { CodePage = codePage; }

UINT WINAPI GetACP(void) { return CodePage; }

BOOL WINAPI IsDBCSLeadByte(BYTE byte)
{
    return CodePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

LPSTR WINAPI CharNextA(LPCSTR text)
{
    if (*text == 0)
        return const_cast<LPSTR>(text);
    return const_cast<LPSTR>(text + (IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1] ? 2 : 1));
}

LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR current)
{
    const char *p = start;
    while (p < current) {
        const char *next = CharNextA(p);
        if (next >= current || next == p)
            break;
        p = next;
    }
    return const_cast<LPSTR>(p);
}
