// The registry calls the product relies on, expected alike of the substitute and Wine's registry but where a row says.
#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>

namespace {

std::string S(long n) { return std::to_string(n) + " "; }

std::string Open(const char *path, REGSAM rights)
{
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, rights, &key);
    return S(status == ERROR_SUCCESS ? (RegCloseKey(key), status) : status);
}

// RegEnumValueA of V's only value "Test"="foobar": status and size told; "overrun" past a buffer.
std::string EnumValue(DWORD nameBuffer, DWORD dataBuffer)
{
    HKEY key;
    char name[32];
    BYTE data[32];
    memset(name, GUARD_BYTE, sizeof name), memset(data, GUARD_BYTE, sizeof data);
    DWORD nameSize = nameBuffer, dataSize = dataBuffer;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "V", 0, KEY_READ, &key);
    LONG status = RegEnumValueA(key, 0, name, &nameSize, NULL, NULL, data, &dataSize);
    RegCloseKey(key);
    return S(status) + S(dataSize) + (name[nameBuffer] == char(GUARD_BYTE) && data[dataBuffer] == GUARD_BYTE ? "" : "overrun ");
}

TEST_F(RegistryTest, WhatTheProductReliesOn)
{
    // Wine (which counts no open keys) folds names to lower case, "_" before letters; Windows to upper case, "_" after.
    const std::string sorted = OpenKeyCount() < 0 ? "_x|A|a_b|aab|b|C" : "A|aab|a_b|b|C|_x";
    const std::pair<std::string (*)(), std::string> rows[] = {
        {[] {
             for (const char *name : {"b", "_x", "A", "a_b", "aab", "C"})
                 SeedKey(std::string("K\\") + name), SeedText("K", name, "v");
             return Join(SubkeyNames("K")) + " " + Join(ValueNames("K"));
         }, sorted + " " + sorted},
        // Rights held by a read-only key; a missing key; delete refuses subkeys; create makes the way.
        {[] {
             HKEY key;
             SeedKey("R"), MarkReadOnly("R"), SeedKey("A\\B");
             std::string said = Open("R", KEY_ALL_ACCESS) + Open("R", KEY_READ) + Open("N", KEY_READ) +
                                S(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A")) + S(RegCreateKeyA(HKEY_LOCAL_MACHINE, "X\\Y\\Z", &key));
             RegCloseKey(key);
             return said + S(KeyExists("A\\B")) + S(KeyExists("X\\Y\\Z"));
         }, "5 0 2 5 0 1 1 "},
        {[] { // the longest data counts "foobar" and its zero as UTF-16, more than its 7 bytes
             SeedKey("I", "MyClass"), SeedKey("I\\Sub"), SeedText("I", "Test", "foobar"), SeedValue("I", "Binary", REG_BINARY, "0123456789");
             HKEY key;
             char keyClass[16];
             DWORD classSize = sizeof keyClass, subKeys, values, maxData;
             RegOpenKeyExA(HKEY_LOCAL_MACHINE, "I", 0, KEY_READ, &key);
             RegQueryInfoKeyA(key, keyClass, &classSize, NULL, &subKeys, NULL, NULL, &values, NULL, &maxData, NULL, NULL);
             RegCloseKey(key);
             return std::string(keyClass) + " " + S(classSize) + S(subKeys) + S(values) + S(maxData);
         }, "MyClass 7 1 2 14 "},
        {[] { return SeedText("V", "Test", "foobar"), EnumValue(5, 7) + EnumValue(4, 20) + EnumValue(20, 6); },
         "0 7 234 7 234 7 "},
    };
    for (const auto &row : rows) {
        Restart();
        EXPECT_EQ(row.first(), row.second);
        EXPECT_NO_OPEN_KEYS(row.second);
    }
#ifndef _WIN32
    HKEY key; // the count every other test relies on
    EXPECT_EQ((RegOpenKeyExA(HKEY_LOCAL_MACHINE, NULL, 0, KEY_READ, &key), SubstRegOpenHandleCount()), 1);
    EXPECT_EQ((RegCloseKey(key), SubstRegOpenHandleCount()), 0);
#endif
}

} // namespace
