// Conformance of the registry calls where the product can tell: the same expectations over the
// substitute (native) and over Wine's registry. Where the two differ on purpose the case says so.
#include "shared/regtest.h"

#ifndef _WIN32
#include "substitute/subst_control.h"
#endif

#include <cstring>

namespace {

const BYTE G = GUARD_BYTE;

struct Key {
    HKEY h = NULL;
    explicit Key(const char *path, REGSAM rights = KEY_READ) { RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, rights, &h); }
    ~Key() { RegCloseKey(h); }
};

using Registry = RegistryTest;

// Positions of records are enumeration order. Rights, case-blind lookups, multi-level creates
// and deletes through read-only parents are exercised in both builds by the store's tests.
TEST_F(Registry, EnumerationIsSortedWithoutRegardToCase)
{
    for (const char *name : {"b", "_x", "A", "a_b", "aab", "C"}) {
        ASSERT_TRUE(SeedKey(std::string("K\\") + name));
        ASSERT_TRUE(SeedText("K", name, "v"));
    }
#ifdef _WIN32
    const char *sorted = "_x|A|a_b|aab|b|C"; // Wine folds to lower case: "_" (0x5F) before letters
#else
    const char *sorted = "A|aab|a_b|b|C|_x"; // Windows folds to upper case: "_" after letters
#endif
    EXPECT_EQ(Join(SubkeyNames("K")), sorted);
    EXPECT_EQ(Join(ValueNames("K")), sorted);
    EXPECT_NO_OPEN_KEYS("walks");
}

TEST_F(Registry, DeleteRefusesAKeyWithSubkeys)
{
    ASSERT_TRUE(SeedKey("A\\B"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A\\Nope"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(KeyExists("A\\B"));
}

// The store reads a value's head and asks for its size; the browser sizes buffers by the
// enumeration. Nothing is ever written past the buffer given.
TEST_F(Registry, ValueReadsAndBufferSizes)
{
    ASSERT_TRUE(SeedText("V", "Test", "foobar"));
    Key v("V");
    struct Case {
        const char *what;
        bool enumerate;
        DWORD nameSize, dataSize;
        LONG expected;
        DWORD dataSizeAfter;
    };
    const Case cases[] = {
        {"query fits", false, 0, 7, ERROR_SUCCESS, 7},
        {"query one short", false, 0, 6, ERROR_MORE_DATA, 7},
        {"enumeration fits", true, 5, 7, ERROR_SUCCESS, 7},
        {"enumeration name one short", true, 4, 20, ERROR_MORE_DATA, 7},
        {"enumeration data one short", true, 20, 6, ERROR_MORE_DATA, 7},
    };
    for (const Case &c : cases) {
        char name[32];
        BYTE data[32];
        memset(name, G, sizeof name);
        memset(data, G, sizeof data);
        DWORD nameSize = c.nameSize, dataSize = c.dataSize, type = 1234;
        LONG status = c.enumerate ? RegEnumValueA(v.h, 0, name, &nameSize, NULL, &type, data, &dataSize)
                                  : RegQueryValueExA(v.h, "test", NULL, &type, data, &dataSize);
        EXPECT_EQ(status, c.expected) << c.what;
        EXPECT_EQ(dataSize, c.dataSizeAfter) << c.what;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << c.what;
        if (status == ERROR_SUCCESS) {
            EXPECT_STREQ(reinterpret_cast<char *>(data), "foobar") << c.what;
            EXPECT_TRUE(!c.enumerate || strcmp(name, "Test") == 0) << c.what;
        }
        // Wine copies part of the name and the data on an overflow, Windows leaves them: only
        // the bytes past the buffers are checked.
        EXPECT_EQ(data[c.dataSize], G) << c.what;
        EXPECT_TRUE(!c.enumerate || static_cast<BYTE>(name[c.nameSize]) == G) << c.what;
    }
    DWORD size = 0, nameSize = 32;
    char name[32];
    EXPECT_EQ(RegEnumValueA(v.h, 0, name, &nameSize, NULL, NULL, NULL, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u) << "size without a buffer";
    EXPECT_EQ(RegEnumValueA(v.h, 1, name, &nameSize, NULL, NULL, NULL, NULL), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegQueryValueExA(v.h, "Nope", NULL, NULL, NULL, &size), ERROR_FILE_NOT_FOUND);
    char key[8];
    EXPECT_EQ(RegEnumKeyA(v.h, 0, key, sizeof key), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, QueryInfoCountsAndLongest)
{
    ASSERT_TRUE(SeedKey("I", "MyClass"));
    ASSERT_TRUE(SeedKey("I\\Sub"));
    ASSERT_TRUE(SeedText("I", "Test", "foobar"));
    ASSERT_TRUE(SeedValue("I", "Binary", REG_BINARY, "0123456789"));
    Key k("I");
    char keyClass[260];
    memset(keyClass, G, sizeof keyClass);
    DWORD classSize = sizeof keyClass, subKeys, values, maxData;
    ASSERT_EQ(RegQueryInfoKeyA(k.h, keyClass, &classSize, NULL, &subKeys, NULL, NULL, &values, NULL, &maxData, NULL,
                               NULL), ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "MyClass");
    EXPECT_EQ(classSize, 7u);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(values, 2u);
    // The browser's data buffer: "foobar" and its zero counted as UTF-16, more than the 7 bytes.
    EXPECT_EQ(maxData, 14u);
}

#ifndef _WIN32
// Where the substitute follows Windows rather than Wine, and its handle count.
TEST_F(Registry, SubstituteFollowsWindowsWhereWineDiffers)
{
    ASSERT_TRUE(SeedKey("W"));
    HKEY key, a, b;
    {
        Key read("W");
        EXPECT_EQ(RegCreateKeyA(read.h, "New", &key), ERROR_ACCESS_DENIED) << "needs KEY_CREATE_SUB_KEY";
        EXPECT_FALSE(KeyExists("W\\New"));
    }
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "Counted", 0, REG_SZ, reinterpret_cast<const BYTE *>("ab"), 2), ERROR_SUCCESS);
    std::string bytes;
    EXPECT_TRUE(ReadValue("", "Counted", nullptr, &bytes) && bytes == "ab") << "stored as counted, no zero added";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "W", 0, KEY_READ, &a), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(a, NULL, 0, KEY_READ, &b), ERROR_SUCCESS);
    EXPECT_EQ(SubstRegOpenHandleCount(), 2);
    RegCloseKey(a);
    EXPECT_EQ(SubstRegOpenHandleCount(), 1);
    RegCloseKey(b);
    EXPECT_EQ(SubstRegOpenHandleCount(), 0);
}

// Kept registries hold their keys and open handles apart; only writes move the change count.
TEST_F(Registry, SelectedRegistriesStayApart)
{
    ASSERT_TRUE(SeedKey("InFirst", ""));
    HKEY first;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "InFirst", 0, KEY_READ, &first), 0);
    SubstRegSelect(7);
    EXPECT_FALSE(KeyExists("InFirst")) << "a registry never selected starts empty";
    EXPECT_EQ(SubstRegOpenHandleCount(), 0) << "handles belong to their registry";
    uint64_t changes = SubstRegChangeCount();
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "InSecond", &key), 0);
    RegCloseKey(key);
    EXPECT_GT(SubstRegChangeCount(), changes) << "a created key is a change";
    changes = SubstRegChangeCount();
    EXPECT_TRUE(KeyExists("InSecond"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "InSecond", 0, KEY_READ, &key), 0);
    RegCloseKey(key);
    EXPECT_EQ(SubstRegChangeCount(), changes) << "reading is no change";
    SubstRegSelect(0);
    EXPECT_TRUE(KeyExists("InFirst"));
    EXPECT_FALSE(KeyExists("InSecond"));
    EXPECT_EQ(SubstRegOpenHandleCount(), 1) << "the handle opened before is still there";
    EXPECT_EQ(RegCloseKey(first), 0);
    SubstRegSelect(7);
    EXPECT_TRUE(KeyExists("InSecond")) << "kept while not selected";
    SubstResetRegistry();
    SubstRegSelect(0);
}
#endif

} // namespace
