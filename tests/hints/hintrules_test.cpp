// The store's pure rules, without a registry.
#include "hints/hintrules.h"
#include "hints/hintstore.h" // HINT_LINE_SIZE

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const unsigned char GUARD = 0xbd;

TEST(HintRules, LineFieldsDefaultsAndCuts)
{
    struct Case {
        const char *name, *description, *state;
        size_t size;
        const char *expected;
    };
    const Case cases[] = {
        {"DEMO", "racing", "Off", HINT_LINE_SIZE, "DEMO\tracing\tOff"},
        {"DEMO", "", "", HINT_LINE_SIZE, "DEMO\tnone\tOff"},
        {"DEMO", " spaced ", "On", HINT_LINE_SIZE, "DEMO\t spaced \tOn"},
        {"", "", "", HINT_LINE_SIZE, "\tnone\tOff"},
        {"NAME", "desc", "On", 13, "NAME\tdesc\tOn"},
        {"NAME", "desc", "On", 12, "NAME\tdesc\tO"},
        {"NAME", "desc", "On", 5, "NAME"},
        {"NAME", "desc", "On", 1, ""},
    };
    for (const Case &c : cases) {
        char line[HINT_LINE_SIZE + 1];
        memset(line, GUARD, sizeof line);
        FormatAppHintLine(c.name, c.description, c.state, line, c.size);
        EXPECT_STREQ(line, c.expected) << "case " << c.expected << ", size " << c.size;
        EXPECT_EQ(static_cast<unsigned char>(line[c.size]), GUARD) << "case " << c.expected << ", size " << c.size;
    }
    char untouched = static_cast<char>(GUARD);
    FormatAppHintLine("NAME", "desc", "On", &untouched, 0);
    EXPECT_EQ(static_cast<unsigned char>(untouched), GUARD);
}

// How a read of the flag is listed, flipped and ticked; statuses a registry test cannot provoke.
TEST(HintRules, FlagReadFlippedAndTicked)
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
        {"0 then more", ERROR_SUCCESS, "01", 3, "Off", "1", FALSE},
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
    EXPECT_STREQ(HintFlagForBox(2), "0") << "BST_INDETERMINATE";
}

TEST(HintRules, TextFromDataEndsAtZeroOrDataAndCutsToFit)
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

} // namespace
