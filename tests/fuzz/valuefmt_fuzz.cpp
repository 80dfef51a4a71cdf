// FormatValueData over any type code and any bytes: the first four input bytes are the type
// (little-endian; the low byte alone picks among the known codes most of the time), the rest
// is the data. The text must end within the size asked for, and the rule must say the same
// with and without a buffer.
#include "regbrowser/regbrowser.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t length)
{
    if (length < 4)
        return 0;
    DWORD type = static_cast<DWORD>(input[0]) | static_cast<DWORD>(input[1]) << 8 |
                 static_cast<DWORD>(input[2]) << 16 | static_cast<DWORD>(input[3]) << 24;
    if (input[1] == 0 && input[2] == 0 && input[3] == 0)
        type %= 12;
    // A copy of exactly the data's size, so that a read past it is caught.
    std::vector<BYTE> data(input + 4, input + length);
    DWORD size = static_cast<DWORD>(data.size());
    ValueDisplay display;
    FormatValueData(type, data.data(), size, &display, NULL, 0);
    if (strlen(display.typeText) >= sizeof display.typeText)
        abort();
    if (display.kind != VALUE_DATA_TEXT)
        return 0;
    std::vector<char> text(static_cast<size_t>(display.textSize));
    ValueDisplay again;
    FormatValueData(type, data.data(), size, &again, text.data(), display.textSize);
    if (memcmp(&again, &display, sizeof display) != 0)
        abort();
    if (strnlen(text.data(), text.size()) >= text.size())
        abort();
    return 0;
}
