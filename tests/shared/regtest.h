// GoogleTest side of the registry under test: the fixture, the open-key check and hint records.
#pragma once
#include "shared/regfixture.h"

#include <gtest/gtest.h>

#include <map>

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegFixtureStart()); }
    void TearDown() override { RegFixtureStop(); }
    void Restart() { RegFixtureStop(), RegFixtureStart(); }
};

// Checks nothing under Wine, which cannot count open keys.
#define EXPECT_NO_OPEN_KEYS(what) EXPECT_LE(OpenKeyCount(), 0) << "keys left open by " << (what)

const std::string PRODUCT_PATH = "SOFTWARE\\Quarnell\\Halvane", HINTS_PATH = PRODUCT_PATH + "\\App hints";
inline std::string RecordPath(const std::string &name) { return HINTS_PATH + "\\" + name; }

typedef std::map<std::string, std::string> Values; // value name -> REG_SZ text
inline void SeedRecord(const std::string &name, const Values &values)
{
    EXPECT_TRUE(SeedKey(RecordPath(name))) << name;
    for (const auto &v : values)
        EXPECT_TRUE(SeedText(RecordPath(name), v.first, v.second)) << name << " " << v.first;
}

// The records (all, or the one named) as "Name{Value=text,...} ...", after "! " when AppHintsKey
// itself holds values; anything but REG_SZ text with one zero reads "#type:bytes" (zeros as "\0").
inline std::string Records(const std::string &only = "")
{
    std::vector<std::string> records;
    for (const std::string &name : only.empty() ? SubkeyNames(HINTS_PATH) : std::vector<std::string>{only}) {
        std::map<std::string, std::string> values;
        for (const std::string &valueName : ValueNames(RecordPath(name))) {
            DWORD type = 0;
            std::string bytes, shown;
            ReadValue(RecordPath(name), valueName, &type, &bytes);
            for (char c : bytes)
                shown += c ? std::string(1, c) : "\\0";
            bool text = type == REG_SZ && !bytes.empty() && bytes.find('\0') == bytes.size() - 1;
            values[valueName] = text ? bytes.substr(0, bytes.size() - 1) : "#" + std::to_string(type) + ":" + shown;
        }
        std::vector<std::string> listed;
        for (const auto &v : values)
            listed.push_back(v.first + "=" + v.second);
        records.push_back(name + "{" + Join(listed, ",") + "}");
    }
    return (ValueNames(HINTS_PATH).empty() ? "" : "! ") + Join(records, " ");
}
