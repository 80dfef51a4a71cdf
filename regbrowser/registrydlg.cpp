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

void ShowRootList(HWND dialog)
{
    for (int i = 0; i < BROWSER_ROOT_COUNT; i++)
        SendDlgItemMessageA(dialog, IDC_REG_KEYS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(BrowserRootName(i)));
    BrowserShowRoots();
}

void EnterBrowserName(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_REG_KEYNAME, BrowserName);
    OpenAndListKey(dialog, BrowserName, BrowserPath, &BrowserRoot);
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

void GoDown(HWND dialog)
{
    HWND keys = GetDlgItem(dialog, IDC_REG_KEYS);
    int selected = static_cast<int>(SendMessageA(keys, LB_GETCURSEL, 0, 0));
    char entry[BROWSER_PATH_SIZE] = "";
    BrowserStep step = BROWSE_REFUSE_TOO_LONG;
    if (selected < 0 || ReadKeyEntry(keys, selected, entry, sizeof entry))
        step = BrowserGoDown(selected, entry);
    switch (step) {
    case BROWSE_POST_UP:
        PostMessageA(dialog, WM_COMMAND, IDC_REG_UP, 0);
        break;
    case BROWSE_ENTER:
        EmptyLists(dialog);
        EnterBrowserName(dialog);
        break;
    default:
        Refuse(dialog, step);
        break;
    }
}

void GoUp(HWND dialog)
{
    BrowserStep step = BrowserGoUp();
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
    EnterBrowserName(dialog);
}

void EmptyValueFields(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_REG_TYPE, "");
    SetDlgItemTextA(dialog, IDC_REG_DATA, "");
}

void OnCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDC_REG_DOWN:
        GoDown(dialog);
        break;
    case IDC_REG_UP:
        GoUp(dialog);
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
            DisplayKeyData(dialog, BrowserPath, BrowserRoot);
        }
        break;
    default:
        // Enter and Escape (1 and 2) among them: only the system close ends the dialog.
        break;
    }
}

} // namespace

INT_PTR CALLBACK RegistryDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(dialog);
        BrowserStart();
        PostMessageA(dialog, WM_APP, 0, 0);
        return FALSE;
    case WM_APP:
        ShowRootList(dialog);
        return FALSE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_SYSCOMMAND:
        return DialogCloseRule(dialog, wParam);
    default:
        return FALSE;
    }
}

void OpenAndListKey(HWND dialog, const char *name, char *path, DWORD *root)
{
    BrowserView view = DialogView(dialog);
    SetListsRedraw(dialog, FALSE);
    BOOL listed = EnterAndListKey(name, path, root, &view);
    SetListsRedraw(dialog, TRUE);
    if (!listed)
        PostMessageA(dialog, WM_COMMAND, IDC_REG_UP, 0);
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
