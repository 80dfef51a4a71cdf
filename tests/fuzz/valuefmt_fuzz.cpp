// FormatValueData over any type code (first four bytes, little-endian; a lone low byte picks a known code) and any
// data, in libFuzzer's block of exactly its size: the same display with and without a text, ending within its size.
#include "regbrowser/regbrowser.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t length)
{
    DWORD type = 0, head = length < 4 ? DWORD(length) : 4, size = DWORD(length - head);
    memcpy(&type, input, head);
    ValueDisplay display, again;
    FormatValueData(type = type < 256 ? type % 12 : type, input + head, size, &display, NULL, 0);
    std::vector<char> text(display.kind == VALUE_DATA_TEXT ? size_t(display.textSize) : 1);
    FormatValueData(type, input + head, size, &again, text.data(), text.size());
    if (memcmp(&again, &display, sizeof display) || strnlen(display.typeText, sizeof display.typeText) == sizeof display.typeText ||
        (display.kind == VALUE_DATA_TEXT && strnlen(text.data(), text.size()) == text.size()))
        __builtin_trap();
    return 0;
}
