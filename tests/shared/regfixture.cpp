#include "shared/regfixture.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <aclapi.h>
#include <stdio.h>
#else
#include "substitute/subst_control.h"
#endif

namespace {

std::vector<std::string> SplitPath(const std::string &path)
{
    std::vector<std::string> parts;
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
    }
    return parts;
}

// Opens the key at path one component at a time, or with create makes the missing ones (with
// keyClass); NULL on failure. The caller closes it.
HKEY WalkPath(const std::string &path, REGSAM rights, bool create = false, const char *keyClass = NULL)
{
    std::vector<std::string> parts = SplitPath(path);
    HKEY key = HKEY_LOCAL_MACHINE;
    if (parts.empty()) {
        HKEY self;
        return RegOpenKeyExA(key, NULL, 0, rights, &self) == ERROR_SUCCESS ? self : NULL;
    }
    for (size_t i = 0; i < parts.size(); i++) {
        REGSAM wanted = create ? KEY_ALL_ACCESS : i + 1 == parts.size() ? rights : KEY_READ;
        HKEY next;
        // Open first: re-creating an existing key without a class can wipe its class in Wine.
        LONG status = RegOpenKeyExA(key, parts[i].c_str(), 0, wanted, &next);
        if (status != ERROR_SUCCESS && create)
            status = RegCreateKeyExA(key, parts[i].c_str(), 0, const_cast<LPSTR>(keyClass), REG_OPTION_NON_VOLATILE,
                                     wanted, NULL, &next, NULL);
        if (key != HKEY_LOCAL_MACHINE)
            RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return NULL;
        key = next;
    }
    return key;
}

std::vector<std::string> EnumNames(const std::string &path, bool values)
{
    std::vector<std::string> names;
    HKEY key = WalkPath(path, KEY_READ);
    if (!key)
        return names;
    for (DWORD i = 0;; i++) {
        char name[16384 + 1];
        DWORD size = sizeof name;
        LONG status = values ? RegEnumValueA(key, i, name, &size, NULL, NULL, NULL, NULL)
                             : RegEnumKeyA(key, i, name, sizeof name);
        if (status != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

#ifdef _WIN32
HKEY Scratch;
std::string ScratchPath;
int ScratchCount;

void DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char child[1024];
        while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) {
            DeleteTree(key, child);
            char again[1024];
            if (RegEnumKeyA(key, 0, again, sizeof again) == ERROR_SUCCESS && strcmp(again, child) == 0)
                break; // could not delete it; do not loop forever
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}
#endif

} // namespace

#ifdef _WIN32
bool RegFixtureStart()
{
    char path[128];
    snprintf(path, sizeof path, "Software\\QtxTest\\reg-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), ++ScratchCount);
    ScratchPath = path;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &Scratch,
                        NULL) != ERROR_SUCCESS) {
        Scratch = NULL;
        return false;
    }
    return RegOverridePredefKey(HKEY_LOCAL_MACHINE, Scratch) == ERROR_SUCCESS;
}

void RegFixtureStop()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    if (Scratch)
        RegCloseKey(Scratch);
    Scratch = NULL;
    DeleteTree(HKEY_CURRENT_USER, ScratchPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QtxTest"); // only when no other test still uses it
}

// Replaces the key's access list with one entry for everyone.
bool GrantOnly(const std::string &path, DWORD rights)
{
    HKEY key = WalkPath(path, KEY_ALL_ACCESS);
    if (!key)
        return false;
    EXPLICIT_ACCESSA access = {};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.ptstrName = const_cast<LPSTR>("EVERYONE");
    PACL acl = NULL;
    bool ok = SetEntriesInAclA(1, &access, NULL, &acl) == ERROR_SUCCESS;
    SECURITY_DESCRIPTOR sd;
    ok = ok && InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
         RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    if (acl)
        LocalFree(acl);
    RegCloseKey(key);
    return ok;
}

bool MarkReadOnly(const std::string &path) { return GrantOnly(path, KEY_READ); }

bool MarkUnreadable(const std::string &path) { return GrantOnly(path, DELETE); }

int OpenKeyCount() { return -1; }

#else
bool RegFixtureStart()
{
    SubstResetKernel();
    SubstResetRegistry();
    return true;
}

void RegFixtureStop() { SubstResetRegistry(); }

bool MarkReadOnly(const std::string &path) { return SubstRegSetReadOnly(HKEY_LOCAL_MACHINE, path.c_str(), true); }

bool MarkUnreadable(const std::string &path) { return SubstRegSetUnreadable(HKEY_LOCAL_MACHINE, path.c_str(), true); }

int OpenKeyCount() { return SubstRegOpenHandleCount(); }
#endif

bool SeedKey(const std::string &path, const char *keyClass)
{
    HKEY key = WalkPath(path, KEY_ALL_ACCESS, true, keyClass);
    if (key)
        RegCloseKey(key);
    return key != NULL;
}

bool SeedValue(const std::string &path, const std::string &name, DWORD type, const std::string &bytes)
{
    HKEY key = WalkPath(path, KEY_ALL_ACCESS, true);
    if (!key)
        return false;
    // A non-zero byte after the data: the real registry adds a string's terminator that the
    // count left out when a zero follows the data, and these bytes must be stored as given.
    std::string buffer = bytes + static_cast<char>(GUARD_BYTE);
    LONG status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(buffer.data()),
                                 static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool SeedText(const std::string &path, const std::string &name, const std::string &text)
{
    return SeedValue(path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

bool ReadValue(const std::string &path, const std::string &name, DWORD *type, std::string *bytes)
{
    HKEY key = WalkPath(path, KEY_READ);
    if (!key)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), NULL, type, NULL, &size);
    std::string data(size, '\0');
    if (status == ERROR_SUCCESS && size > 0)
        status = RegQueryValueExA(key, name.c_str(), NULL, type, reinterpret_cast<BYTE *>(&data[0]), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;
    data.resize(size);
    *bytes = data;
    return true;
}

bool KeyExists(const std::string &path)
{
    HKEY key = WalkPath(path, KEY_READ);
    if (key)
        RegCloseKey(key);
    return key != NULL;
}

std::vector<std::string> SubkeyNames(const std::string &path) { return EnumNames(path, false); }

std::vector<std::string> ValueNames(const std::string &path) { return EnumNames(path, true); }
