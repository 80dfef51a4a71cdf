#include "bench/hintlist_baseline.h"

#include "hints/hintstore.h"

#include <stdio.h>
#include <string.h>

unsigned long ListHintsBaseline(void)
{
    HKEY hintsKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &hintsKey) != ERROR_SUCCESS)
        return 0;
    const size_t prefix = strlen(APP_HINTS_KEY);
    char path[MAX_PATH];
    memcpy(path, APP_HINTS_KEY, prefix);
    unsigned long records = 0;
    for (DWORD i = 0; RegEnumKeyA(hintsKey, i, path + prefix, static_cast<DWORD>(sizeof path - prefix)) == ERROR_SUCCESS; i++) {
        HKEY record;
        records++;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &record) != ERROR_SUCCESS)
            continue;
        for (DWORD j = 0;; j++) {
            char name[MAX_PATH];
            DWORD nameSize = sizeof name;
            if (RegEnumValueA(record, j, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                break;
            BYTE data[MAX_PATH];
            DWORD dataSize = sizeof data;
            RegQueryValueExA(record, name, NULL, NULL, data, &dataSize);
        }
        RegCloseKey(record);
    }
    RegCloseKey(hintsKey);
    return records;
}

bool SeedHintRecords(unsigned long count)
{
    HKEY hintsKey;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, &hintsKey) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (unsigned long i = 0; ok && i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "Program%06lu.exe", i);
        HKEY record;
        ok = RegCreateKeyA(hintsKey, name, &record) == ERROR_SUCCESS;
        if (!ok)
            break;
        static const char description[] = "A racing game";
        ok = RegSetValueExA(record, "Description", 0, REG_SZ, reinterpret_cast<const BYTE *>(description),
                            sizeof description) == ERROR_SUCCESS &&
             RegSetValueExA(record, "Need3DOn2D", 0, REG_SZ, reinterpret_cast<const BYTE *>(i % 2 ? "1" : "0"), 2) ==
                 ERROR_SUCCESS;
        RegCloseKey(record);
    }
    RegCloseKey(hintsKey);
    return ok;
}
