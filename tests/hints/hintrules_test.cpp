// The store's pure rules, without a registry.
#include "hints/hintrules.h"
#include "hints/hintstore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const unsigned char GUARD = 0xbd;

TEST(FormatAppHintLine, FieldsAndDefaults)
{
    struct Case {
        const char *name, *description, *state, *expected;
    };
    const Case cases[] = {
        {"DEMO", "racing", "Off", "DEMO\tracing\tOff"},
        {"DEMO", "", "", "DEMO\tnone\tOff"},
        {"DEMO", "", "On", "DEMO\tnone\tOn"},
        {"DEMO", " spaced ", "On", "DEMO\t spaced \tOn"},
        {"", "", "", "\tnone\tOff"},
    };
    for (const Case &c : cases) {
        char line[HINT_LINE_SIZE];
        FormatAppHintLine(c.name, c.description, c.state, line, sizeof line);
        EXPECT_STREQ(line, c.expected) << "case " << c.expected;
    }
}

TEST(FormatAppHintLine, CutToTheBufferNeverPastIt)
{
    const char *full = "NAME\tdesc\tOn";
    for (size_t size = 1; size <= strlen(full) + 2; size++) {
        char buffer[32];
        memset(buffer, GUARD, sizeof buffer);
        FormatAppHintLine("NAME", "desc", "On", buffer, size);
        std::string expected(full, std::min(size - 1, strlen(full)));
        EXPECT_EQ(std::string(buffer), expected) << "size " << size;
        EXPECT_EQ(static_cast<unsigned char>(buffer[size]), GUARD) << "size " << size;
    }
    char untouched = static_cast<char>(GUARD);
    FormatAppHintLine("NAME", "desc", "On", &untouched, 0);
    EXPECT_EQ(static_cast<unsigned char>(untouched), GUARD);
}

TEST(HintFlag, ReadingFlippingAndTicking)
{
    struct Case {
        const char *what;
        LONG status;
        const char *bytes;
        DWORD length;
        const char *state, *flip;
        BOOL ticked;
    };
    const Case cases[] = {
        {"digit 0", ERROR_SUCCESS, "0", 2, "Off", "1", FALSE},
        {"digit 1", ERROR_SUCCESS, "1", 2, "On", "0", TRUE},
        {"0 without zero", ERROR_SUCCESS, "0", 1, "Off", "1", FALSE},
        {"0 then more", ERROR_SUCCESS, "01", 3, "Off", "1", FALSE},
        {"letter", ERROR_SUCCESS, "x", 2, "On", "0", TRUE},
        {"empty text", ERROR_SUCCESS, "", 1, "On", "0", TRUE},
        {"no data bytes, buffer says 0", ERROR_SUCCESS, "0", 0, "On", "0", TRUE},
        {"missing, buffer says 0", ERROR_FILE_NOT_FOUND, "0", 0, "On", "1", TRUE},
        {"unreadable, buffer says 0", ERROR_ACCESS_DENIED, "0", 2, "On", "0", TRUE},
        {"too long, buffer says 0", ERROR_MORE_DATA, "0", 2, "On", "0", TRUE},
    };
    for (const Case &c : cases) {
        const BYTE *data = reinterpret_cast<const BYTE *>(c.bytes);
        EXPECT_STREQ(HintStateText(c.status, data, c.length), c.state) << c.what;
        EXPECT_STREQ(FlippedHintFlag(c.status, data, c.length), c.flip) << c.what;
        EXPECT_EQ(!HintFlagIsOff(c.status, data, c.length), c.ticked) << c.what;
    }
}

TEST(HintFlag, SaveWritesOneOnlyForChecked)
{
    EXPECT_STREQ(HintFlagForBox(1), "1");
    EXPECT_STREQ(HintFlagForBox(0), "0");
    EXPECT_STREQ(HintFlagForBox(2), "0") << "BST_INDETERMINATE";
    EXPECT_EQ(HintTextByteCount(""), 1u);
    EXPECT_EQ(HintTextByteCount("1"), 2u);
    EXPECT_EQ(HintTextByteCount("racing"), 7u);
}

TEST(HintTextFromData, EndsAtZeroOrDataAndCutsToFit)
{
    struct Case {
        const char *what;
        std::string data;
        BOOL dataCut;
        size_t textSize;
        const char *text;
        BOOL whole;
    };
    const Case cases[] = {
        {"terminated", std::string("racing\0", 7), FALSE, 16, "racing", TRUE},
        {"no zero", "racing", FALSE, 16, "racing", TRUE},
        {"zero inside", std::string("ab\0cd", 5), FALSE, 16, "ab", TRUE},
        {"empty data", "", FALSE, 16, "", TRUE},
        {"fills the text exactly", "abc", FALSE, 4, "abc", TRUE},
        {"one too long", "abcd", FALSE, 4, "abc", FALSE},
        {"head of a longer value", "abc", TRUE, 16, "abc", FALSE},
        {"head holding the zero", std::string("ab\0", 3), TRUE, 16, "ab", TRUE},
        {"text size one", "abc", FALSE, 1, "", FALSE},
    };
    for (const Case &c : cases) {
        char text[32];
        memset(text, GUARD, sizeof text);
        BOOL whole = HintTextFromData(reinterpret_cast<const BYTE *>(c.data.data()), static_cast<DWORD>(c.data.size()),
                                      c.dataCut, text, c.textSize);
        EXPECT_STREQ(text, c.text) << c.what;
        EXPECT_EQ(whole, c.whole) << c.what;
        EXPECT_EQ(static_cast<unsigned char>(text[c.textSize]), GUARD) << c.what;
    }
}

TEST(JoinHintPath, FitsUpTo259Characters)
{
    std::string head = APP_HINTS_KEY;
    for (size_t nameLength : {size_t(1), 259 - head.size(), 260 - head.size()}) {
        std::string name(nameLength, 'n');
        char path[MAX_PATH + 1];
        memset(path, GUARD, sizeof path);
        BOOL fits = JoinHintPath(path, MAX_PATH, head.c_str(), name.c_str());
        bool shouldFit = head.size() + nameLength <= 259;
        EXPECT_EQ(fits, shouldFit) << "name length " << nameLength;
        EXPECT_EQ(std::string(path), shouldFit ? head + name : "") << "name length " << nameLength;
        EXPECT_EQ(static_cast<unsigned char>(path[MAX_PATH]), GUARD) << "name length " << nameLength;
    }
}

} // namespace
