#include "common/common.h"

#include <gtest/gtest.h>

// Each half is taken (shifting, so rounding toward minus infinity) before subtracting.
TEST(CenterOrigin, HalvesBeforeSubtracting)
{
    const int cases[][3] = {{1024, 200, 412}, {1023, 201, 411}, {4, 1, 2}, {639, 801, -81}, {-3, 0, -2}};
    for (const auto &c : cases)
        EXPECT_EQ(CenterOrigin(c[0], c[1]), c[2]) << "screen " << c[0] << " size " << c[1];
}
