// The store's pure rules where a registry cannot reach them: cut lines and read statuses.
#include "hints/hintrules.h"
#include "hints/hintstore.h" // HINT_LINE_SIZE

#include <gtest/gtest.h>

#include <cstring>

TEST(HintRules, LinesCutToTheBufferAndFailedReads)
{
    const std::pair<size_t, const char *> lines[] = {{13, "NAME\tdesc\tOn"}, {12, "NAME\tdesc\tO"}, {1, ""}};
    for (const auto &c : lines) {
        char line[HINT_LINE_SIZE + 1];
        memset(line, 0xbd, sizeof line);
        FormatAppHintLine("NAME", "desc", "On", line, c.first);
        EXPECT_STREQ(line, c.second) << c.first;
        EXPECT_EQ(static_cast<unsigned char>(line[c.first]), 0xbd) << c.first;
    }
    char untouched = 'x';
    FormatAppHintLine("NAME", "desc", "On", &untouched, 0);
    EXPECT_EQ(untouched, 'x');
    // A failed read never looks at the buffer: the flag is On, ticked, and flips to 0.
    const BYTE zero[] = "0";
    for (LONG status : {LONG(ERROR_ACCESS_DENIED), LONG(ERROR_MORE_DATA)}) {
        EXPECT_STREQ(HintStateText(status, zero, 2), "On") << status;
        EXPECT_STREQ(FlippedHintFlag(status, zero, 2), "0") << status;
        EXPECT_FALSE(HintFlagIsOff(status, zero, 2)) << status;
    }
    EXPECT_STREQ(FlippedHintFlag(ERROR_FILE_NOT_FOUND, zero, 0), "1") << "missing flag listed Off";
    EXPECT_STREQ(HintFlagForBox(2), "0") << "indeterminate box";
}
