// Shared by the measuring programs: the hint records, the bare calls that listing them needs,
// a clock, and the printing of a measured side's ratio to its baseline.
#pragma once
#include "hints/hintstore.h"
#include "shared/regfixture.h"

#include <chrono>
#include <stdio.h>

// The walk the listing makes (open, enumerate, open each record, read each value) and no more.
inline unsigned long ListHintsBaseline()
{
    HKEY hints, record;
    char path[MAX_PATH] = APP_HINTS_KEY, name[MAX_PATH];
    BYTE data[MAX_PATH];
    const DWORD prefix = sizeof APP_HINTS_KEY - 1;
    DWORD records = 0;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &hints);
    for (; RegEnumKeyA(hints, records, path + prefix, sizeof path - prefix) == ERROR_SUCCESS; records++) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &record) != ERROR_SUCCESS)
            continue;
        for (DWORD j = 0, size = sizeof name, dataSize = sizeof data;
             RegEnumValueA(record, j, name, &size, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
             j++, size = sizeof name, dataSize = sizeof data)
            RegQueryValueExA(record, name, NULL, NULL, data, &dataSize);
        RegCloseKey(record);
    }
    RegCloseKey(hints);
    return records;
}

// count records, each with the two values the listing reads.
inline bool SeedHintRecords(unsigned long count)
{
    bool ok = true;
    for (unsigned long i = 0; ok && i < count; i++) {
        std::string path = APP_HINTS_KEY "Program" + std::to_string(100000 + i) + ".exe";
        ok = SeedText(path, "Description", "A racing game") && SeedText(path, "Need3DOn2D", i % 2 ? "1" : "0");
    }
    return ok;
}

inline void PrintRatio(const std::string &what, double measured, double baseline, const char *target)
{
    printf("%s: %.3f ms, baseline %.3f ms, ratio %.2f (target <= %s)\n", what.c_str(), measured * 1000,
           baseline * 1000, measured / baseline, target);
}

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
