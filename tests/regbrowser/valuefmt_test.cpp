// How values are shown: every type, the mended byte order and link text, and malformed data.
#include "regbrowser/regbrowser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int Guard = 16;



struct Shown {
    ValueDisplay display;
    std::string text;
};

// Formats into a buffer of exactly the size asked for, followed by guard bytes.
Shown Format(DWORD type, const std::string &bytes, const char *name)
{
    std::vector<BYTE> data(bytes.begin(), bytes.end());
    Shown shown;
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &shown.display, NULL, 0);
    if (shown.display.kind != VALUE_DATA_TEXT)
        return shown;
    std::vector<char> buffer(static_cast<size_t>(shown.display.textSize) + Guard, static_cast<char>(0xbd));
    ValueDisplay again;
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &again, buffer.data(), shown.display.textSize);
    for (int i = 0; i < Guard; i++)
        EXPECT_EQ(buffer[static_cast<size_t>(shown.display.textSize) + i], static_cast<char>(0xbd)) << name << ": guard byte " << i;
    shown.text.assign(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(shown.display.textSize)));
    EXPECT_LT(shown.text.size(), shown.display.textSize) << name << ": text not terminated within its size";
    return shown;
}

std::string Utf16(const std::u16string &text)
{
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

const char *const NoText = nullptr;

struct Case {
    const char *name;
    DWORD type;
    std::string data;
    const char *typeText;
    ValueDataKind kind;
    const char *text; // for VALUE_DATA_TEXT
    DWORD number;     // for the numbers
};

TEST(FormatValueData, EveryTypeAndMalformedData)
{
    using namespace std::string_literals;
    const Case cases[] = {
        {"none", 0, "ab"s, "REG_NONE: No defined value type.", VALUE_DATA_NONE, NoText, 0},
        {"sz", 1, "abc\0"s, "REG_SZ: A null-terminated Unicode string.", VALUE_DATA_TEXT, "\"abc\"", 0},
        {"sz stops at first zero", 1, "ab\0cd\0"s, "REG_SZ: A null-terminated Unicode string.", VALUE_DATA_TEXT, "\"ab\"", 0},
        {"sz without zero", 1, "abc"s, "REG_SZ: A null-terminated Unicode string.", VALUE_DATA_TEXT, "\"abc\"", 0},
        {"sz empty data", 1, ""s, "REG_SZ: A null-terminated Unicode string.", VALUE_DATA_TEXT, "\"\"", 0},
        {"expand sz unexpanded", 2, "%PATH%;x\0"s, "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.",
         VALUE_DATA_TEXT, "\"%PATH%;x\"", 0},
        {"binary", 3, B({0x01, 0xab, 0xff}), "REG_BINARY: Freeform binary data.", VALUE_DATA_TEXT, "01 ab ff ", 0},
        {"binary zeros", 3, B({0, 0x10}), "REG_BINARY: Freeform binary data.", VALUE_DATA_TEXT, "00 10 ", 0},
        {"binary empty", 3, ""s, "REG_BINARY: Freeform binary data.", VALUE_DATA_TEXT, "", 0},
        {"dword", 4, B({0xff, 0xff, 0xff, 0xff}), "REG_DWORD: A 32 bit number.", VALUE_DATA_UNSIGNED, NoText, 0xffffffff},
        {"dword little endian", 4, B({0x78, 0x56, 0x34, 0x12}), "REG_DWORD: A 32 bit number.", VALUE_DATA_UNSIGNED, NoText,
         0x12345678},
        {"dword longer data", 4, B({1, 0, 0, 0, 9}), "REG_DWORD: A 32 bit number.", VALUE_DATA_UNSIGNED, NoText, 1},
        {"dword short", 4, B({1, 2, 3}), "REG_DWORD: A 32 bit number.", VALUE_DATA_TEXT, "01 02 03 ", 0},
        {"dword empty", 4, ""s, "REG_DWORD: A 32 bit number.", VALUE_DATA_TEXT, "", 0},
        {"big endian one", 5, B({0, 0, 0, 1}), "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.",
         VALUE_DATA_SIGNED, NoText, 1},
        {"big endian minus one", 5, B({0xff, 0xff, 0xff, 0xff}),
         "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", VALUE_DATA_SIGNED, NoText, 0xffffffff},
        {"big endian order", 5, B({0x12, 0x34, 0x56, 0x78}),
         "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.", VALUE_DATA_SIGNED, NoText, 0x12345678},
        {"big endian short", 5, B({0xfe}), "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.",
         VALUE_DATA_TEXT, "fe ", 0},
        {"link whole", 6, Utf16(u"\\Registry\\Machine\0"), "REG_LINK: A Unicode symbolic link.", VALUE_DATA_TEXT,
         "\\Registry\\Machine", 0},
        {"link without zero", 6, Utf16(u"ab"), "REG_LINK: A Unicode symbolic link.", VALUE_DATA_TEXT, "ab", 0},
        {"link odd byte", 6, Utf16(u"ab") + "c", "REG_LINK: A Unicode symbolic link.", VALUE_DATA_TEXT, "ab", 0},
        {"link beyond latin-1", 6, Utf16(u"a\u00e9\u263a\0"), "REG_LINK: A Unicode symbolic link.", VALUE_DATA_TEXT,
         "a\xe9?", 0},
        {"link empty", 6, ""s, "REG_LINK: A Unicode symbolic link.", VALUE_DATA_TEXT, "", 0},
        {"multi", 7, "one\0two\0\0"s, "REG_MULTI_SZ: An array of null-terminated strings.", VALUE_DATA_TEXT,
         "{ \"one\"  \"two\"  }", 0},
        {"multi no strings", 7, "\0"s, "REG_MULTI_SZ: An array of null-terminated strings.", VALUE_DATA_TEXT, "{ }", 0},
        {"multi empty data", 7, ""s, "REG_MULTI_SZ: An array of null-terminated strings.", VALUE_DATA_TEXT, "{ }", 0},
        {"multi stops at empty string", 7, "one\0\0two\0\0"s, "REG_MULTI_SZ: An array of null-terminated strings.",
         VALUE_DATA_TEXT, "{ \"one\"  }", 0},
        {"multi without final empty", 7, "one\0two\0"s, "REG_MULTI_SZ: An array of null-terminated strings.",
         VALUE_DATA_TEXT, "{ \"one\"  \"two\"  }", 0},
        {"multi last unterminated", 7, "one\0tw"s, "REG_MULTI_SZ: An array of null-terminated strings.",
         VALUE_DATA_TEXT, "{ \"one\"  \"tw\"  }", 0},
        {"resource list", 8, B({0xa0, 0x05}), "REG_RESOURCE_LIST: A device-driver resource list.", VALUE_DATA_TEXT,
         "a0 05 ", 0},
        {"full resource descriptor", 9, B({1, 2}),
         "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.", VALUE_DATA_NONE, NoText, 0},
        {"code 10", 10, "x"s, "Undefine in this verion of the Halvane Registry Editor 10", VALUE_DATA_NONE, NoText, 0},
        {"code 11", 11, ""s, "Undefine in this verion of the Halvane Registry Editor 11", VALUE_DATA_NONE, NoText, 0},
        {"code shown signed", 0xffffffff, ""s, "Undefine in this verion of the Halvane Registry Editor -1",
         VALUE_DATA_NONE, NoText, 0},
    };
    for (const Case &c : cases) {
        Shown shown = Format(c.type, c.data, c.name);
        EXPECT_STREQ(shown.display.typeText, c.typeText) << c.name;
        EXPECT_EQ(shown.display.kind, c.kind) << c.name;
        if (c.kind == VALUE_DATA_TEXT) {
            EXPECT_EQ(shown.text, c.text) << c.name;
        }
        if (c.kind == VALUE_DATA_SIGNED || c.kind == VALUE_DATA_UNSIGNED) {
            EXPECT_EQ(shown.display.number, c.number) << c.name;
        }
    }
}

TEST(FormatValueData, WaitCursorAndHexDumpBufferByType)
{
    const BYTE data[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    for (DWORD type = 0; type <= 12; type++) {
        ValueDisplay display;
        FormatValueData(type, data, sizeof data, &display, NULL, 0);
        EXPECT_EQ(display.waitCursor, type == 3 || type == 7) << "type " << type;
        EXPECT_EQ(display.hexDump, type == 3 || type == 8) << "type " << type;
    }
}

TEST(FormatValueData, BufferSmallerThanAskedGetsEmptyText)
{
    const BYTE data[] = {'a', 'b', 'c', 0};
    char buffer[8];
    memset(buffer, 0xbd, sizeof buffer);
    ValueDisplay display;
    FormatValueData(1, data, sizeof data, &display, buffer, 4); // needs 6
    EXPECT_EQ(buffer[0], 0);
    for (int i = 1; i < 8; i++)
        EXPECT_EQ(buffer[i], static_cast<char>(0xbd)) << "byte " << i;
}

TEST(FormatValueData, ReadsNoByteBeyondSize)
{
    // Format copies the data into a block of exactly its size: under AddressSanitizer a read
    // past it fails. Data without any zero byte is the case that tempts a reader onward.
    for (DWORD type = 0; type <= 9; type++) {
        for (size_t size = 0; size <= 6; size++) {
            std::string name = "type " + std::to_string(type) + " size " + std::to_string(size);
            Format(type, std::string(size, 'z'), name.c_str());
        }
    }
}

} // namespace
