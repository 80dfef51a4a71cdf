#include "common/common.h"
#include "common/globals.h"
#include "common/textrules.h"
#include "hints/helprule.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "regbrowser/regbrowser.h"
#include "resource.h"

#include <string.h>

HWND EditRequestingDialog;

static void AddHintLine(const char *line, void *context)
{
    SendMessageA(static_cast<HWND>(context), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

static void RefreshHintList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_HINT_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    ListAppHints(AddHintLine, list);
}

// Stores the list's selection in SelectedHintIndex; FALSE when no line is selected.
static BOOL ReadHintSelection(HWND dialog)
{
    SelectedHintIndex = static_cast<LONG>(SendDlgItemMessageA(dialog, IDC_HINT_LIST, LB_GETCURSEL, 0, 0));
    return SelectedHintIndex != LB_ERR;
}

static void InitSetupDialog(HWND dialog)
{
    CenterDialog(dialog);
    // Where the TABs of each line start the description and the state columns.
    INT stops[2] = {80, 220};
    SendDlgItemMessageA(dialog, IDC_HINT_LIST, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
    RefreshHintList(dialog);
}

static void AddHint(HWND dialog)
{
    DialogBoxParamA(AppInstance, "AddProgramDlg", NULL, AddProgramDlgProc, 0);
    RefreshHintList(dialog);
}

static void EditHint(HWND dialog)
{
    if (!ReadHintSelection(dialog))
        return;
    EditRequestingDialog = dialog;
    DialogBoxParamA(AppInstance, "EditDlg", NULL, EditDlgProc, 0);
    RefreshHintList(dialog);
}

const char SetupMessageCaption[] = "Registry Utility";

// Nothing standing at the position is no failure: the refill shows what the registry holds.
static void ReportRefusal(HWND dialog, HintChangeResult result, const char *text)
{
    if (result == HINT_CHANGE_HAS_SUBKEYS)
        text = "The application could not be removed: its registry entry holds subkeys, which this dialog does not "
               "remove.";
    if (result == HINT_CHANGE_REFUSED || result == HINT_CHANGE_HAS_SUBKEYS)
        MessageBoxA(dialog, text, SetupMessageCaption, MB_OK);
}

static void DeleteHint(HWND dialog)
{
    if (!ReadHintSelection(dialog))
        return;
    ReportRefusal(dialog, DeleteAppHint(SelectedHintIndex),
                  "The application could not be removed: Windows refused the change. Administrator rights may be needed.");
    RefreshHintList(dialog);
}

static void FlipHint(HWND dialog)
{
    if (!ReadHintSelection(dialog)) {
        MessageBoxA(dialog, "Please select an item from the list box", SetupMessageCaption, MB_OK);
        return;
    }
    ReportRefusal(dialog, ToggleAppHint(SelectedHintIndex),
                  "The 2D/3D Compositing setting could not be changed: Windows refused the change. "
                  "Administrator rights may be needed.");
    RefreshHintList(dialog);
}

static const char HtmlManualName[] = "qtxhelp.html";

// The wide route to the HTML manual, for a folder whose name the code page cannot spell (its ANSI
// path holds "?" for what it lost, and so names no file). Only the NT family shows the HTML
// manual, and it has the wide calls; they are looked up at run time all the same, as Windows 95
// lacks some. FALSE where they are missing or the wide path does not fit: the ANSI path is told.
static BOOL OpenHtmlManualWide(HWND dialog, BOOL *missing, INT_PTR *opened)
{
    typedef DWORD(WINAPI * GetAttributesW)(LPCWSTR);
    typedef HINSTANCE(WINAPI * ShellExecuteWProc)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL"), shell = GetModuleHandleA("SHELL32.DLL");
    GetAttributesW attributes = reinterpret_cast<GetAttributesW>(
        reinterpret_cast<void (*)(void)>(kernel ? GetProcAddress(kernel, "GetFileAttributesW") : NULL));
    ShellExecuteWProc execute = reinterpret_cast<ShellExecuteWProc>(
        reinterpret_cast<void (*)(void)>(shell ? GetProcAddress(shell, "ShellExecuteW") : NULL));
    WCHAR path[MAX_PATH];
    BOOL answered;
    if (!attributes || !execute || !WidePathBesideProgram(HtmlManualName, path, &answered))
        return FALSE;
    static const WCHAR open[] = {'o', 'p', 'e', 'n', 0};
    *missing = attributes(path) == INVALID_FILE_ATTRIBUTES;
    if (!*missing)
        *opened = reinterpret_cast<INT_PTR>(execute(dialog, open, path, NULL, NULL, SW_SHOWNORMAL));
    return TRUE;
}

// Opens qtxhelp.html beside the program in the program set to open .html files (the user's web
// browser), by its full path: the current folder may be any. A manual that is missing, or that
// Windows cannot open, is told in words.
static void OpenHtmlManual(HWND dialog)
{
    char program[MAX_PATH], path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, program, sizeof program);
    const char *slash = n > 0 && n < sizeof program ? LastSeparator(program) : NULL;
    BOOL formed = slash && JoinFolderAndName(program, static_cast<size_t>(slash - program), HtmlManualName, path,
                                             sizeof path);
    // Without a full path nothing is opened (the bare name would be looked for in the current
    // folder): the manual is told missing, by its bare name.
    if (!formed)
        memcpy(path, HtmlManualName, sizeof HtmlManualName);
    BOOL missing = TRUE;
    INT_PTR opened = 0;
    if (formed && !(strchr(path, '?') && OpenHtmlManualWide(dialog, &missing, &opened))) {
        missing = GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
        if (!missing)
            opened = reinterpret_cast<INT_PTR>(ShellExecuteA(dialog, "open", path, NULL, NULL, SW_SHOWNORMAL));
    }
    char text[1024];
    if (missing)
        wsprintfA(text, "Help cannot be shown: the manual %s is missing. Installing QTXILOAD again puts it back.", path);
    else if (opened <= 32)
        wsprintfA(text, "Help cannot be shown: Windows could not open the manual %s (error %d). Open that file in a web "
                        "browser.", path, static_cast<int>(opened));
    else
        return;
    MessageBoxA(dialog, text, SetupMessageCaption, MB_OK);
}

// Windows Help (WinHlp32) comes with Windows 95 to XP only: Vista and later have none (8, 10 and
// 11 answer WinHelpA with a page saying so). So the choice is made by the version GetVersionExA
// reports (HelpFormFor): the NT family from major version 6 (Vista) on opens the HTML manual in
// the user's browser, every earlier system the Windows Help file, which it finds as before. The
// manifest's supportedOS entries let the program see the true version on 8.1, 10 and 11.
static void ShowHelp(HWND dialog)
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        version.dwPlatformId = version.dwMajorVersion = 0;
    if (HelpFormFor(version.dwPlatformId, version.dwMajorVersion) == HELP_HTML_MANUAL)
        OpenHtmlManual(dialog);
    else
        WinHelpA(dialog, "qtxhelp.hlp", HELP_CONTENTS, 0);
}

// The browser only reads: the hint list is not refilled after it.
static void OpenRegistryBrowser(void)
{
    DialogBoxParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
}

static INT_PTR SetupCommand(HWND dialog, WORD id, WORD notification)
{
    switch (id) {
    case IDC_HINT_ADD:
        AddHint(dialog);
        break;
    case IDC_HINT_EDIT:
        EditHint(dialog);
        break;
    case IDC_HINT_DELETE:
        DeleteHint(dialog);
        break;
    case IDC_HINT_BROWSE:
        OpenRegistryBrowser();
        break;
    case IDC_HINT_LIST:
        // Posted, so that the flip runs after the list box has selected the line under the pointer.
        if (notification == LBN_DBLCLK)
            PostMessageA(dialog, WM_COMMAND, IDC_HINT_FLIP, 0);
        break;
    case IDC_HINT_FLIP:
        FlipHint(dialog);
        break;
    case IDC_HINT_HELP:
        ShowHelp(dialog);
        break;
    case IDC_HINT_EXIT:
        EndDialog(dialog, 1);
        return TRUE;
    }
    // IDOK and IDCANCEL (Enter and Esc) fall through here: the dialog has no such buttons and
    // only Exit and the close box end it.
    return FALSE;
}

INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        InitSetupDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        return SetupCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return DialogCloseRule(dialog, wParam);
    }
    return FALSE;
}
