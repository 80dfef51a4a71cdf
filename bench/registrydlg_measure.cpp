// Measures listing one big key in the real browser dialog against the bare enumeration calls
// that listing needs, in the same process, interleaved, best of each side:
//   regbrowser_measure [SUBKEYS VALUES ROUNDS]   (default 20000 2000 5)
// Prints both times and their ratio (target: at most 3). The key is built below a scratch key
// of HKEY_CURRENT_USER that stands in for HKEY_LOCAL_MACHINE in this process only, and is
// deleted at the end.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

HWND Dialog;

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(Dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Choose(const char *entry)
{
    HWND keys = GetDlgItem(Dialog, IDC_REG_KEYS);
    LRESULT at = SendMessageA(keys, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry));
    SendMessageA(keys, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

// The dialog lists the big key: Next/Down on "Big" from the top of the root.
double DialogListing()
{
    Choose("Big");
    double start = Now();
    SendMessageA(Dialog, WM_COMMAND, IDC_REG_DOWN, 0);
    UpdateWindow(Dialog);
    double took = Now() - start;
    SendMessageA(Dialog, WM_COMMAND, IDC_REG_UP, 0);
    Pump();
    return took;
}

// What listing needs from the registry and nothing else.
double BareEnumeration(DWORD *subkeys, DWORD *values)
{
    double start = Now();
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Big", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    char className[260] = "";
    DWORD classLength = sizeof className, n = 0, longest = 0, longestClass = 0, valueCount = 0, longestName = 0,
          longestData = 0, security = 0;
    FILETIME written;
    RegQueryInfoKeyA(key, className, &classLength, NULL, &n, &longest, &longestClass, &valueCount, &longestName,
                     &longestData, &security, &written);
    char name[260];
    *subkeys = 0;
    while (RegEnumKeyA(key, *subkeys, name, sizeof name) == ERROR_SUCCESS)
        ++*subkeys;
    for (*values = 0; *values < valueCount; ++*values) {
        DWORD length = 128;
        RegEnumValueA(key, *values, name, &length, NULL, NULL, NULL, NULL);
    }
    RegCloseKey(key);
    return Now() - start;
}

void DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[260];
        DWORD count = 0;
        while (RegEnumKeyA(key, count, child, sizeof child) == ERROR_SUCCESS)
            count++;
        while (count > 0 && RegEnumKeyA(key, --count, child, sizeof child) == ERROR_SUCCESS)
            DeleteTree(key, child);
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}

} // namespace

int main(int argc, char **argv)
{
    DWORD subkeys = argc > 1 ? strtoul(argv[1], NULL, 10) : 20000;
    DWORD values = argc > 2 ? strtoul(argv[2], NULL, 10) : 2000;
    int rounds = argc > 3 ? atoi(argv[3]) : 5;
    char scratchPath[96];
    snprintf(scratchPath, sizeof scratchPath, "Software\\QtxTest\\measure-%lu", GetCurrentProcessId());
    HKEY scratch, big;
    if (RegCreateKeyA(HKEY_CURRENT_USER, scratchPath, &scratch) != ERROR_SUCCESS ||
        RegCreateKeyA(scratch, "Big", &big) != ERROR_SUCCESS) {
        fprintf(stderr, "cannot create the scratch key\n");
        return 1;
    }
    double seedStart = Now();
    for (DWORD i = 0; i < subkeys; i++) {
        char name[32];
        snprintf(name, sizeof name, "subkey%05lu", i);
        HKEY k;
        if (RegCreateKeyA(big, name, &k) == ERROR_SUCCESS)
            RegCloseKey(k);
    }
    for (DWORD i = 0; i < values; i++) {
        char name[32];
        snprintf(name, sizeof name, "value%05lu", i);
        RegSetValueExA(big, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&i), sizeof i);
    }
    RegCloseKey(big);
    printf("seeded %lu subkeys and %lu values in %.1f s\n", subkeys, values, Now() - seedStart);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch);

    AppInstance = GetModuleHandleA(NULL);
    AppHeap = HeapCreate(0, 0, 0);
    Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
    Pump();
    Choose("HKEY_LOCAL_MACHINE");
    SendMessageA(Dialog, WM_COMMAND, IDC_REG_DOWN, 0);
    Pump();

    double bestDialog = 1e9, bestBare = 1e9;
    DWORD seenKeys = 0, seenValues = 0;
    int status = 0;
    for (int r = 0; r < rounds; r++) {
        double bare = BareEnumeration(&seenKeys, &seenValues);
        double dialog = DialogListing();
        printf("round %d: dialog %.3f s, bare %.3f s\n", r + 1, dialog, bare);
        if (bare < bestBare)
            bestBare = bare;
        if (dialog < bestDialog)
            bestDialog = dialog;
    }
    // The dialog must have listed the whole key, or the comparison means nothing.
    Choose("Big");
    SendMessageA(Dialog, WM_COMMAND, IDC_REG_DOWN, 0);
    LRESULT listedKeys = SendDlgItemMessageA(Dialog, IDC_REG_KEYS, LB_GETCOUNT, 0, 0);
    LRESULT listedValues = SendDlgItemMessageA(Dialog, IDC_REG_VALUES, LB_GETCOUNT, 0, 0);
    if (listedKeys != static_cast<LRESULT>(subkeys) + 1 || listedValues != static_cast<LRESULT>(values) ||
        seenKeys != subkeys || seenValues != values) {
        fprintf(stderr, "listed %ld keys and %ld values, enumerated %lu and %lu\n", static_cast<long>(listedKeys),
                static_cast<long>(listedValues), seenKeys, seenValues);
        status = 1;
    }
    printf("best of %d: dialog %.3f s, bare enumeration %.3f s, ratio %.2f (target <= 3)\n", rounds, bestDialog,
           bestBare, bestDialog / bestBare);

    DestroyWindow(Dialog);
    HeapDestroy(AppHeap);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(scratch);
    DeleteTree(HKEY_CURRENT_USER, scratchPath);
    return status;
}
