// GoogleTest side of the registry under test (shared/regfixture.h): a fixture that starts the
// registry before each test and ends it after, and the open-handle check.
#pragma once
#include "shared/regfixture.h"

#include <gtest/gtest.h>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegFixtureStart()); }
    void TearDown() override { RegFixtureStop(); }
};

// Fails when an operation left a key open; passes without checking under Wine, where open
// handles cannot be counted.
#define EXPECT_NO_OPEN_KEYS(what)                                                  \
    do {                                                                           \
        int openKeys_ = OpenKeyCount();                                            \
        if (openKeys_ >= 0) {                                                      \
            EXPECT_EQ(openKeys_, 0) << "keys left open by " << (what);             \
        }                                                                          \
    } while (0)
