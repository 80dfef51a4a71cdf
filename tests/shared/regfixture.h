// "Registry under test": one API over the registry a test may change, for tests that run in
// both builds. Natively it is the substitute registry, emptied at the start. Under Wine it is
// the real registry with HKEY_LOCAL_MACHINE redirected, for this process only, to a scratch key
// below HKEY_CURRENT_USER that is unique to the test and deleted at its end; the machine's own
// HKEY_LOCAL_MACHINE is never touched. Tests therefore work below HKEY_LOCAL_MACHINE only.
// Paths are relative to HKEY_LOCAL_MACHINE, separated by "\"; helpers walk them one key at a
// time, so paths longer than the ANSI calls accept can be seeded.
#pragma once
#include "common/platform.h"

#include <string>
#include <vector>

// Starts and ends a test's registry (natively also resets the substitute kernel's records).
// false when the scratch key could not be made or HKEY_LOCAL_MACHINE not redirected.
bool RegFixtureStart();
void RegFixtureStop();

// Creates the key and every missing key on the way. A class is given to the keys created;
// natively an existing key gets it too, under Wine that is not possible (false).
bool SeedKey(const std::string &path, const char *keyClass = nullptr);
// Stores a value (creating its key) with the type and the raw bytes given, nothing added.
bool SeedValue(const std::string &path, const std::string &name, DWORD type, const std::string &bytes);
// A REG_SZ value: the text and its terminating zero.
bool SeedText(const std::string &path, const std::string &name, const std::string &text);
// Makes the existing key grant KEY_READ only (natively the substitute's mark, under Wine an
// access list). Deleting the scratch tree still works afterwards.
bool MarkReadOnly(const std::string &path);
// Makes the existing key grant no reading at all: opening it for KEY_READ fails with 5. Give
// it no subkeys; deleting the scratch tree still works afterwards.
bool MarkUnreadable(const std::string &path);

// Reads a value's type and raw bytes; false when the key or value is missing.
bool ReadValue(const std::string &path, const std::string &name, DWORD *type, std::string *bytes);
bool KeyExists(const std::string &path);
// Names of the subkeys / values in enumeration order (empty when the key is missing).
std::vector<std::string> SubkeyNames(const std::string &path);
std::vector<std::string> ValueNames(const std::string &path);

// Key handles open in this process beyond the predefined roots; -1 where the platform cannot
// count them (Wine: no such count is available).
int OpenKeyCount();

// Guard bytes written after test buffers, so that an overflow fails the test.
const unsigned char GUARD_BYTE = 0xbd;
