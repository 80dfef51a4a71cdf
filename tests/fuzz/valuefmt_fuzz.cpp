// FormatValueData over any type code (the first four bytes, little-endian; a lone low byte picks
// a known code) and any data, on a copy of exactly the data's size: the rule says the same with
// and without a buffer, and the text ends within the size asked for.
#include "regbrowser/regbrowser.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t length)
{
    DWORD type = 0;
    memcpy(&type, input, length < 4 ? length : 4);
    std::vector<BYTE> data(input + (length < 4 ? length : 4), input + length);
    ValueDisplay display, again;
    FormatValueData(type < 256 ? type % 12 : type, data.data(), DWORD(data.size()), &display, NULL, 0);
    std::vector<char> text(display.kind == VALUE_DATA_TEXT ? size_t(display.textSize) : 1);
    FormatValueData(type < 256 ? type % 12 : type, data.data(), DWORD(data.size()), &again, text.data(), text.size());
    if (memcmp(&again, &display, sizeof display) || strnlen(display.typeText, sizeof display.typeText) == sizeof display.typeText ||
        (display.kind == VALUE_DATA_TEXT && strnlen(text.data(), text.size()) == text.size()))
        abort();
    return 0;
}
