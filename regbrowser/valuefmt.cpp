// How a registry value is shown: the type text and the data, formatted by type.
#include "regbrowser/regbrowser.h"

#include <string.h>

namespace {

enum ValueShape {
    SHAPE_NONE,
    SHAPE_QUOTED,   // text up to its zero, between double quotes
    SHAPE_HEX,      // "%02x " per byte
    SHAPE_DWORD,    // little-endian, unsigned
    SHAPE_DWORD_BE, // big-endian, signed
    SHAPE_LINK,     // UTF-16 text converted to 8-bit
    SHAPE_MULTI,    // { "a"  "b"  }
};

struct ValueType {
    const char *text;
    ValueShape shape;
    BOOL waitCursor;
};

// Indexed by the type code.
const ValueType ValueTypes[] = {
    {"REG_NONE: No defined value type.", SHAPE_NONE, FALSE},
    {"REG_SZ: A null-terminated Unicode string.", SHAPE_QUOTED, FALSE},
    {"REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.", SHAPE_QUOTED, FALSE},
    {"REG_BINARY: Freeform binary data.", SHAPE_HEX, TRUE},
    {"REG_DWORD: A 32 bit number.", SHAPE_DWORD, FALSE},
    {"REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", SHAPE_DWORD_BE, FALSE},
    {"REG_LINK: A Unicode symbolic link.", SHAPE_LINK, FALSE},
    {"REG_MULTI_SZ: An array of null-terminated strings.", SHAPE_MULTI, TRUE},
    {"REG_RESOURCE_LIST: A device-driver resource list.", SHAPE_HEX, FALSE},
    {"REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.", SHAPE_NONE, FALSE},
};
const DWORD ValueTypeCount = sizeof ValueTypes / sizeof ValueTypes[0];

// Each byte's "%02x " item with its terminator, so that an item is one four-byte copy.
struct HexItems {
    char item[256][4];
};

HexItems MakeHexItems()
{
    static const char digits[] = "0123456789abcdef";
    HexItems items;
    for (int b = 0; b < 256; b++) {
        items.item[b][0] = digits[b >> 4];
        items.item[b][1] = digits[b & 15];
        items.item[b][2] = ' ';
        items.item[b][3] = 0;
    }
    return items;
}

size_t TextLength(const BYTE *data, size_t size)
{
    if (size == 0)
        return 0;
    const void *zero = memchr(data, 0, size);
    return zero ? static_cast<size_t>(static_cast<const BYTE *>(zero) - data) : size;
}

// UTF-16 units up to the terminating zero unit or the end of the data; an odd last byte is
// not part of any unit.
int LinkUnits(const BYTE *data, DWORD size)
{
    DWORD units = size / 2;
    DWORD n = 0;
    while (n < units && (data[2 * n] != 0 || data[2 * n + 1] != 0))
        n++;
    return static_cast<int>(n);
}

unsigned long long LinkTextSize(const BYTE *data, DWORD size)
{
    int units = LinkUnits(data, size);
    if (units == 0)
        return 1;
    int bytes = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(data), units, NULL, 0, NULL, NULL);
    return static_cast<unsigned long long>(bytes > 0 ? bytes : 0) + 1;
}

// Work-buffer sizes are bounds known from the size alone, so that the data is walked once.
// A quoted text holds at most all size bytes and its quotes. In a multi-string each string of
// n bytes with its zero gives n + 4 characters, at most 5/2 of its bytes (n = 1), and an
// unterminated last one n + 4 for n bytes; braces and the terminator add four.
unsigned long long TextSize(ValueShape shape, const BYTE *data, DWORD size)
{
    unsigned long long n = size;
    switch (shape) {
    case SHAPE_QUOTED:
        return n + 3;
    case SHAPE_HEX:
        return n * 3 + 1;
    case SHAPE_LINK:
        return LinkTextSize(data, size);
    default: // SHAPE_MULTI, the last with a text
        return n * 5 / 2 + 8;
    }
}

char *Append(char *out, const void *bytes, size_t length)
{
    if (length > 0)
        memcpy(out, bytes, length);
    return out + length;
}

void WriteQuoted(const BYTE *data, DWORD size, char *out)
{
    *out++ = '"';
    out = Append(out, data, TextLength(data, size));
    *out++ = '"';
    *out = 0;
}

// Each item goes straight to the end of the text, never through a search for it; its
// terminator is overwritten by the next item and ends the text after the last.
void WriteHexDump(const BYTE *data, DWORD size, char *out)
{
    static const HexItems items = MakeHexItems();
    *out = 0;
    for (DWORD i = 0; i < size; i++, out += 3)
        memcpy(out, items.item[data[i]], 4);
}

void WriteLink(const BYTE *data, DWORD size, char *out, unsigned long long textSize)
{
    int units = LinkUnits(data, size);
    int written = 0;
    if (units > 0)
        written = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(data), units, out,
                                      static_cast<int>(textSize - 1), NULL, NULL);
    out[written > 0 ? written : 0] = 0;
}

// The strings from data[0], which is not zero, each followed by quote and two spaces, and the
// next string's opening quote while one follows. Stops after the string that is followed by
// an empty one or by the end of the data.
char *WriteStrings(const BYTE *data, size_t size, char *out)
{
    for (size_t at = 0;;) {
        size_t length = TextLength(data + at, size - at);
        out = Append(out, data + at, length);
        at += length + 1;
        if (at >= size || data[at] == 0)
            return Append(out, "\"  ", 3);
        out = Append(out, "\"  \"", 4);
    }
}

void WriteMulti(const BYTE *data, DWORD size, char *out)
{
    out = Append(out, "{ ", 2);
    if (size > 0 && data[0] != 0) {
        *out++ = '"';
        out = WriteStrings(data, size, out);
    }
    Append(out, "}", 2);
}

DWORD LittleEndian(const BYTE *data)
{
    return static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 | static_cast<DWORD>(data[2]) << 16 |
           static_cast<DWORD>(data[3]) << 24;
}

DWORD BigEndian(const BYTE *data)
{
    return static_cast<DWORD>(data[3]) | static_cast<DWORD>(data[2]) << 8 | static_cast<DWORD>(data[1]) << 16 |
           static_cast<DWORD>(data[0]) << 24;
}

// A number of fewer than four bytes is not a number: its bytes are shown as they are.
void DescribeNumber(ValueShape shape, const BYTE *data, DWORD size, ValueDisplay *display)
{
    if (size < 4) {
        display->kind = VALUE_DATA_TEXT;
        display->textSize = TextSize(SHAPE_HEX, data, size);
        return;
    }
    display->kind = shape == SHAPE_DWORD ? VALUE_DATA_UNSIGNED : VALUE_DATA_SIGNED;
    display->number = shape == SHAPE_DWORD ? LittleEndian(data) : BigEndian(data);
}

} // namespace

void FormatValueData(DWORD type, const BYTE *data, DWORD size, ValueDisplay *display, char *text,
                     unsigned long long textSize)
{
    memset(display, 0, sizeof *display);
    if (type >= ValueTypeCount) {
        wsprintfA(display->typeText, "Undefine in this verion of the Halvane Registry Editor %d", static_cast<int>(type));
        return;
    }
    const ValueType &vt = ValueTypes[type];
    wsprintfA(display->typeText, "%s", vt.text); // the longest type text has 75 characters
    display->waitCursor = vt.waitCursor;
    ValueShape shape = vt.shape;
    if (shape == SHAPE_NONE)
        return;
    if (shape == SHAPE_DWORD || shape == SHAPE_DWORD_BE) {
        DescribeNumber(shape, data, size, display);
        if (display->kind != VALUE_DATA_TEXT)
            return;
        shape = SHAPE_HEX;
    } else {
        display->kind = VALUE_DATA_TEXT;
        display->textSize = TextSize(shape, data, size);
        display->hexDump = shape == SHAPE_HEX;
    }
    if (!text)
        return;
    if (textSize < display->textSize) {
        if (textSize > 0)
            text[0] = 0;
        return;
    }
    switch (shape) {
    case SHAPE_QUOTED:
        WriteQuoted(data, size, text);
        break;
    case SHAPE_HEX:
        WriteHexDump(data, size, text);
        break;
    case SHAPE_LINK:
        WriteLink(data, size, text, display->textSize);
        break;
    default:
        WriteMulti(data, size, text);
        break;
    }
}
