#include "shared/regfixture.h"

#include <algorithm>

#ifdef _WIN32
#include <sddl.h>
#include <stdio.h>
#else
#include "substitute/subst_control.h"
#endif

// Opens the key one component at a time, with create making the missing ones; NULL on failure.
static HKEY WalkPath(const std::string &path, REGSAM rights, bool create = false, const char *keyClass = NULL)
{
    HKEY key = HKEY_LOCAL_MACHINE, next = NULL;
    if (path.empty())
        return RegOpenKeyExA(key, NULL, 0, rights, &next) == ERROR_SUCCESS ? next : NULL;
    for (size_t start = 0, end; start < path.size(); start = end + 1, key = next) {
        for (end = start; end < path.size() && path[end] != '\\';) // by characters: a trail byte can be 0x5C
            end = static_cast<size_t>(CharNextA(path.c_str() + end) - path.c_str());
        std::string part = path.substr(start, end - start);
        REGSAM wanted = create ? KEY_ALL_ACCESS : end == path.size() ? rights : KEY_READ;
        // Open first: re-creating an existing key without a class can wipe its class in Wine.
        LONG status = RegOpenKeyExA(key, part.c_str(), 0, wanted, &next);
        if (status != ERROR_SUCCESS && create)
            status = RegCreateKeyExA(key, part.c_str(), 0, const_cast<LPSTR>(keyClass), 0, wanted, NULL, &next, NULL);
        if (key != HKEY_LOCAL_MACHINE)
            RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return NULL;
    }
    return key;
}

// Runs act on the key at path (opened, or made with create) and closes it; false without a key.
template <typename Act> static bool OnKey(const std::string &path, REGSAM rights, bool create, Act act)
{
    HKEY key = WalkPath(path, rights, create);
    bool ok = key && act(key);
    return key && RegCloseKey(key) == ERROR_SUCCESS && ok;
}

static std::vector<std::string> EnumNames(const std::string &path, bool values)
{
    std::vector<std::string> names;
    char name[16384 + 1];
    OnKey(path, KEY_READ, false, [&](HKEY key) {
        for (DWORD i = 0, size = sizeof name;
             (values ? RegEnumValueA(key, i, name, &size, NULL, NULL, NULL, NULL) : RegEnumKeyA(key, i, name, size)) == 0;
             i++, size = sizeof name)
            names.push_back(name);
        return true;
    });
    return names;
}

#ifdef _WIN32
static HKEY Scratch;
static std::string ScratchPath;

static LONG DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    char child[1024];
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (DWORD i = 0; RegEnumKeyA(key, i, child, sizeof child) == ERROR_SUCCESS;)
            i += DeleteTree(key, child) != ERROR_SUCCESS; // could not delete it: go past it rather than loop forever
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name);
}

bool RegFixtureStart()
{
    static int count;
    char path[128];
    snprintf(path, sizeof path, "Software\\QtxTest\\reg-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), ++count);
    if (RegCreateKeyA(HKEY_CURRENT_USER, (ScratchPath = path).c_str(), &Scratch) != ERROR_SUCCESS)
        return Scratch = NULL, false;
    return RegOverridePredefKey(HKEY_LOCAL_MACHINE, Scratch) == ERROR_SUCCESS;
}

void RegFixtureStop()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(Scratch), Scratch = NULL; // NULL when the start failed: refused harmlessly
    DeleteTree(HKEY_CURRENT_USER, ScratchPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QtxTest"); // only when no other test still uses it
}

// Replaces the key's access list with one entry for everyone.
bool GrantOnly(const std::string &path, DWORD rights)
{
    char sddl[64];
    snprintf(sddl, sizeof sddl, "D:(A;;0x%lx;;;WD)", rights);
    PSECURITY_DESCRIPTOR sd = NULL;
    bool ok = ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, NULL) &&
              OnKey(path, KEY_ALL_ACCESS, false, [&](HKEY key) { return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == 0; });
    return LocalFree(sd), ok;
}

std::string RegFixtureScratch() { return ScratchPath; }
bool MarkReadOnly(const std::string &path) { return GrantOnly(path, KEY_READ); }
bool MarkUnreadable(const std::string &path) { return GrantOnly(path, DELETE); }
int OpenKeyCount() { return -1; }
#else
bool RegFixtureStart() { return SubstResetKernel(), SubstResetRegistry(), true; }
void RegFixtureStop() { SubstResetRegistry(); }
bool MarkReadOnly(const std::string &path) { return SubstRegSetReadOnly(HKEY_LOCAL_MACHINE, path.c_str(), true); }
bool MarkUnreadable(const std::string &path) { return SubstRegSetUnreadable(HKEY_LOCAL_MACHINE, path.c_str(), true); }
bool GrantOnly(const std::string &path, DWORD rights) { return SubstRegGrantOnly(HKEY_LOCAL_MACHINE, path.c_str(), rights); }
int OpenKeyCount() { return SubstRegOpenHandleCount(); }
#endif

bool SeedKey(const std::string &path, const char *keyClass)
{
    HKEY key = WalkPath(path, KEY_ALL_ACCESS, true, keyClass);
    return key && RegCloseKey(key) == ERROR_SUCCESS;
}

bool SeedValue(const std::string &path, const std::string &name, DWORD type, const std::string &bytes)
{
    // A non-zero byte after the data: Wine adds a string's zero when one follows the count.
    std::string buffer = bytes + static_cast<char>(GUARD_BYTE);
    return OnKey(path, KEY_ALL_ACCESS, true, [&](HKEY key) {
        return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(buffer.data()), DWORD(bytes.size())) == 0;
    });
}

bool SeedText(const std::string &path, const std::string &name, const std::string &text)
{
    return SeedValue(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

bool ReadValue(const std::string &path, const std::string &name, DWORD *type, std::string *bytes)
{
    return OnKey(path, KEY_READ, false, [&](HKEY key) {
        DWORD size = 65536;
        bytes->assign(size, '\0');
        return RegQueryValueExA(key, name.c_str(), NULL, type, reinterpret_cast<BYTE *>(&(*bytes)[0]), &size) == 0 &&
               (bytes->resize(size), true);
    });
}

std::vector<std::string> SubkeyNames(const std::string &path) { return EnumNames(path, false); }
std::vector<std::string> ValueNames(const std::string &path) { return EnumNames(path, true); }
