// How values are shown: every type, the mended byte order and link text, and malformed data, each
// formatted into a buffer of exactly the size asked for.
#include "regbrowser/regbrowser.h"

#include "shared/regfixture.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

// The text, or the number for the number kinds; the buffer is followed by guard bytes.
static std::string Format(DWORD type, const std::string &bytes, const std::string &name, ValueDisplay *d)
{
    std::vector<BYTE> data(bytes.begin(), bytes.end()); // exactly its size: ASan sees over-reads
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), d, NULL, 0);
    if (d->kind != VALUE_DATA_TEXT)
        return d->kind == VALUE_DATA_NONE ? "<none>" : d->kind == VALUE_DATA_SIGNED ? std::to_string(LONG(d->number))
                                                                                     : std::to_string(d->number);
    size_t size = static_cast<size_t>(d->textSize);
    std::vector<char> text(size + 16, static_cast<char>(GUARD_BYTE));
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), d, text.data(), size);
    EXPECT_EQ(std::string(text.begin() + size, text.end()), std::string(16, static_cast<char>(GUARD_BYTE))) << name;
    EXPECT_LT(strnlen(text.data(), size), size) << name;
    return text.data();
}

TEST(FormatValueData, DataOfEveryType)
{
    const struct { DWORD type; std::string data, shown; } cases[] = {
        {0, "ab"s, "<none>"}, {1, "ab\0cd\0"s, "\"ab\""}, {1, "abc"s, "\"abc\""}, {1, ""s, "\"\""}, {2, "%PATH%\0"s, "\"%PATH%\""},
        {3, "\x01\xab\xff\x00\x10"s, "01 ab ff 00 10 "}, {3, ""s, ""}, {8, "\xa0\x05"s, "a0 05 "}, {9, "x"s, "<none>"}, {10, "x"s, "<none>"},
        {4, "\x78\x56\x34\x12\x09"s, "305419896"}, {4, "\xff\xff\xff\xff"s, "4294967295"}, {4, "\x01\x02\x03"s, "01 02 03 "}, {4, ""s, ""},
        {5, "\0\0\0\x01"s, "1"}, {5, "\xff\xff\xff\xff"s, "-1"}, {5, "\xfe"s, "fe "},
        {6, "\\\0R\0x\0\0\0y\0"s, "\\Rx"}, {6, "a\0\xe9\0\x3a\x26z"s, "a\xe9?"}, {6, "\0\x01" "a\0"s, "?a"}, {6, ""s, ""}, // UTF-16
        {7, "one\0two\0\0"s, "{ \"one\"  \"two\"  }"}, {7, "one\0\0two\0\0"s, "{ \"one\"  }"}, {7, "a\0b\0c"s, "{ \"a\"  \"b\"  \"c\"  }"},
        {7, "one\0two\0"s, "{ \"one\"  \"two\"  }"}, {7, "one\0tw"s, "{ \"one\"  \"tw\"  }"}, {7, "\0one\0"s, "{ }"}, {7, ""s, "{ }"},
    };
    ValueDisplay d;
    for (const auto &c : cases)
        EXPECT_EQ(Format(c.type, c.data, std::to_string(c.type) + ":" + c.shown, &d), c.shown) << c.type << ":" << c.shown;
}

// The type text, cursor and dump flags per code, over data with no zero to stop a reader going
// past it; too small a buffer gets an empty text.
TEST(FormatValueData, TypeTextsAndShortBuffers)
{
    const char *typeTexts[] = {"REG_NONE: No defined value type.", "REG_SZ: A null-terminated Unicode string.",
        "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.", "REG_BINARY: Freeform binary data.",
        "REG_DWORD: A 32 bit number.", "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.",
        "REG_LINK: A Unicode symbolic link.", "REG_MULTI_SZ: An array of null-terminated strings.",
        "REG_RESOURCE_LIST: A device-driver resource list.", "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description."};
    ValueDisplay d;
    for (DWORD type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 12u, 0xffffffffu}) {
        for (size_t size = 0; size <= 6; size++)
            Format(type, std::string(size, 'z'), "type " + std::to_string(type), &d);
        EXPECT_STREQ(d.typeText, type < 10 ? typeTexts[type]
                     : ("Undefine in this verion of the Halvane Registry Editor " + std::to_string(LONG(type))).c_str()) << type;
        EXPECT_EQ(d.waitCursor, type == 3 || type == 7) << type;
        EXPECT_EQ(d.hexDump, type == 3 || type == 8) << type;
    }
    std::string small(8, static_cast<char>(GUARD_BYTE));
    FormatValueData(1, reinterpret_cast<const BYTE *>("abc"), 4, &d, &small[0], 0); // no room at all: nothing written
    FormatValueData(1, reinterpret_cast<const BYTE *>("abc"), 4, &d, &small[1], 4); // needs 6: gets ""
    EXPECT_EQ(small, std::string(1, static_cast<char>(GUARD_BYTE)) + '\0' + std::string(6, static_cast<char>(GUARD_BYTE)));
}
