#include "common/common.h"

#include <gtest/gtest.h>

TEST(CenterOrigin, HalvesBeforeSubtractingRoundingDown)
{
    struct Case {
        int screen, size, expected;
    };
    const Case cases[] = {
        {1024, 200, 412},  // even sizes
        {1024, 201, 412},  // odd window: 201 >> 1 = 100
        {1023, 200, 411},  // odd screen: 1023 >> 1 = 511
        {1023, 201, 411},  // both odd: not (1023 - 201) / 2 = 411 by luck; see next rows
        {5, 3, 1},         // 2 - 1; (5 - 3) / 2 would also be 1
        {5, 4, 0},         // 2 - 2; (5 - 4) / 2 = 0
        {4, 1, 2},         // 2 - 0; (4 - 1) / 2 would be 1
        {640, 800, -80},   // wider than the screen: negative origin
        {640, 801, -80},   // 320 - 400
        {639, 801, -81},   // 319 - 400
        {-3, 0, -2},       // arithmetic shift rounds toward minus infinity
    };
    for (const Case &c : cases)
        EXPECT_EQ(CenterOrigin(c.screen, c.size), c.expected) << "screen " << c.screen << " size " << c.size;
}
