#include "common/common.h"
#include "common/textrules.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"

#include <string.h>

static const char SetupCaption[] = "Halvane D3D Setup";

// The reads cut the input: 17 bytes of a name, 31 of a description.
#define NAME_READ_LIMIT 18
#define DESCRIPTION_READ_LIMIT 32

// Reads at most limit - 1 bytes of the control's text, then drops a double-byte character that
// the read split: its lone lead byte would end a key name that can never be opened again.
static void ReadCutText(HWND dialog, int id, char *text, int limit)
{
    GetDlgItemTextA(dialog, id, text, limit);
    CutWholeChars(text, static_cast<size_t>(limit - 1));
}

static void ShowAddRefusal(HWND dialog, const char *text)
{
    MessageBoxA(dialog, text, SetupCaption, MB_OK);
    SetFocus(GetDlgItem(dialog, IDC_ADD_NAME));
}

static void AddOk(HWND dialog)
{
    char name[80];
    char description[80];
    ReadCutText(dialog, IDC_ADD_NAME, name, NAME_READ_LIMIT);
    ReadCutText(dialog, IDC_ADD_DESCRIPTION, description, DESCRIPTION_READ_LIMIT);
    // A record not made keeps the dialog open with everything the user typed.
    switch (CreateAppHint(name, description)) {
    case CREATE_HINT_EMPTY_NAME:
        ShowAddRefusal(dialog, "Please enter the name of the application.");
        return;
    case CREATE_HINT_NAME_HAS_SLASH:
        ShowAddRefusal(dialog, "The name of the application cannot contain \"\\\".");
        return;
    case CREATE_HINT_NO_PRODUCT_KEY:
        ShowAddRefusal(dialog, "Halvane D3D is not installed properly: the registry key "
                               "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarnell\\Halvane is missing. "
                               "Reinstall it, or create that key.");
        return;
    case CREATE_HINT_REFUSED:
        ShowAddRefusal(dialog, "Windows refused to store the application in the registry. "
                               "Administrator rights may be needed.");
        return;
    case CREATE_HINT_OK:
        break;
    }
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK AddProgramDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(dialog);
        SetFocus(GetDlgItem(dialog, IDC_ADD_NAME));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AddOk(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 1);
            break;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        return DialogCloseRule(dialog, wParam);
    }
    return FALSE;
}

// What one Edit dialog holds from its WM_INITDIALOG to its end; two Edit dialogs can be open
// at once, so it lives with the window (DWLP_USER), not in process-wide state.
struct EditDialogState {
    AppHintEdit edit;
    // The description as read, so that OK can tell an untouched field from an edited one.
    char description[HINT_DESCRIPTION_SIZE];
    BOOL descriptionWhole;
};

static EditDialogState *EditState(HWND dialog)
{
    return reinterpret_cast<EditDialogState *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Closes the keys this dialog opened and lets go of its state; safe to call twice.
static void ReleaseEditState(HWND dialog)
{
    EditDialogState *state = EditState(dialog);
    if (!state)
        return;
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    CloseAppHintEdit(&state->edit);
    HeapFree(GetProcessHeap(), 0, state);
}

static void EndEditDialog(HWND dialog)
{
    ReleaseEditState(dialog);
    EndDialog(dialog, 1);
}

static const char *OpenFailureText(OpenHintResult result)
{
    if (result == OPEN_HINT_NO_RECORD)
        return "The selected application is no longer in the registry.";
    return "The registry entry of the selected application cannot be opened for changing.";
}

static void InitEditDialog(HWND dialog)
{
    CenterDialog(dialog);
    HWND requester = EditRequestingDialog;
    EditRequestingDialog = NULL;
    if (requester && !IsWindow(requester))
        requester = NULL;
    EditDialogState *state =
        static_cast<EditDialogState *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(EditDialogState)));
    if (!state) {
        EndDialog(dialog, 1);
        return;
    }
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    char name[HINT_NAME_SIZE];
    BOOL ticked = FALSE;
    OpenHintResult result =
        OpenAppHintEdit(SelectedHintIndex, &state->edit, name, state->description, &state->descriptionWhole, &ticked);
    if (result != OPEN_HINT_OK) {
        // Nothing was read: show no record, write nothing, close only what was opened.
        MessageBoxA(requester, OpenFailureText(result), requester ? SetupMessageCaption : SetupCaption, MB_OK);
        EndEditDialog(dialog);
        return;
    }
    SetDlgItemTextA(dialog, IDC_EDIT_NAME, name);
    SetDlgItemTextA(dialog, IDC_EDIT_DESCRIPTION, state->description);
    SendDlgItemMessageA(dialog, IDC_EDIT_COMPOSITING, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Decided from the text itself (the length the control reports may exceed what it holds under a
// double-byte code page). The buffer has two bytes more than any description read: a longer text
// fills it past the stored one even when the read drops a split character at its end.
static BOOL DescriptionUntouched(HWND dialog, const EditDialogState *state)
{
    char text[HINT_DESCRIPTION_SIZE + 2];
    text[0] = 0;
    GetDlgItemTextA(dialog, IDC_EDIT_DESCRIPTION, text, sizeof text);
    return strcmp(text, state->description) == 0;
}

static const char *SaveFailureText(SaveHintResult result)
{
    switch (result) {
    case SAVE_HINT_GONE:
        return "The application was removed from the registry while it was being edited. Nothing was saved.";
    case SAVE_HINT_PARTLY:
        return "Windows refused to store the description in the registry; only the 2D/3D Compositing "
               "setting was saved. Administrator rights may be needed.";
    default:
        return "Windows refused to store the changes in the registry. Nothing was saved. "
               "Administrator rights may be needed.";
    }
}

// A description the user did not touch goes back as it was read, however long (or, when the
// store could not read it whole, is not written at all); only an edited one is cut to 31.
// FALSE when not everything was saved: the user has been told and the dialog stays open.
static BOOL EditOk(HWND dialog)
{
    EditDialogState *state = EditState(dialog);
    if (!state)
        return TRUE;
    char edited[260];
    const char *description = edited;
    if (DescriptionUntouched(dialog, state))
        description = state->descriptionWhole ? state->description : NULL;
    else
        ReadCutText(dialog, IDC_EDIT_DESCRIPTION, edited, DESCRIPTION_READ_LIMIT);
    BOOL ticked = SendDlgItemMessageA(dialog, IDC_EDIT_COMPOSITING, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SaveHintResult saved = SaveAppHintEdit(&state->edit, description, ticked);
    if (saved == SAVE_HINT_OK)
        return TRUE;
    MessageBoxA(dialog, SaveFailureText(saved), SetupCaption, MB_OK);
    SetFocus(GetDlgItem(dialog, IDC_EDIT_DESCRIPTION));
    return FALSE;
}

INT_PTR CALLBACK EditDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        InitEditDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (EditOk(dialog))
                EndEditDialog(dialog);
            break;
        case IDCANCEL:
            EndEditDialog(dialog);
            break;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if (wParam == SC_CLOSE)
            ReleaseEditState(dialog);
        return DialogCloseRule(dialog, wParam);
    case WM_DESTROY:
        // A dialog destroyed without ending (its modal loop cut short by WM_QUIT) still closes
        // its keys.
        ReleaseEditState(dialog);
        return FALSE;
    }
    return FALSE;
}
