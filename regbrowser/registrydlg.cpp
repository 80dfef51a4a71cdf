// The registry browser dialog: its controls and message boxes are the view of the registry
// walks, and its message queue orders the steps of the navigation.
#include "regbrowser/regbrowser.h"

#include "common/common.h"
#include "resource.h"

namespace {

void SetControlText(void *context, int control, const char *text)
{
    SetDlgItemTextA(static_cast<HWND>(context), control, text);
}

void SetControlNumber(void *context, int control, DWORD number, BOOL isSigned)
{
    SetDlgItemInt(static_cast<HWND>(context), control, number, isSigned);
}

// Reserving the storage up front spares the list box a reallocation per entry.
void PrepareList(void *context, int list, DWORD entries)
{
    if (entries > 0)
        SendDlgItemMessageA(static_cast<HWND>(context), list, LB_INITSTORAGE, entries, entries * 16);
}

void AddListEntry(void *context, int list, const char *text)
{
    SendDlgItemMessageA(static_cast<HWND>(context), list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void ShowDialogMessage(void *context, const char *text, const char *caption)
{
    MessageBoxA(static_cast<HWND>(context), text, caption, MB_OK);
}

BrowserView DialogView(HWND dialog)
{
    BrowserView view = {dialog, SetControlText, SetControlNumber, PrepareList, AddListEntry, ShowDialogMessage};
    return view;
}

void EmptyLists(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDC_REG_KEYS, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_REG_VALUES, LB_RESETCONTENT, 0, 0);
}

// Redraw is off while a list fills: every redraw of a long list costs as much as the walk.
void SetListsRedraw(HWND dialog, BOOL redraw)
{
    SendDlgItemMessageA(dialog, IDC_REG_KEYS, WM_SETREDRAW, redraw, 0);
    SendDlgItemMessageA(dialog, IDC_REG_VALUES, WM_SETREDRAW, redraw, 0);
    if (redraw) {
        InvalidateRect(GetDlgItem(dialog, IDC_REG_KEYS), NULL, TRUE);
        InvalidateRect(GetDlgItem(dialog, IDC_REG_VALUES), NULL, TRUE);
    }
}

void Refuse(HWND dialog, BrowserStep step)
{
    MessageBoxA(dialog, BrowserRefusalText(step), BROWSER_CAPTION, MB_OK);
}

BrowserState *StateOf(HWND dialog)
{
    return reinterpret_cast<BrowserState *>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Each window gets its own block, so that a second browser (the popup can open a second setup
// dialog, and from it a second browser) never moves the first.
BOOL AttachState(HWND dialog)
{
    void *block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(BrowserState));
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(block));
    return block != NULL;
}

void DetachState(HWND dialog)
{
    BrowserState *state = StateOf(dialog);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    if (state)
        HeapFree(GetProcessHeap(), 0, state);
}

void ShowRootList(HWND dialog, BrowserState *state)
{
    for (int i = 0; i < BROWSER_ROOT_COUNT; i++)
        SendDlgItemMessageA(dialog, IDC_REG_KEYS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BrowserRootName(i)));
    BrowserShowRoots(state);
}

void EnterBrowserName(HWND dialog, BrowserState *state)
{
    SetDlgItemTextA(dialog, IDC_REG_KEYNAME, state->BrowserName);
    OpenAndListKey(dialog, state->BrowserName, state->BrowserPath, &state->BrowserRoot);
}

// Subkey names come from a 260-byte buffer; an entry longer than that is refused, never cut.
BOOL ReadKeyEntry(HWND keys, int position, char *entry, int size)
{
    LRESULT length = SendMessageA(keys, LB_GETTEXTLEN, position, 0);
    if (length < 0 || length >= size)
        return FALSE;
    SendMessageA(keys, LB_GETTEXT, position, reinterpret_cast<LPARAM>(entry));
    return TRUE;
}

void GoDown(HWND dialog, BrowserState *state)
{
    HWND keys = GetDlgItem(dialog, IDC_REG_KEYS);
    int selected = static_cast<int>(SendMessageA(keys, LB_GETCURSEL, 0, 0));
    char entry[BROWSER_PATH_SIZE] = "";
    BrowserStep step = BROWSE_REFUSE_TOO_LONG;
    if (selected < 0 || ReadKeyEntry(keys, selected, entry, sizeof entry))
        step = BrowserGoDown(state, selected, entry);
    switch (step) {
    case BROWSE_POST_UP:
        PostMessageA(dialog, WM_COMMAND, IDC_REG_UP, 0);
        break;
    case BROWSE_ENTER:
        EmptyLists(dialog);
        EnterBrowserName(dialog, state);
        break;
    default:
        Refuse(dialog, step);
        break;
    }
}

void GoUp(HWND dialog, BrowserState *state)
{
    BrowserStep step = BrowserGoUp(state);
    if (step == BROWSE_REFUSE_TOP_LEVEL) {
        Refuse(dialog, step);
        return;
    }
    EmptyLists(dialog);
    if (step == BROWSE_SHOW_ROOTS) {
        SetDlgItemTextA(dialog, IDC_REG_KEYNAME, "");
        PostMessageA(dialog, WM_APP, 0, 0);
        return;
    }
    EnterBrowserName(dialog, state);
}

void EmptyValueFields(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_REG_TYPE, "");
    SetDlgItemTextA(dialog, IDC_REG_DATA, "");
}

void OnCommand(HWND dialog, BrowserState *state, int id, int notification)
{
    switch (id) {
    case IDC_REG_DOWN:
        GoDown(dialog, state);
        break;
    case IDC_REG_UP:
        GoUp(dialog, state);
        break;
    case IDC_REG_KEYS:
        if (notification == LBN_DBLCLK) {
            EmptyValueFields(dialog);
            PostMessageA(dialog, WM_COMMAND, IDC_REG_DOWN, 0);
        }
        break;
    case IDC_REG_VALUES:
        if (notification == LBN_DBLCLK) {
            EmptyValueFields(dialog);
            DisplayKeyData(dialog, state->BrowserPath, state->BrowserRoot);
        }
        break;
    default:
        // Enter and Escape (1 and 2) among them: only the system close ends the dialog.
        break;
    }
}

BOOL OnInitDialog(HWND dialog)
{
    CenterDialog(dialog);
    if (!AttachState(dialog)) {
        MessageBoxA(dialog, "Error: not enough memory to open the registry browser.", BROWSER_CAPTION, MB_OK);
        EndDialog(dialog, 1);
        return FALSE;
    }
    BrowserStart(StateOf(dialog));
    PostMessageA(dialog, WM_APP, 0, 0);
    return FALSE;
}

} // namespace

// Messages that come before WM_INITDIALOG or after a failed one find no state and do nothing.
INT_PTR CALLBACK RegistryDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    BrowserState *state = StateOf(dialog);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_APP:
        if (state)
            ShowRootList(dialog, state);
        return FALSE;
    case WM_COMMAND:
        if (state)
            OnCommand(dialog, state, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_SYSCOMMAND:
        return DialogCloseRule(dialog, wParam);
    case WM_DESTROY:
        DetachState(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

void OpenAndListKey(HWND dialog, const char *name, char *path, DWORD *root)
{
    BrowserView view = DialogView(dialog);
    HKEY key = EnterKey(name, path, root, &view);
    if (!key) {
        PostMessageA(dialog, WM_COMMAND, IDC_REG_UP, 0);
        return;
    }
    ListKeyData(dialog, key);
    RegCloseKey(key);
    SetDlgItemTextA(dialog, IDC_REG_PATH, path);
}

void ListKeyData(HWND dialog, HKEY key)
{
    BrowserView view = DialogView(dialog);
    SetListsRedraw(dialog, FALSE);
    ListKeyContents(key, &view);
    SetListsRedraw(dialog, TRUE);
}

void DisplayKeyData(HWND dialog, const char *path, DWORD root)
{
    BrowserView view = DialogView(dialog);
    LRESULT index = SendDlgItemMessageA(dialog, IDC_REG_VALUES, LB_GETCURSEL, 0, 0);
    ShowValueData(root, path, static_cast<DWORD>(index), &view);
}
