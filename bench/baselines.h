// What the measuring programs share: the hint records and the bare calls listing them needs,
// and the printing of a measured side's ratio to its baseline.
#pragma once
#include "hints/hintstore.h"

#include <stdio.h>
#include <string>

// The walk the listing makes (open, enumerate, open each record, read each value) and nothing
// else; returns the number of records.
inline unsigned long ListHintsBaseline()
{
    HKEY hints, record;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &hints) != ERROR_SUCCESS)
        return 0;
    char path[MAX_PATH] = APP_HINTS_KEY, name[MAX_PATH];
    const DWORD prefix = sizeof APP_HINTS_KEY - 1;
    unsigned long records = 0;
    for (; RegEnumKeyA(hints, records, path + prefix, sizeof path - prefix) == ERROR_SUCCESS; records++) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &record) != ERROR_SUCCESS)
            continue;
        BYTE data[MAX_PATH];
        for (DWORD j = 0, size = sizeof name, dataSize = sizeof data;
             RegEnumValueA(record, j, name, &size, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
             j++, size = sizeof name, dataSize = sizeof data)
            RegQueryValueExA(record, name, NULL, NULL, data, &dataSize);
        RegCloseKey(record);
    }
    RegCloseKey(hints);
    return records;
}

// count records below HKEY_LOCAL_MACHINE, each with the two values the listing reads.
inline bool SeedHintRecords(unsigned long count)
{
    bool ok = true;
    for (unsigned long i = 0; ok && i < count; i++) {
        HKEY record;
        std::string path = APP_HINTS_KEY "Program" + std::to_string(100000 + i) + ".exe";
        ok = RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &record) == ERROR_SUCCESS;
        ok = ok && !RegSetValueExA(record, "Description", 0, REG_SZ, (const BYTE *)"A racing game", 14) &&
             !RegSetValueExA(record, "Need3DOn2D", 0, REG_SZ, (const BYTE *)(i % 2 ? "1" : "0"), 2);
        RegCloseKey(record);
    }
    return ok;
}

#ifdef _WIN32
inline double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}
#endif

inline void PrintRatio(const char *what, double measured, double baseline, const char *target)
{
    printf("%s: %.3f ms, baseline %.3f ms, ratio %.2f (target <= %s)\n", what, measured * 1000, baseline * 1000,
           measured / baseline, target);
}
