// Under Wine: the browser dialog listing one big key against the bare enumeration calls that
// listing needs, interleaved, best of each. Target: ratio at most 3.
//   regbrowser_measure [SUBKEYS VALUES ROUNDS]   (default 20000 2000 5)
#include "bench/baselines.h"
#include "common/globals.h"
#include "regbrowser/regbrowser.h"
#include "resource.h"

#include <stdlib.h>

static HWND Dialog;

// Selects entry in the key list, presses the button, and lets the dialog run what it posted.
static void Press(const char *entry, int button)
{
    HWND keys = GetDlgItem(Dialog, IDC_REG_KEYS);
    SendMessageA(keys, LB_SETCURSEL, SendMessageA(keys, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(entry)), 0);
    SendMessageA(Dialog, WM_COMMAND, button, 0);
    UpdateWindow(Dialog);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(Dialog, &msg))
            DispatchMessageA(&msg);
}

// What listing needs from the registry and nothing else; returns the entries seen.
static DWORD BareEnumeration()
{
    HKEY key;
    char name[260];
    DWORD count = 0, values = 0, length;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Big", 0, KEY_READ, &key);
    RegQueryInfoKeyA(key, name, &(length = sizeof name), NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    while (RegEnumKeyA(key, count, name, sizeof name) == ERROR_SUCCESS)
        count++;
    for (DWORD i = 0; i < values; i++, count++)
        RegEnumValueA(key, i, name, &(length = 128), NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return count;
}

int main(int argc, char **argv)
{
    DWORD subkeys = argc > 1 ? strtoul(argv[1], NULL, 10) : 20000, values = argc > 2 ? strtoul(argv[2], NULL, 10) : 2000;
    int rounds = argc > 3 ? atoi(argv[3]) : 5, failed = !RegFixtureStart();
    for (DWORD i = 0; i < subkeys; i++)
        failed |= !SeedKey("Big\\subkey" + std::to_string(100000 + i));
    for (DWORD i = 0; i < values; i++)
        failed |= !SeedValue("Big", "value" + std::to_string(100000 + i), REG_DWORD, std::string((const char *)&i, 4));
    AppInstance = GetModuleHandleA(NULL);
    AppHeap = HeapCreate(0, 0, 0);
    Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
    Press("", 0);
    Press("HKEY_LOCAL_MACHINE", IDC_REG_DOWN);
    double bestDialog = 1e30, bestBare = 1e30;
    for (int r = 0; r < rounds; r++) {
        double t0 = Now();
        failed |= BareEnumeration() != subkeys + values;
        double t1 = Now();
        Press("Big", IDC_REG_DOWN);
        bestDialog = std::min(bestDialog, Now() - t1);
        bestBare = std::min(bestBare, t1 - t0);
        // The dialog must have listed the whole key, or the comparison means nothing.
        failed |= SendDlgItemMessageA(Dialog, IDC_REG_KEYS, LB_GETCOUNT, 0, 0) != LRESULT(subkeys) + 1 ||
                  SendDlgItemMessageA(Dialog, IDC_REG_VALUES, LB_GETCOUNT, 0, 0) != LRESULT(values);
        Press("", IDC_REG_UP);
    }
    PrintRatio("dialog listing " + std::to_string(subkeys) + " subkeys, " + std::to_string(values) + " values",
               bestDialog, bestBare, "3");
    DestroyWindow(Dialog);
    HeapDestroy(AppHeap);
    RegFixtureStop();
    return failed ? fprintf(stderr, "seeding, the dialog or the enumeration failed\n"), 1 : 0;
}
