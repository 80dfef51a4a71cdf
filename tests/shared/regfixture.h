// The registry under test, for tests that run in both builds. Natively it is the substitute
// registry, emptied at the start. Under Wine it is the real registry with HKEY_LOCAL_MACHINE
// redirected, for this process only, to a scratch key below HKEY_CURRENT_USER that is deleted at
// the end; the machine's own HKEY_LOCAL_MACHINE is never touched. Paths are relative to
// HKEY_LOCAL_MACHINE and walked one key at a time, so paths longer than the ANSI calls accept
// can be seeded.
#pragma once
#include "common/platform.h"

#include <string>
#include <vector>

// Natively the start also resets the substitute kernel's records. false on failure.
bool RegFixtureStart();
void RegFixtureStop();

// Creates the key and every missing key on the way, giving the keys it creates the class.
bool SeedKey(const std::string &path, const char *keyClass = nullptr);
// Stores a value (creating its key) with the type and exactly the raw bytes given.
bool SeedValue(const std::string &path, const std::string &name, DWORD type, const std::string &bytes);
// A REG_SZ value: the text and its terminating zero.
bool SeedText(const std::string &path, const std::string &name, const std::string &text);
// The existing key grants KEY_READ only / no reading at all (opening it fails with 5). Deleting
// the scratch tree still works afterwards.
bool MarkReadOnly(const std::string &path);
bool MarkUnreadable(const std::string &path);

// A value's type and raw bytes; false when the key or the value is missing.
bool ReadValue(const std::string &path, const std::string &name, DWORD *type, std::string *bytes);
bool KeyExists(const std::string &path);
// Names in enumeration order (empty when the key is missing).
std::vector<std::string> SubkeyNames(const std::string &path);
std::vector<std::string> ValueNames(const std::string &path);

// Key handles open beyond the predefined roots; -1 under Wine, which cannot count them.
int OpenKeyCount();

inline std::string Join(const std::vector<std::string> &items, const char *separator = "|")
{
    std::string all;
    for (size_t i = 0; i < items.size(); i++)
        all += (i ? separator : "") + items[i];
    return all;
}

// Written after test buffers, so that an overflow fails the test.
const unsigned char GUARD_BYTE = 0xbd;
