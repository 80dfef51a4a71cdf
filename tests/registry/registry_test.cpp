// The registry calls the product relies on, with the same expectations over the substitute
// (native) and Wine's registry; where the two differ on purpose the row says so.
#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>

namespace {

std::string Open(const char *path, REGSAM rights)
{
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, rights, &key);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    return std::to_string(status);
}

// RegEnumValueA of "Test"="foobar" with the buffer sizes given: status, size told, guards intact.
std::string EnumValue(DWORD nameBuffer, DWORD dataBuffer)
{
    DWORD nameSize = nameBuffer, dataSize = dataBuffer;
    HKEY key;
    char name[32];
    BYTE data[32];
    memset(name, GUARD_BYTE, sizeof name);
    memset(data, GUARD_BYTE, sizeof data);
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "V", 0, KEY_READ, &key);
    LONG status = RegEnumValueA(key, 0, name, &nameSize, NULL, NULL, data, &dataSize);
    RegCloseKey(key);
    bool guarded = static_cast<BYTE>(name[nameBuffer]) == GUARD_BYTE && data[dataBuffer] == GUARD_BYTE;
    return std::to_string(status) + " " + std::to_string(dataSize) + (guarded ? "" : " overrun");
}

using Registry = RegistryTest;

TEST_F(Registry, WhatTheProductReliesOn)
{
#ifdef _WIN32
    const std::string sorted = "_x|A|a_b|aab|b|C"; // Wine folds to lower case: "_" before letters
#else
    const std::string sorted = "A|aab|a_b|b|C|_x"; // Windows folds to upper case: "_" after letters
#endif
    const std::pair<std::function<std::string()>, std::string> rows[] = {
        {[] {
             for (const char *name : {"b", "_x", "A", "a_b", "aab", "C"})
                 SeedKey(std::string("K\\") + name), SeedText("K", name, "v");
             return Join(SubkeyNames("K")) + " " + Join(ValueNames("K"));
         }, sorted + " " + sorted},
        {[] { SeedKey("R"), MarkReadOnly("R"); return Open("R", KEY_ALL_ACCESS) + Open("R", KEY_READ) + Open("N", KEY_READ); },
         "502"},
        {[] { SeedKey("A\\B"); return std::to_string(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A")) + (KeyExists("A\\B") ? "1" : "0"); }, "51"},
        {[] {
             HKEY key;
             LONG status = RegCreateKeyA(HKEY_LOCAL_MACHINE, "X\\Y\\Z", &key);
             RegCloseKey(key);
             return std::to_string(status) + (KeyExists("X\\Y\\Z") ? "1" : "0");
         }, "01"},
        {[] {
             SeedKey("I", "MyClass"), SeedKey("I\\Sub"), SeedText("I", "Test", "foobar");
             SeedValue("I", "Binary", REG_BINARY, "0123456789");
             HKEY key;
             char keyClass[16];
             DWORD classSize = sizeof keyClass, subKeys, values, maxData;
             RegOpenKeyExA(HKEY_LOCAL_MACHINE, "I", 0, KEY_READ, &key);
             RegQueryInfoKeyA(key, keyClass, &classSize, NULL, &subKeys, NULL, NULL, &values, NULL, &maxData, NULL, NULL);
             RegCloseKey(key);
             // The longest data counts "foobar" and its zero as UTF-16, more than its 7 bytes.
             return std::string(keyClass) + " " + std::to_string(classSize) + " " + std::to_string(subKeys) + " " +
                    std::to_string(values) + " " + std::to_string(maxData);
         }, "MyClass 7 1 2 14"},
        {[] {
             SeedText("V", "Test", "foobar");
             return EnumValue(5, 7) + ", " + EnumValue(4, 20) + ", " + EnumValue(20, 6);
         }, "0 7, 234 7, 234 7"},
    };
    for (const auto &row : rows) {
        RegFixtureStop();
        ASSERT_TRUE(RegFixtureStart());
        EXPECT_EQ(row.first(), row.second);
        EXPECT_NO_OPEN_KEYS(row.second);
    }
#ifndef _WIN32
    HKEY key; // the count every other test relies on
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, NULL, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SubstRegOpenHandleCount(), 1);
    RegCloseKey(key);
    EXPECT_EQ(SubstRegOpenHandleCount(), 0);
#endif
}

} // namespace
