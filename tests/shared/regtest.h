// GoogleTest side of the registry under test: the fixture, the open-key check and hint records.
#pragma once
#include "shared/regfixture.h"

#include <gtest/gtest.h>

#include <map>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegFixtureStart()); }
    void TearDown() override { RegFixtureStop(); }
};

// Checks nothing under Wine, which cannot count open keys.
#define EXPECT_NO_OPEN_KEYS(what) EXPECT_LE(OpenKeyCount(), 0) << "keys left open by " << (what)

const std::string PRODUCT_PATH = "SOFTWARE\\Quarnell\\Halvane";
const std::string HINTS_PATH = PRODUCT_PATH + "\\App hints";
inline std::string RecordPath(const std::string &name) { return HINTS_PATH + "\\" + name; }

// Value name -> text; anything but REG_SZ text with one zero reads "#type:bytes" (zeros as "\0").
typedef std::map<std::string, std::string> Values;

inline Values RecordValues(const std::string &name)
{
    Values values;
    for (const std::string &valueName : ValueNames(RecordPath(name))) {
        DWORD type = 0;
        std::string bytes, shown;
        ReadValue(RecordPath(name), valueName, &type, &bytes);
        for (char c : bytes)
            shown += c ? std::string(1, c) : "\\0";
        bool text = type == REG_SZ && !bytes.empty() && bytes.find('\0') == bytes.size() - 1;
        values[valueName] = text ? bytes.substr(0, bytes.size() - 1) : "#" + std::to_string(type) + ":" + shown;
    }
    return values;
}

inline void SeedRecord(const std::string &name, const Values &values)
{
    EXPECT_TRUE(SeedKey(RecordPath(name))) << name;
    for (const auto &v : values)
        EXPECT_TRUE(SeedText(RecordPath(name), v.first, v.second)) << name << " " << v.first;
}

// Every record with its values, "Name{Value=text,...} ...", after "! " when AppHintsKey itself holds values.
inline std::string Records()
{
    std::vector<std::string> records;
    for (const std::string &name : SubkeyNames(HINTS_PATH)) {
        std::vector<std::string> values;
        for (const auto &v : RecordValues(name))
            values.push_back(v.first + "=" + v.second);
        records.push_back(name + "{" + Join(values, ",") + "}");
    }
    return (ValueNames(HINTS_PATH).empty() ? "" : "! ") + Join(records, " ");
}
