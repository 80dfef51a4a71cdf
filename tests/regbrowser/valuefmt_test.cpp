// How values are shown: every type, the mended byte order and link text, malformed data, and the
// block-wise paths held against a plain formatter.
#include "regbrowser/regbrowser.h"

#include "shared/regfixture.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Formats into a buffer of exactly the size asked for, followed by guard bytes; the text, or the
// number for the number kinds.
std::string Format(DWORD type, const std::string &bytes, const std::string &name, ValueDisplay *d)
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

TEST(FormatValueData, EveryTypeAndMalformedData)
{
    using namespace std::string_literals;
    const struct {
        DWORD type;
        std::string data, shown;
    } cases[] = { // one line per type
        {0, "ab"s, "<none>"},
        {1, "ab\0cd\0"s, "\"ab\""}, {1, "abc"s, "\"abc\""}, {1, ""s, "\"\""},
        {2, "%PATH%\0"s, "\"%PATH%\""},
        {3, "\x01\xab\xff"s, "01 ab ff "}, {3, ""s, ""},
        {4, "\x78\x56\x34\x12\x09"s, "305419896"}, {4, "\xff\xff\xff\xff"s, "4294967295"}, {4, "\x01\x02\x03"s, "01 02 03 "}, {4, ""s, ""},
        {5, "\0\0\0\x01"s, "1"}, {5, "\xff\xff\xff\xff"s, "-1"}, {5, "\xfe"s, "fe "},
        {6, "\\\0R\0x\0\0\0y\0"s, "\\Rx"}, {6, "a\0\xe9\0\x3a\x26z"s, "a\xe9?"}, {6, ""s, ""}, // UTF-16
        {7, "one\0two\0\0"s, "{ \"one\"  \"two\"  }"}, {7, "one\0\0two\0\0"s, "{ \"one\"  }"}, {7, "one\0two\0"s, "{ \"one\"  \"two\"  }"},
        {7, "one\0tw"s, "{ \"one\"  \"tw\"  }"}, {7, ""s, "{ }"},
        {8, "\xa0\x05"s, "a0 05 "}, {9, "x"s, "<none>"}, {10, "x"s, "<none>"}, {0xffffffff, ""s, "<none>"},
    };
    const char *typeTexts[] = {"REG_NONE: No defined value type.", "REG_SZ: A null-terminated Unicode string.",
        "REG_EXPAND_SZ: A String referencing environment variables i.e. PATH.", "REG_BINARY: Freeform binary data.",
        "REG_DWORD: A 32 bit number.", "REG_DWORD_BIG_ENDIAN: A 32 bit number in big endian format.",
        "REG_LINK: A Unicode symbolic link.", "REG_MULTI_SZ: An array of null-terminated strings.",
        "REG_RESOURCE_LIST: A device-driver resource list.",
        "REG_FULL_RESOURCE_DESCRIPTOR: A resource list in the hardware description.",
        "Undefine in this verion of the Halvane Registry Editor 10"};
    for (const auto &c : cases) {
        std::string name = std::to_string(c.type) + ":" + c.shown;
        ValueDisplay d;
        EXPECT_EQ(Format(c.type, c.data, name, &d), c.shown) << name;
        EXPECT_STREQ(d.typeText, c.type <= 10 ? typeTexts[c.type] : "Undefine in this verion of the Halvane Registry Editor -1") << name;
    }
    for (DWORD type = 0; type <= 12; type++) {
        ValueDisplay d;
        for (size_t size = 0; size <= 6; size++) // no zero to stop a reader going past the data
            Format(type, std::string(size, 'z'), "type " + std::to_string(type), &d);
        EXPECT_EQ(d.waitCursor, type == 3 || type == 7) << type;
        EXPECT_EQ(d.hexDump, type == 3 || type == 8) << type;
    }
    char small[8];
    memset(small, GUARD_BYTE, sizeof small);
    ValueDisplay d;
    FormatValueData(1, reinterpret_cast<const BYTE *>("abc"), 4, &d, small, 4); // needs 6: gets ""
    EXPECT_EQ(std::string(small, 8), std::string(1, '\0') + std::string(7, static_cast<char>(GUARD_BYTE)));
}

// The hex dump goes 16 bytes at a time and the multi-string 64 at a time: every size up to 400
// with zeros from rare to dense, against one-item-at-a-time formatters.
TEST(FormatValueData, BlockWisePathsMatchAPlainFormatter)
{
    for (unsigned density : {256u, 20u, 3u, 2u}) {
        for (size_t size = 0; size <= 400; size++) {
            std::mt19937 random(static_cast<unsigned>(size));
            std::string data(size, 'x'), hex, multi = "{ ";
            for (char &c : data)
                c = random() % density == 0 ? 0 : static_cast<char>(1 + random() % 255);
            for (unsigned char c : data)
                hex += std::string{"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15], ' '};
            for (size_t at = 0, end; at < size && data[at]; at = end + 1) {
                end = std::min(data.find('\0', at), size);
                multi += "\"" + data.substr(at, end - at) + "\"  ";
            }
            std::string name = std::to_string(size) + " bytes, 1/" + std::to_string(density) + " zeros";
            ValueDisplay d;
            EXPECT_EQ(Format(REG_BINARY, data, name, &d), hex) << name;
            EXPECT_EQ(Format(REG_MULTI_SZ, data, name, &d), multi + "}") << name;
        }
    }
}

} // namespace
