// What the template checks still take from the old dialog helpers; goes with them.
#pragma once
#include "shared/regtest.h"

struct ScratchRegistry {
    ScratchRegistry() { EXPECT_TRUE(RegFixtureStart() && SeedKey(PRODUCT_PATH)); }
    ~ScratchRegistry() { RegFixtureStop(); }
};
