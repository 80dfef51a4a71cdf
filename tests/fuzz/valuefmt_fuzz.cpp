// FormatValueData over any type code (the first four bytes, little-endian; a lone low byte picks
// a known code) and any data: the text ends within the size asked for, on a copy of exactly the
// data's size, and the rule says the same with and without a buffer.
#include "regbrowser/regbrowser.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t length)
{
    if (length < 4)
        return 0;
    DWORD type;
    memcpy(&type, input, 4);
    type = type < 256 ? type % 12 : type;
    std::vector<BYTE> data(input + 4, input + length);
    ValueDisplay display, again;
    FormatValueData(type, data.data(), DWORD(data.size()), &display, NULL, 0);
    if (strnlen(display.typeText, sizeof display.typeText) == sizeof display.typeText)
        abort();
    if (display.kind != VALUE_DATA_TEXT)
        return 0;
    std::vector<char> text(static_cast<size_t>(display.textSize));
    FormatValueData(type, data.data(), DWORD(data.size()), &again, text.data(), display.textSize);
    if (memcmp(&again, &display, sizeof display) || strnlen(text.data(), text.size()) >= text.size())
        abort();
    return 0;
}
