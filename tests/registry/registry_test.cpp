// Conformance of the registry calls: the same expectations over the substitute (native) and over
// Wine's registry. Where the two differ on purpose the case says so and checks each side.
#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>
#include <string>
#include <vector>

namespace {

const BYTE G = GUARD_BYTE;

struct Key {
    HKEY h = NULL;
    explicit Key(const char *path, REGSAM rights = KEY_ALL_ACCESS)
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, rights, &h) != ERROR_SUCCESS)
            h = NULL;
    }
    ~Key()
    {
        if (h)
            RegCloseKey(h);
    }
};

using Registry = RegistryTest;

TEST_F(Registry, EnumerationIsSortedWithoutRegardToCase)
{
    for (const char *name : {"b", "_x", "A", "a_b", "aab", "C"})
        ASSERT_TRUE(SeedKey(std::string("K\\") + name));
    for (const char *name : {"b", "_x", "A", "a_b", "aab", "C"})
        ASSERT_TRUE(SeedText("K", name, "v"));
#ifdef _WIN32
    // Wine folds to lower case, so "_" (0x5F) sorts before every letter.
    const std::vector<std::string> sorted = {"_x", "A", "a_b", "aab", "b", "C"};
#else
    // Windows folds to upper case, so "_" (0x5F) sorts after every letter.
    const std::vector<std::string> sorted = {"A", "aab", "a_b", "b", "C", "_x"};
#endif
    EXPECT_EQ(SubkeyNames("K"), sorted);
    EXPECT_EQ(SubkeyNames("K"), sorted) << "second walk";
    EXPECT_EQ(ValueNames("K"), sorted);
    EXPECT_NO_OPEN_KEYS("walks");
}

TEST_F(Registry, NamesMatchWithoutRegardToCaseAndKeepTheirCase)
{
    ASSERT_TRUE(SeedText("Key\\Sub", "Value", "1"));
    ASSERT_TRUE(SeedText("KEY\\SUB", "VALUE", "2"));
    EXPECT_EQ(SubkeyNames("key"), std::vector<std::string>{"Sub"});
    EXPECT_EQ(ValueNames("key\\sub"), std::vector<std::string>{"Value"});
    std::string bytes;
    ASSERT_TRUE(ReadValue("kEy\\sUb", "vALUE", nullptr, &bytes));
    EXPECT_EQ(bytes, std::string("2", 2));
}

TEST_F(Registry, OpenAndCloseResults)
{
    ASSERT_TRUE(SeedKey("A\\B\\C"));
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    struct Case {
        const char *what;
        HKEY root;
        const char *path;
        LONG expected;
    };
    std::string longPath;
    while (longPath.size() < 261)
        longPath += "A\\";
    const Case cases[] = {
        {"three levels", HKEY_LOCAL_MACHINE, "A\\B\\C", ERROR_SUCCESS},
        {"trailing separator", HKEY_LOCAL_MACHINE, "a\\b\\c\\", ERROR_SUCCESS},
        {"doubled separator", HKEY_LOCAL_MACHINE, "A\\\\B", ERROR_SUCCESS},
        {"empty path", HKEY_LOCAL_MACHINE, "", ERROR_SUCCESS},
        {"missing", HKEY_LOCAL_MACHINE, "A\\Nope", ERROR_FILE_NOT_FOUND},
        {"leading separator", HKEY_LOCAL_MACHINE, "\\A", ERROR_BAD_PATHNAME},
        {"unknown handle", bogus, "A", ERROR_INVALID_HANDLE},
        {"over 260 characters", HKEY_LOCAL_MACHINE, longPath.c_str(), ERROR_MORE_DATA},
    };
    for (const Case &c : cases) {
        HKEY key = NULL;
        LONG status = RegOpenKeyExA(c.root, c.path, 0, KEY_READ, &key);
        EXPECT_EQ(status, c.expected) << c.what;
        if (status == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << c.what;
        }
    }
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS, HKEY_CLASSES_ROOT})
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS) << "predefined root " << root;
    EXPECT_NO_OPEN_KEYS("opens");
}

TEST_F(Registry, CreateMakesEveryKeyOnTheWay)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "P\\Q\\R\\", &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2), ERROR_SUCCESS)
        << "RegCreateKeyA grants full access";
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames("P\\Q"), std::vector<std::string>{"R"});
    EXPECT_EQ(ValueNames("P\\Q\\R"), std::vector<std::string>{"v"});
    EXPECT_NO_OPEN_KEYS("create");
}

TEST_F(Registry, HandlesCarryTheirRights)
{
    ASSERT_TRUE(SeedText("RO", "v", "1"));
    ASSERT_TRUE(SeedKey("RO\\Child"));
    ASSERT_TRUE(MarkReadOnly("RO"));
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "RO", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    {
        Key ro("RO", KEY_READ);
        ASSERT_NE(ro.h, (HKEY)NULL);
        EXPECT_EQ(RegSetValueExA(ro.h, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("0"), 2), ERROR_ACCESS_DENIED);
        char name[16];
        EXPECT_EQ(RegEnumKeyA(ro.h, 0, name, sizeof name), ERROR_SUCCESS);
    }
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "RO", &key), ERROR_SUCCESS) << "opens what the key grants";
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("0"), 2), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    {
        Key setOnly("RO\\Child", KEY_SET_VALUE);
        ASSERT_NE(setOnly.h, (HKEY)NULL);
        char name[16];
        DWORD size = sizeof name;
        EXPECT_EQ(RegEnumValueA(setOnly.h, 0, name, &size, NULL, NULL, NULL, NULL), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegEnumKeyA(setOnly.h, 0, name, sizeof name), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegQueryValueExA(setOnly.h, "v", NULL, NULL, NULL, NULL), ERROR_ACCESS_DENIED);
    }
    EXPECT_NO_OPEN_KEYS("rights");
}

TEST_F(Registry, DeleteRefusesKeysWithSubkeys)
{
    ASSERT_TRUE(SeedKey("D\\E"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "D"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "D\\Nope"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, NULL), ERROR_INVALID_PARAMETER);
    {
        Key read("D", KEY_READ);
        Key held("D\\E");
        EXPECT_EQ(RegDeleteKeyA(read.h, "e"), ERROR_SUCCESS) << "the parent handle's rights do not matter";
        EXPECT_EQ(RegSetValueExA(held.h, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2), ERROR_KEY_DELETED);
        EXPECT_EQ(RegQueryValueExA(held.h, "v", NULL, NULL, NULL, NULL), ERROR_KEY_DELETED);
    }
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "D"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists("D"));
    EXPECT_NO_OPEN_KEYS("deletes");
}

TEST_F(Registry, EnumKeyBuffersAndEnd)
{
    ASSERT_TRUE(SeedKey("K\\Name"));
    Key k("K", KEY_READ);
    struct Case {
        DWORD size;
        LONG expected;
    };
    for (const Case &c : {Case{4, ERROR_MORE_DATA}, Case{5, ERROR_SUCCESS}, Case{260, ERROR_SUCCESS}}) {
        char name[261];
        memset(name, G, sizeof name);
        EXPECT_EQ(RegEnumKeyA(k.h, 0, name, c.size), c.expected) << "size " << c.size;
        if (c.expected == ERROR_SUCCESS) {
            EXPECT_STREQ(name, "Name") << "size " << c.size;
        }
        EXPECT_EQ(static_cast<BYTE>(name[c.size]), G) << "size " << c.size;
    }
    char name[8];
    EXPECT_EQ(RegEnumKeyA(k.h, 1, name, sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, EnumValueBuffersLikeWindows)
{
    ASSERT_TRUE(SeedText("V", "Test", "foobar"));
    Key v("V", KEY_READ);
    struct Case {
        const char *what;
        DWORD nameSize, dataSize;
        LONG expected;
        DWORD nameSizeAfter, dataSizeAfter;
        bool nameFilled, dataFilled;
    };
    const Case cases[] = {
        {"name 3 of 5", 3, 20, ERROR_MORE_DATA, 3, 7, false, false},
        {"name 4 of 5", 4, 20, ERROR_MORE_DATA, 4, 7, false, false},
        {"data 2 of 7", 20, 2, ERROR_MORE_DATA, 20, 7, false, false},
        {"both fit", 5, 7, ERROR_SUCCESS, 4, 7, true, true},
    };
    for (const Case &c : cases) {
        char name[32];
        BYTE data[32];
        memset(name, G, sizeof name);
        memset(data, G, sizeof data);
        DWORD nameSize = c.nameSize, dataSize = c.dataSize, type = 1234;
        EXPECT_EQ(RegEnumValueA(v.h, 0, name, &nameSize, NULL, &type, data, &dataSize), c.expected) << c.what;
        EXPECT_EQ(nameSize, c.nameSizeAfter) << c.what;
        EXPECT_EQ(dataSize, c.dataSizeAfter) << c.what;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << c.what;
        if (c.nameFilled) {
            EXPECT_STREQ(name, "Test") << c.what;
        }
        if (c.dataFilled) {
            EXPECT_STREQ(reinterpret_cast<char *>(data), "foobar") << c.what;
        }
        // Wine copies part of the name and the data on an overflow; Windows and the substitute
        // leave them, so only the bytes past the buffers are checked here.
        EXPECT_EQ(static_cast<BYTE>(name[c.nameSize]), G) << c.what;
        if (c.expected == ERROR_SUCCESS || c.dataSize < 7) {
            EXPECT_EQ(data[c.dataSize], G) << c.what;
        }
    }
    char name[32];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(v.h, 1, name, &nameSize, NULL, NULL, NULL, NULL), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(nameSize, static_cast<DWORD>(sizeof name));
    BYTE data[8];
    EXPECT_EQ(RegEnumValueA(v.h, 0, name, &nameSize, NULL, NULL, data, NULL), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, QueryValueSizesAndTerminators)
{
    ASSERT_TRUE(SeedValue("V", "NoZero", REG_SZ, "abc"));
    ASSERT_TRUE(SeedValue("V", "", REG_BINARY, std::string("\1\2\3", 3)));
    Key v("V", KEY_READ);
    struct Case {
        const char *what;
        const char *name;
        DWORD size;
        LONG expected;
        DWORD sizeAfter;
        std::string filled;  // bytes expected at the start of the buffer, zero-fill included
    };
    const Case cases[] = {
        {"string with room gets a zero", "NoZero", 10, ERROR_SUCCESS, 3, std::string("abc\0", 4)},
        {"string filling the buffer", "NoZero", 3, ERROR_SUCCESS, 3, "abc"},
        {"string too long", "NoZero", 2, ERROR_MORE_DATA, 3, std::string(2, static_cast<char>(G))},
        {"default value", "", 3, ERROR_SUCCESS, 3, "\1\2\3"},
        {"missing", "Nope", 3, ERROR_FILE_NOT_FOUND, 3, std::string(3, static_cast<char>(G))},
    };
    for (const Case &c : cases) {
        BYTE data[16];
        memset(data, G, sizeof data);
        DWORD size = c.size;
        EXPECT_EQ(RegQueryValueExA(v.h, c.name, NULL, NULL, data, &size), c.expected) << c.what;
        EXPECT_EQ(size, c.sizeAfter) << c.what;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), c.filled.size()), c.filled) << c.what;
        EXPECT_EQ(data[std::max<size_t>(c.size, c.filled.size())], G) << c.what;
    }
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(v.h, "NoZero", NULL, NULL, NULL, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    BYTE data[4];
    EXPECT_EQ(RegQueryValueExA(v.h, "NoZero", NULL, NULL, data, NULL), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, QueryInfoCountsAndLongest)
{
    ASSERT_TRUE(SeedKey("I", "MyClass"));
    ASSERT_TRUE(SeedKey("I\\Sub", "LongerClassName"));
    ASSERT_TRUE(SeedKey("I\\Su"));
    ASSERT_TRUE(SeedText("I", "Test", "foobar"));
    ASSERT_TRUE(SeedValue("I", "Binary", REG_BINARY, "0123456789"));
    ASSERT_TRUE(SeedValue("I", "", REG_DWORD, std::string(4, '\0')));
    Key k("I", KEY_READ);
    DWORD subKeys, maxSubKey, maxClass, values, maxValueName, maxData;
    ASSERT_EQ(RegQueryInfoKeyA(k.h, NULL, NULL, NULL, &subKeys, &maxSubKey, &maxClass, &values, &maxValueName,
                               &maxData, NULL, NULL), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 3u);
    EXPECT_EQ(maxClass, 15u);
    EXPECT_EQ(values, 3u);
    EXPECT_EQ(maxValueName, 6u);
    EXPECT_EQ(maxData, 14u) << "\"foobar\" and its zero counted as UTF-16";

    struct Case {
        const char *what;
        bool buffer;
        DWORD size;
        LONG expected;
        DWORD sizeAfter;
        const char *text;
    };
    const Case cases[] = {
        {"fits", true, 8, ERROR_SUCCESS, 7, "MyClass"},
        {"length only", false, 0, ERROR_SUCCESS, 7, nullptr},
        {"buffer of size 0", true, 0, ERROR_SUCCESS, 7, nullptr},
#ifndef _WIN32
        // Wine copies part of the class and gives the length of that part.
        {"one short", true, 7, ERROR_MORE_DATA, 7, nullptr},
#endif
    };
    for (const Case &c : cases) {
        char keyClass[16];
        memset(keyClass, G, sizeof keyClass);
        DWORD size = c.size;
        EXPECT_EQ(RegQueryInfoKeyA(k.h, c.buffer ? keyClass : NULL, &size, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                                   NULL, NULL), c.expected) << c.what;
        EXPECT_EQ(size, c.sizeAfter) << c.what;
        if (c.text) {
            EXPECT_STREQ(keyClass, c.text) << c.what;
        } else {
            EXPECT_EQ(static_cast<BYTE>(keyClass[0]), G) << c.what;
        }
        EXPECT_EQ(static_cast<BYTE>(keyClass[c.size]), G) << c.what;
    }
    char keyClass[4];
    DWORD size = sizeof keyClass;
    EXPECT_EQ(RegQueryInfoKeyA(k.h, keyClass, &size, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), ERROR_MORE_DATA)
        << "class does not fit";
    EXPECT_EQ(RegQueryInfoKeyA(k.h, keyClass, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
              ERROR_INVALID_PARAMETER);
}

#ifndef _WIN32
// Where the substitute follows Windows rather than Wine, and its own test controls.
TEST_F(Registry, SubstituteFollowsWindowsWhereWineDiffers)
{
    ASSERT_TRUE(SeedKey("W", "Kept"));
    {
        HKEY key;
        Key read("W", KEY_READ);
        EXPECT_EQ(RegCreateKeyA(read.h, "New", &key), ERROR_ACCESS_DENIED) << "needs KEY_CREATE_SUB_KEY";
        EXPECT_FALSE(KeyExists("W\\New"));
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "W", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), ERROR_SUCCESS);
        RegCloseKey(key);
        char keyClass[8];
        DWORD size = sizeof keyClass;
        EXPECT_EQ(RegQueryInfoKeyA(read.h, keyClass, &size, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), 0);
        EXPECT_STREQ(keyClass, "Kept") << "a class-less create keeps the class";
        EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "Counted", 0, REG_SZ, reinterpret_cast<const BYTE *>("ab"), 2), 0);
        std::string bytes;
        ASSERT_TRUE(ReadValue("", "Counted", nullptr, &bytes));
        EXPECT_EQ(bytes, "ab") << "stored as counted, no terminator added";
    }
    ASSERT_TRUE(MarkReadOnly("W"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "W"), ERROR_ACCESS_DENIED) << "a read-only key grants no DELETE";
    HKEY a, b;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "W", 0, KEY_READ, &a), 0);
    ASSERT_EQ(RegOpenKeyExA(a, NULL, 0, KEY_READ, &b), 0);
    EXPECT_EQ(SubstRegOpenHandleCount(), 2);
    RegCloseKey(a);
    EXPECT_EQ(SubstRegOpenHandleCount(), 1);
    RegCloseKey(b);
    EXPECT_EQ(SubstRegOpenHandleCount(), 0);
}
#endif

} // namespace
