// Under Wine: the browser dialog listing one big key against the bare calls that listing needs,
// interleaved, best of each; target: ratio at most 3. Arguments: [SUBKEYS VALUES ROUNDS], default 20000 2000 5.
#include "bench/measure.h"
#include "common/globals.h"
#include "regbrowser/regbrowser.h"
#include "resource.h"
#include "shared/regfixture.h"

// Selects the first key entry that starts with prefix, presses button, runs what the dialog posted.
static void Press(HWND dialog, const char *prefix, int button)
{
    SendDlgItemMessageA(dialog, IDC_REG_KEYS, LB_SELECTSTRING, WPARAM(-1), LPARAM(prefix));
    SendMessageA(dialog, WM_COMMAND, button, 0);
    for (MSG msg; PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE);)
        if (!IsDialogMessageA(dialog, &msg))
            DispatchMessageA(&msg);
}

static DWORD BareEnumeration()
{
    HKEY key;
    char name[260];
    DWORD keys = 0, values = 0, length;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Big", 0, KEY_READ, &key);
    while (RegEnumKeyA(key, keys, name, sizeof name) == ERROR_SUCCESS)
        keys++;
    while (RegEnumValueA(key, values, name, &(length = 128), NULL, NULL, NULL, NULL) == ERROR_SUCCESS)
        values++;
    RegCloseKey(key);
    return keys + values;
}

int main(int argc, char **argv)
{
    DWORD subkeys = argc > 1 ? std::stoul(argv[1]) : 20000, values = argc > 2 ? std::stoul(argv[2]) : 2000;
    DWORD rounds = argc > 3 ? std::stoul(argv[3]) : 5;
    bool failed = !RegFixtureStart() || !(AppHeap = HeapCreate(0, 0, 0));
    for (DWORD i = 0; i < subkeys || i < values; i++)
        failed |= (i < subkeys && !SeedKey("Big\\subkey" + std::to_string(100000 + i))) ||
                  (i < values && !SeedValue("Big", "value" + std::to_string(100000 + i), REG_DWORD, std::string(4, char(i))));
    HWND dialog = CreateDialogParamA(AppInstance = GetModuleHandleA(NULL), "RegistryDlg", NULL, RegistryDlgProc, 0);
    Press(dialog, "", 0);
    Press(dialog, "HKEY_LOCAL_MACHINE", IDC_REG_DOWN);
    double listing = 1e30, bare = 1e30;
    for (DWORD r = 0; r < rounds; r++, Press(dialog, "..", IDC_REG_UP)) {
        double t0 = Now();
        failed |= BareEnumeration() != subkeys + values;
        double t1 = Now();
        Press(dialog, "Big", IDC_REG_DOWN);
        listing = std::min(listing, Now() - t1), bare = std::min(bare, t1 - t0);
        failed |= SendDlgItemMessageA(dialog, IDC_REG_KEYS, LB_GETCOUNT, 0, 0) + SendDlgItemMessageA(dialog, IDC_REG_VALUES,
                  LB_GETCOUNT, 0, 0) != LRESULT(subkeys + values + 1); // "..", then the whole key
    }
    printf("%lu keys, %lu values: dialog %.3f ms, bare %.3f ms, ratio %.2f\n", subkeys, values, listing * 1e3, bare * 1e3, listing / bare);
    RegFixtureStop();
    return failed ? fprintf(stderr, "seeding, the dialog or the enumeration failed\n"), 1 : 0;
}
