// GoogleTest side of the registry under test (shared/regfixture.h): a fixture that starts the
// registry before each test and ends it after, the open-handle check, and hint records as the
// tests seed and read them.
#pragma once
#include "shared/regfixture.h"

#include <gtest/gtest.h>

#include <map>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegFixtureStart()); }
    void TearDown() override { RegFixtureStop(); }
};

// Fails when an operation left a key open; checks nothing under Wine, which cannot count them.
#define EXPECT_NO_OPEN_KEYS(what)                                                    \
    do {                                                                             \
        int openKeys_ = OpenKeyCount();                                              \
        if (openKeys_ >= 0) {                                                        \
            EXPECT_EQ(openKeys_, 0) << "keys left open by " << (what);               \
        }                                                                            \
    } while (0)

const std::string PRODUCT_PATH = "SOFTWARE\\Quarnell\\Halvane";
const std::string HINTS_PATH = PRODUCT_PATH + "\\App hints";
inline std::string RecordPath(const std::string &name) { return HINTS_PATH + "\\" + name; }

// Value name -> text. A REG_SZ value holding its text and one terminating zero reads as the
// text; anything else as "#type:bytes" with zero bytes shown as "\0", so that a wrong type or
// byte count shows in the comparison.
typedef std::map<std::string, std::string> Values;

inline Values RecordValues(const std::string &name)
{
    Values values;
    for (const std::string &valueName : ValueNames(RecordPath(name))) {
        DWORD type = 0;
        std::string bytes, shown;
        ReadValue(RecordPath(name), valueName, &type, &bytes);
        if (type == REG_SZ && !bytes.empty() && bytes.find('\0') == bytes.size() - 1) {
            values[valueName] = bytes.substr(0, bytes.size() - 1);
            continue;
        }
        for (char c : bytes)
            shown += c ? std::string(1, c) : "\\0";
        values[valueName] = "#" + std::to_string(type) + ":" + shown;
    }
    return values;
}

// A record with REG_SZ values.
inline void SeedRecord(const std::string &name, const Values &values)
{
    EXPECT_TRUE(SeedKey(RecordPath(name))) << name;
    for (const auto &v : values)
        EXPECT_TRUE(SeedText(RecordPath(name), v.first, v.second)) << name << " " << v.first;
}
