#include "common/common.h"
#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "regbrowser/regbrowser.h"
#include "resource.h"

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
        WinHelpA(dialog, "qtxhelp.hlp", HELP_CONTENTS, 0);
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
