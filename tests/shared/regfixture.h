// The registry under test of both builds: natively the substitute, emptied at the start; under Wine HKEY_LOCAL_MACHINE
// redirected, for this process only, to a scratch key below HKEY_CURRENT_USER deleted at the end. Paths are relative to
// HKEY_LOCAL_MACHINE and walked a key at a time, so paths longer than the ANSI calls take can be seeded.
#pragma once
#include "common/platform.h"

#include <string>
#include <vector>

bool RegFixtureStart(); // natively also resets the substitute kernel
void RegFixtureStop();
std::string RegFixtureScratch(); // under Wine: the path below HKEY_CURRENT_USER that other processes see

bool SeedKey(const std::string &path, const char *keyClass = nullptr); // with every missing key on the way
bool SeedValue(const std::string &path, const std::string &name, DWORD type, const std::string &bytes);
bool SeedText(const std::string &path, const std::string &name, const std::string &text); // REG_SZ with its zero
// The key grants KEY_READ only / no reading at all / exactly these rights (an access list with one
// entry for everyone); the scratch tree still deletes.
bool MarkReadOnly(const std::string &path);
bool GrantOnly(const std::string &path, DWORD rights);
bool MarkUnreadable(const std::string &path);

bool ReadValue(const std::string &path, const std::string &name, DWORD *type, std::string *bytes);
std::vector<std::string> SubkeyNames(const std::string &path); // enumeration order
std::vector<std::string> ValueNames(const std::string &path);
int OpenKeyCount(); // key handles open beyond the roots; -1 under Wine, which cannot count them

inline std::string Join(const std::vector<std::string> &items, const char *separator = "|")
{
    std::string all;
    for (size_t i = 0; i < items.size(); i++)
        all += (i ? separator : "") + items[i];
    return all;
}

const unsigned char GUARD_BYTE = 0xbd; // written after test buffers
