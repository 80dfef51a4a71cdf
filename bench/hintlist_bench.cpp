// ListAppHints over 10,000 records (or as many as given) against walks that make only the plain ANSI calls, in the same
// run, interleaved, best of each (the registry's timings can jump between two speeds under load):
//   plain   RegEnumKeyA, RegOpenKeyExA of the record's full path, RegQueryValueExA of "Description"
//           and "Need3DOn2D", RegCloseKey;
//   enum    the same, but the values found by RegEnumValueA, one
//           call per value and one more to end, each recognised one then read.
// Natively it runs over the substitute registry; built for Windows (QTX_BENCH in a Windows tree)
// over the real one, with HKEY_LOCAL_MACHINE redirected for this process to a scratch key below
// HKEY_CURRENT_USER, removed at the end.
#include "hints/hintstore.h"

#include <algorithm>
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Records and rounds: 10,000 and 15 unless given (hintlist_bench [records [rounds]]).
static DWORD Records = 10000;
static int Rounds = 15;

static double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

static void Seed(void)
{
    for (DWORD i = 0; i < Records; i++) {
        char path[MAX_PATH];
        HKEY record;
        snprintf(path, sizeof path, APP_HINTS_KEY "Application %05lu", static_cast<unsigned long>(i));
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &record) != ERROR_SUCCESS) {
            fprintf(stderr, "cannot create %s\n", path);
            return;
        }
        static const char description[] = "Racing game, 2D menus";
        RegSetValueExA(record, "Description", 0, REG_SZ, reinterpret_cast<const BYTE *>(description), sizeof description);
        RegSetValueExA(record, "Need3DOn2D", 0, REG_SZ, reinterpret_cast<const BYTE *>(i % 3 ? "1" : "0"), 2);
        RegCloseKey(record);
    }
}

static void CountLine(const char *line, void *count)
{
    *static_cast<DWORD *>(count) += line[0] != 0;
}

static DWORD List(void)
{
    DWORD lines = 0;
    ListAppHints(CountLine, &lines);
    return lines;
}

// Reads a value the way the list does: into a 260-byte buffer, its first byte zeroed first.
static BYTE ReadFirstByte(HKEY record, const char *name)
{
    BYTE data[MAX_PATH];
    DWORD size = sizeof data;
    data[0] = 0;
    RegQueryValueExA(record, name, NULL, NULL, data, &size);
    return data[0];
}

static DWORD Walk(bool enumerateValues)
{
    HKEY hints;
    DWORD seen = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &hints) != ERROR_SUCCESS)
        return 0;
    char name[MAX_PATH], path[MAX_PATH];
    for (DWORD i = 0; RegEnumKeyA(hints, i, name, sizeof name) == ERROR_SUCCESS; i++) {
        size_t head = sizeof APP_HINTS_KEY - 1, length = strlen(name);
        if (head + length + 1 > sizeof path)
            continue;
        memcpy(path, APP_HINTS_KEY, head), memcpy(path + head, name, length + 1);
        HKEY record;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &record) != ERROR_SUCCESS)
            continue;
        BYTE got = 0;
        if (enumerateValues) {
            char valueName[MAX_PATH];
            for (DWORD j = 0;; j++) {
                DWORD nameSize = sizeof valueName;
                valueName[0] = 0;
                if (RegEnumValueA(record, j, valueName, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                    break;
                if (strcmp(valueName, "Need3DOn2D") == 0 || strcmp(valueName, "Description") == 0)
                    got = static_cast<BYTE>(got | ReadFirstByte(record, valueName));
            }
        } else {
            got = static_cast<BYTE>(ReadFirstByte(record, "Description") | ReadFirstByte(record, "Need3DOn2D"));
        }
        seen += got != 0;
        RegCloseKey(record);
    }
    RegCloseKey(hints);
    return seen;
}

#ifdef _WIN32
static char ScratchPath[128];

static bool Redirect(void)
{
    HKEY scratch;
    snprintf(ScratchPath, sizeof ScratchPath, "Software\\QtxBench\\list-%lu", GetCurrentProcessId());
    if (RegCreateKeyA(HKEY_CURRENT_USER, ScratchPath, &scratch) != ERROR_SUCCESS)
        return false;
    bool ok = RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch) == ERROR_SUCCESS;
    RegCloseKey(scratch);
    return ok;
}

static void DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    char child[MAX_PATH];
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) {
            DeleteTree(key, child);
            if (RegDeleteKeyA(key, child) != ERROR_SUCCESS)
                break;
        }
        RegCloseKey(key);
    }
}

static void Unredirect(void)
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    DeleteTree(HKEY_CURRENT_USER, ScratchPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, ScratchPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QtxBench");
}
#else
static bool Redirect(void) { return true; }
static void Unredirect(void) {}
#endif

int main(int argc, char **argv)
{
    if (argc > 1)
        Records = static_cast<DWORD>(strtoul(argv[1], NULL, 10));
    if (argc > 2)
        Rounds = atoi(argv[2]);
    if (!Redirect()) {
        fprintf(stderr, "cannot redirect HKEY_LOCAL_MACHINE\n");
        return 1;
    }
    Seed();
    double list = 1e30, plain = 1e30, byEnum = 1e30;
    DWORD lines = 0, plainSeen = 0, enumSeen = 0;
    for (int round = 0; round < Rounds; round++) {
        double t0 = Now();
        lines = List();
        double t1 = Now();
        plainSeen = Walk(false);
        double t2 = Now();
        enumSeen = Walk(true);
        double t3 = Now();
        list = std::min(list, t1 - t0), plain = std::min(plain, t2 - t1), byEnum = std::min(byEnum, t3 - t2);
    }
    Unredirect();
    printf("records %lu (listed %lu, walked %lu and %lu), best of %d interleaved rounds\n", static_cast<unsigned long>(Records),
           static_cast<unsigned long>(lines), static_cast<unsigned long>(plainSeen), static_cast<unsigned long>(enumSeen), Rounds);
    printf("list %.2f ms, plain walk %.2f ms, enum walk %.2f ms\n", list * 1e3, plain * 1e3, byEnum * 1e3);
    printf("ratio list/plain %.2f, list/enum %.2f\n", list / plain, list / byEnum);
    return lines == Records && plainSeen == Records && enumSeen == Records ? 0 : 1;
}
