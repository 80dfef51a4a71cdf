// Substitute registry: an in-memory tree behind the ADVAPI32 calls of winsub.h.
#include "substitute/subst_control.h"

#include <algorithm>
#include <cstring>
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

unsigned char FoldCase(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Windows orders and matches names by their upper-case form: "A_B" sorts after "AAB".
struct CaseLess {
    bool operator()(const std::string &a, const std::string &b) const
    {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; i++) {
            unsigned char x = FoldCase(static_cast<unsigned char>(a[i]));
            unsigned char y = FoldCase(static_cast<unsigned char>(b[i]));
            if (x != y)
                return x < y;
        }
        return a.size() < b.size();
    }
};

// Ordered by name with the rank of each entry kept in the tree, so that the entry at an index
// is found in O(log n).
template <class T>
using RankedMap = __gnu_pbds::tree<std::string, T *, CaseLess, __gnu_pbds::rb_tree_tag,
                                   __gnu_pbds::tree_order_statistics_node_update>;

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::string name;
    std::string keyClass;
    Key *parent = nullptr;
    REGSAM granted = KEY_ALL_ACCESS; // what the key's access list grants the caller
    bool unreadable = false;
    bool deleted = false;
    uint64_t writeTime = 0;
    RankedMap<Key> children;
    RankedMap<Value> values;
};

struct Handle {
    Key *key;
    REGSAM rights;
};

// Every key ever made, deleted ones included, so that a handle on a deleted key stays valid.
std::vector<std::unique_ptr<Key>> AllKeys;
std::vector<std::unique_ptr<Value>> AllValues;
Key *Roots[4];
std::unordered_map<uintptr_t, Handle> Handles;
uintptr_t NextHandle = 0x1000;
uint64_t WriteClock;
LONG QueryInfoFailure;
std::string SetValueFailureName;
LONG SetValueFailure;
DWORD FailingEnumKeyIndex;
LONG EnumKeyFailure;
DWORD LongestDataShortfall;
std::function<void()> AfterQueryInfo;

const REGSAM ALL_RIGHTS = KEY_ALL_ACCESS;
const REGSAM READ_ONLY_RIGHTS = KEY_READ;
const size_t MAX_PATH_CHARS = 260;
const size_t MAX_VALUE_NAME_CHARS = 16383;

Key *NewKey(const std::string &name, Key *parent)
{
    AllKeys.push_back(std::make_unique<Key>());
    Key *key = AllKeys.back().get();
    key->name = name;
    key->parent = parent;
    key->writeTime = ++WriteClock;
    return key;
}

void EnsureRoots()
{
    if (Roots[0])
        return;
    for (Key *&root : Roots)
        root = NewKey("", nullptr);
}

REGSAM Grant(const Key *key) { return key->unreadable ? 0 : key->granted; }

int RootIndex(HKEY key)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    for (int i = 0; i < 4; i++) {
        if (v == static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<LONG>(0x80000000u + static_cast<unsigned>(i)))))
            return i;
    }
    return -1;
}

// The key and rights behind a handle, or the error the call returns.
LONG Resolve(HKEY handle, Handle *out)
{
    EnsureRoots();
    int root = RootIndex(handle);
    if (root >= 0) {
        *out = {Roots[root], ALL_RIGHTS};
        return ERROR_SUCCESS;
    }
    auto it = Handles.find(reinterpret_cast<uintptr_t>(handle));
    if (it == Handles.end())
        return ERROR_INVALID_HANDLE;
    *out = it->second;
    return it->second.key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

LONG ResolveWith(HKEY handle, REGSAM needed, Handle *out)
{
    LONG status = Resolve(handle, out);
    if (status == ERROR_SUCCESS && (out->rights & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return status;
}

HKEY NewHandle(Key *key, REGSAM rights)
{
    NextHandle += 4;
    Handles[NextHandle] = {key, rights};
    return reinterpret_cast<HKEY>(NextHandle);
}

// Splits a path into its components: a trailing or doubled separator adds nothing. The path is
// walked by characters of the code page, as the real registry sees it once widened: a trail
// byte 0x5C is no separator.
LONG SplitPath(const char *path, std::vector<std::string> *parts)
{
    parts->clear();
    if (!path)
        return ERROR_SUCCESS;
    if (strlen(path) > MAX_PATH_CHARS)
        return ERROR_MORE_DATA;
    if (path[0] == '\\')
        return ERROR_BAD_PATHNAME;
    const char *p = path;
    while (*p) {
        const char *end = p;
        while (*end && *end != '\\')
            end = CharNextA(end);
        size_t n = static_cast<size_t>(end - p);
        if (n > 0)
            parts->emplace_back(p, n);
        p += n;
        if (*p == '\\')
            p++;
    }
    return ERROR_SUCCESS;
}

// The handle's key and the components of subKey below it, or the error the call returns.
LONG ResolvePath(HKEY key, LPCSTR subKey, Handle *from, std::vector<std::string> *parts)
{
    LONG status = Resolve(key, from);
    return status != ERROR_SUCCESS ? status : SplitPath(subKey, parts);
}

Key *Child(Key *key, const std::string &name)
{
    auto it = key->children.find(name);
    return it == key->children.end() ? nullptr : it->second;
}

Key *FindPath(Key *from, const std::vector<std::string> &parts)
{
    Key *key = from;
    for (const std::string &part : parts) {
        key = Child(key, part);
        if (!key)
            return nullptr;
    }
    return key;
}

Key *FindRootPath(HKEY root, const char *path)
{
    Handle h;
    std::vector<std::string> parts;
    if (Resolve(root, &h) != ERROR_SUCCESS || SplitPath(path, &parts) != ERROR_SUCCESS)
        return nullptr;
    return FindPath(h.key, parts);
}

void Touch(Key *key) { key->writeTime = ++WriteClock; }

REGSAM Requested(REGSAM rights, const Key *key)
{
    rights &= ~static_cast<REGSAM>(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    if (rights & MAXIMUM_ALLOWED)
        return Grant(key);
    return rights;
}

Value *FindValue(Key *key, const char *name)
{
    auto it = key->values.find(name ? name : "");
    return it == key->values.end() ? nullptr : it->second;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies data into a caller's buffer the way the real registry's ANSI calls do: 234 and the
// size when it does not fit, otherwise the bytes and, for a string lacking its zero, a zero
// after them when there is room.
LONG CopyData(const Value *value, LPBYTE data, LPDWORD dataSize)
{
    DWORD size = static_cast<DWORD>(value->data.size());
    if (data && dataSize) {
        if (size > *dataSize) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size)
            memcpy(data, value->data.data(), size);
        if (IsStringType(value->type) && size < *dataSize && size > 0 && value->data[size - 1] != 0)
            data[size] = 0;
    }
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

} // namespace

void SubstResetRegistry()
{
    Handles.clear();
    AllValues.clear();
    AllKeys.clear();
    for (Key *&root : Roots)
        root = nullptr;
    NextHandle = 0x1000;
    QueryInfoFailure = ERROR_SUCCESS;
    SubstRegFailSetValue(NULL, ERROR_SUCCESS);
    EnumKeyFailure = ERROR_SUCCESS;
    LongestDataShortfall = 0;
    AfterQueryInfo = nullptr;
    EnsureRoots();
}

int SubstRegOpenHandleCount() { return static_cast<int>(Handles.size()); }

uint64_t SubstRegChangeCount() { return WriteClock; }

bool SubstRegSetReadOnly(HKEY root, const char *path, bool readOnly)
{
    return SubstRegGrantOnly(root, path, readOnly ? READ_ONLY_RIGHTS : ALL_RIGHTS);
}

bool SubstRegGrantOnly(HKEY root, const char *path, REGSAM rights)
{
    Key *key = FindRootPath(root, path);
    if (!key)
        return false;
    key->granted = rights & ALL_RIGHTS;
    return true;
}

bool SubstRegSetUnreadable(HKEY root, const char *path, bool unreadable)
{
    Key *key = FindRootPath(root, path);
    if (!key)
        return false;
    key->unreadable = unreadable;
    return true;
}

void SubstRegFailQueryInfo(LONG code) { QueryInfoFailure = code; }

void SubstRegFailSetValue(const char *valueName, LONG code)
{
    SetValueFailureName = valueName ? valueName : "";
    SetValueFailure = valueName ? code : ERROR_SUCCESS;
}
void SubstRegFailEnumKeyAt(DWORD index, LONG code) { FailingEnumKeyIndex = index, EnumKeyFailure = code; }

void SubstRegUnderstateLongestData(DWORD bytes) { LongestDataShortfall = bytes; }

void SubstRegAfterQueryInfo(const std::function<void()> &act) { AfterQueryInfo = act; }

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM rights, PHKEY result)
{
    Handle from;
    std::vector<std::string> parts;
    LONG status = result ? ResolvePath(key, subKey, &from, &parts) : ERROR_INVALID_PARAMETER;
    if (status != ERROR_SUCCESS)
        return status;
    Key *target = FindPath(from.key, parts);
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    REGSAM wanted = Requested(rights, target);
    if ((wanted & ~Grant(target)) != 0)
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(target, wanted);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR keyClass, DWORD, REGSAM rights,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    Handle from;
    std::vector<std::string> parts;
    LONG status = result ? ResolvePath(key, subKey, &from, &parts) : ERROR_INVALID_PARAMETER;
    if (status != ERROR_SUCCESS)
        return status;
    // Check before changing anything, so that a refused call leaves no key behind.
    Key *k = from.key;
    size_t existing = 0;
    while (existing < parts.size()) {
        Key *next = Child(k, parts[existing]);
        if (!next)
            break;
        k = next;
        existing++;
    }
    bool creates = existing < parts.size();
    if (creates) {
        REGSAM parentRights = existing == 0 ? from.rights : Grant(k);
        if (!(parentRights & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
    }
    if (!creates && (Requested(rights, k) & ~Grant(k)) != 0)
        return ERROR_ACCESS_DENIED;
    for (size_t i = existing; i < parts.size(); i++) {
        Key *child = NewKey(parts[i], k);
        if (keyClass)
            child->keyClass = keyClass;
        k->children.insert({child->name, child});
        Touch(k);
        k = child;
    }
    *result = NewHandle(k, Requested(rights, k));
    if (disposition)
        *disposition = creates ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return RegCreateKeyExA(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr, result, nullptr);
}

LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_ENUMERATE_SUB_KEYS, &h);
    if (status != ERROR_SUCCESS)
        return status;
    if (index >= h.key->children.size())
        return ERROR_NO_MORE_ITEMS;
    if (EnumKeyFailure != ERROR_SUCCESS && index == FailingEnumKeyIndex)
        return EnumKeyFailure;
    const std::string &child = h.key->children.find_by_order(index)->first;
    if (!name)
        return ERROR_INVALID_PARAMETER;
    if (child.size() + 1 > nameSize)
        return ERROR_MORE_DATA;
    memcpy(name, child.c_str(), child.size() + 1);
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                          LPBYTE data, LPDWORD dataSize)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_QUERY_VALUE, &h);
    if (status != ERROR_SUCCESS)
        return status;
    if (reserved || (data && !dataSize) || !name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    if (index >= h.key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value *value = h.key->values.find_by_order(index)->second;
    if (type)
        *type = value->type;
    if (value->name.size() + 1 > *nameSize) {
        if (dataSize)
            *dataSize = static_cast<DWORD>(value->data.size());
        return ERROR_MORE_DATA;
    }
    status = CopyData(value, data, dataSize);
    if (status != ERROR_SUCCESS)
        return status;
    memcpy(name, value->name.c_str(), value->name.size() + 1);
    *nameSize = static_cast<DWORD>(value->name.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securitySize,
                             PFILETIME lastWriteTime)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_QUERY_VALUE, &h);
    if (status != ERROR_SUCCESS)
        return status;
    if (reserved || (keyClass && !classSize))
        return ERROR_INVALID_PARAMETER;
    if (QueryInfoFailure != ERROR_SUCCESS)
        return QueryInfoFailure;
    const Key *k = h.key;
    status = ERROR_SUCCESS;
    if (classSize) {
        DWORD length = static_cast<DWORD>(k->keyClass.size());
        if (keyClass && *classSize > 0) {
            if (length + 1 > *classSize)
                status = ERROR_MORE_DATA;
            else
                memcpy(keyClass, k->keyClass.c_str(), length + 1);
        }
        *classSize = length;
    }
    DWORD longestName = 0, longestClass = 0, longestValueName = 0, longestData = 0;
    for (const auto &child : k->children) {
        longestName = std::max(longestName, static_cast<DWORD>(child.second->name.size()));
        longestClass = std::max(longestClass, static_cast<DWORD>(child.second->keyClass.size()));
    }
    for (const auto &entry : k->values) {
        const Value *value = entry.second;
        DWORD bytes = static_cast<DWORD>(value->data.size());
        longestValueName = std::max(longestValueName, static_cast<DWORD>(value->name.size()));
        longestData = std::max(longestData, IsStringType(value->type) ? 2 * bytes : bytes);
    }
    if (subKeys)
        *subKeys = static_cast<DWORD>(k->children.size());
    if (maxSubKeyLength)
        *maxSubKeyLength = longestName;
    if (maxClassLength)
        *maxClassLength = longestClass;
    if (values)
        *values = static_cast<DWORD>(k->values.size());
    if (maxValueNameLength)
        *maxValueNameLength = longestValueName;
    if (maxValueLength)
        *maxValueLength = longestData > LongestDataShortfall ? longestData - LongestDataShortfall : 0;
    if (securitySize)
        *securitySize = 0;
    if (lastWriteTime) {
        lastWriteTime->dwLowDateTime = static_cast<DWORD>(k->writeTime);
        lastWriteTime->dwHighDateTime = static_cast<DWORD>(k->writeTime >> 32);
    }
    if (AfterQueryInfo) {
        std::function<void()> act = std::move(AfterQueryInfo);
        AfterQueryInfo = nullptr;
        act();
    }
    return status;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_QUERY_VALUE, &h);
    if (status != ERROR_SUCCESS)
        return status;
    if (reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    const Value *value = FindValue(h.key, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    return CopyData(value, data, dataSize);
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE *data, DWORD dataSize)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_SET_VALUE, &h);
    if (status != ERROR_SUCCESS)
        return status;
    std::string valueName = name ? name : "";
    if (valueName.size() > MAX_VALUE_NAME_CHARS || (!data && dataSize))
        return ERROR_INVALID_PARAMETER;
    if (SetValueFailure != ERROR_SUCCESS && !CaseLess()(valueName, SetValueFailureName) && !CaseLess()(SetValueFailureName, valueName))
        return SetValueFailure;
    Value *value = FindValue(h.key, valueName.c_str());
    if (!value) {
        AllValues.push_back(std::make_unique<Value>());
        value = AllValues.back().get();
        value->name = valueName;
        h.key->values.insert({valueName, value});
    }
    value->type = type;
    value->data.assign(data, data + dataSize);
    Touch(h.key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name)
{
    Handle h;
    LONG status = ResolveWith(key, KEY_SET_VALUE, &h);
    if (status != ERROR_SUCCESS)
        return status;
    if (h.key->values.erase(name ? name : "") == 0)
        return ERROR_FILE_NOT_FOUND;
    Touch(h.key);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    Handle from;
    std::vector<std::string> parts;
    LONG status = subKey ? ResolvePath(key, subKey, &from, &parts) : ERROR_INVALID_PARAMETER;
    if (status != ERROR_SUCCESS)
        return status;
    if (parts.empty())
        return ERROR_ACCESS_DENIED;
    Key *target = FindPath(from.key, parts);
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    if (!target->children.empty() || !(target->granted & DELETE))
        return ERROR_ACCESS_DENIED;
    target->parent->children.erase(target->name);
    Touch(target->parent);
    target->deleted = true;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key)
{
    if (RootIndex(key) >= 0)
        return ERROR_SUCCESS;
    return Handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// The wide forms convert names as the substitute's code page does: a unit below 0x100 is that
// byte, anything else "?".
static std::string Narrow(LPCWSTR wide)
{
    std::string bytes;
    for (; wide && *wide; wide++)
        bytes += *wide < 0x100 ? static_cast<char>(*wide) : '?';
    return bytes;
}

LONG WINAPI RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameSize)
{
    std::string bytes(nameSize ? nameSize : 1, '\0');
    LONG status = RegEnumKeyA(key, index, &bytes[0], nameSize);
    if (status == ERROR_SUCCESS)
        for (size_t i = 0; i == 0 || bytes[i - 1]; i++)
            name[i] = static_cast<unsigned char>(bytes[i]);
    return status;
}

LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM rights, PHKEY result)
{
    return RegOpenKeyExA(key, subKey ? Narrow(subKey).c_str() : nullptr, options, rights, result);
}

LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey)
{
    return RegDeleteKeyA(key, subKey ? Narrow(subKey).c_str() : nullptr);
}
