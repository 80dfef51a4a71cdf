// The browser's registry walks: listing a key and fetching one value. Read only: keys are opened
// with KEY_READ, and everything taken is released before a walk returns.
#include "regbrowser/regbrowser.h"

#include "common/common.h"
#include "common/globals.h"
#include "resource.h"

#include <string.h>

namespace {

const DWORD NoTypeReported = 0xFFFFFFFF;

void ShowMessage(const BrowserView *view, const char *text, const char *caption)
{
    view->showMessage(view->context, text, caption);
}

struct KeyInfo {
    LONG code;
    DWORD subkeys;
    DWORD values;
    DWORD longestData;
};

// Only the class text, the counts and the longest data size are used; everything else the call
// reports is asked for and dropped. className (260 bytes) always ends up terminated.
KeyInfo QueryKey(HKEY key, char *className, DWORD classSize)
{
    KeyInfo info = {};
    DWORD classLength = classSize;
    DWORD longestSubkey = 0, longestClass = 0, longestName = 0, securityLength = 0;
    FILETIME written = {};
    memset(className, 0, classSize);
    info.code = RegQueryInfoKeyA(key, className, &classLength, NULL, &info.subkeys, &longestSubkey, &longestClass,
                                 &info.values, &longestName, &info.longestData, &securityLength, &written);
    className[classSize - 1] = 0;
    return info;
}

void ListSubkeys(HKEY key, DWORD expected, const BrowserView *view)
{
    char name[260];
    view->prepareList(view->context, IDC_REG_KEYS, expected + 1);
    view->addEntry(view->context, IDC_REG_KEYS, "..");
    WaitCursorOn();
    for (DWORD index = 0;; index++) {
        if (RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS)
            break;
        name[sizeof name - 1] = 0;
        view->addEntry(view->context, IDC_REG_KEYS, name);
    }
    WaitCursorOff();
}

// A value the enumeration could not name is listed as "<NO NAME>": a failed call may leave
// anything in the buffer. FALSE when, the count being unknown, nothing is at index.
BOOL ListOneValue(HKEY key, DWORD index, BOOL countKnown, const BrowserView *view)
{
    char name[128];
    DWORD nameLength = sizeof name;
    name[0] = 0;
    LONG code = RegEnumValueA(key, index, name, &nameLength, NULL, NULL, NULL, NULL);
    BOOL exists = code == ERROR_SUCCESS || code == ERROR_INSUFFICIENT_BUFFER || code == ERROR_MORE_DATA;
    if (!countKnown && code == ERROR_NO_MORE_ITEMS)
        return FALSE;
    if (code != ERROR_SUCCESS && code != ERROR_INSUFFICIENT_BUFFER) {
        char text[BROWSER_MESSAGE_SIZE];
        wsprintfA(text, "Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", 1198, static_cast<int>(index),
                  static_cast<int>(code), static_cast<int>(nameLength));
        ShowMessage(view, text, "Debug");
    }
    if (!countKnown && !exists)
        return FALSE;
    if (code != ERROR_SUCCESS)
        name[0] = 0;
    name[sizeof name - 1] = 0;
    char entry[VALUE_ENTRY_SIZE];
    FormatValueEntry(index, name, entry, sizeof entry);
    view->addEntry(view->context, IDC_REG_VALUES, entry);
    return TRUE;
}

// Without a count from the key query, values are listed until the enumeration says there are
// no more (or fails in a way that says nothing is there).
void ListValues(HKEY key, const KeyInfo &info, const BrowserView *view)
{
    BOOL countKnown = info.code == ERROR_SUCCESS;
    view->prepareList(view->context, IDC_REG_VALUES, countKnown ? info.values : 0);
    WaitCursorOn();
    for (DWORD index = 0; !countKnown || index < info.values; index++) {
        if (!ListOneValue(key, index, countKnown, view))
            break;
    }
    WaitCursorOff();
}

// The size of one value's data, asked of the value itself.
DWORD ValueDataSize(HKEY key, DWORD index)
{
    char name[128];
    DWORD nameLength = sizeof name;
    DWORD size = 0;
    if (RegEnumValueA(key, index, name, &nameLength, NULL, NULL, NULL, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

void ShowFormattedText(const BYTE *data, DWORD type, DWORD size, const ValueDisplay &display,
                       const BrowserView *view)
{
    char *text = NULL;
    if (display.textSize <= static_cast<SIZE_T>(-1))
        text = static_cast<char *>(HeapAlloc(AppHeap, 0, static_cast<SIZE_T>(display.textSize)));
    if (!text) {
        if (display.hexDump)
            ShowMessage(view, "Error: BinaryStrBuf = malloc failed", "Debug: DisplayKeyData");
        return;
    }
    ValueDisplay again;
    FormatValueData(type, data, size, &again, text, display.textSize);
    view->setText(view->context, IDC_REG_DATA, text);
    HeapFree(AppHeap, 0, text);
}

// The type text is set only for a type the call reported, the data only when it was delivered.
void ShowFetchedValue(DWORD type, const BYTE *data, DWORD size, BOOL delivered, const BrowserView *view)
{
    ValueDisplay display;
    FormatValueData(type, delivered ? data : NULL, delivered ? size : 0, &display, NULL, 0);
    view->setText(view->context, IDC_REG_TYPE, display.typeText);
    if (!delivered)
        return;
    if (display.waitCursor)
        WaitCursorOn();
    switch (display.kind) {
    case VALUE_DATA_TEXT:
        ShowFormattedText(data, type, size, display, view);
        break;
    case VALUE_DATA_UNSIGNED:
    case VALUE_DATA_SIGNED:
        view->setNumber(view->context, IDC_REG_DATA, display.number, display.kind == VALUE_DATA_SIGNED);
        break;
    default:
        break;
    }
    if (display.waitCursor)
        WaitCursorOff();
}

} // namespace

HKEY BrowserRootKey(DWORD root)
{
    // The predefined handles are these values, sign-extended where handles are wider.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

BOOL EnterAndListKey(const char *name, char *path, DWORD *root, const BrowserView *view)
{
    HKEY key = NULL;
    switch (BrowserEnterName(name, path, root)) {
    case BROWSE_LIST_ROOT:
        key = BrowserRootKey(*root);
        break;
    case BROWSE_OPEN_KEY: {
        LONG code = RegOpenKeyExA(BrowserRootKey(*root), path, 0, KEY_READ, &key);
        if (code != ERROR_SUCCESS) {
            char text[BROWSER_MESSAGE_SIZE];
            FormatOpenKeyError(code, text, sizeof text);
            ShowMessage(view, text, "");
            return FALSE;
        }
        break;
    }
    default:
        // Not reached from the dialog: its entries are root names and checked paths.
        return FALSE;
    }
    ListKeyContents(key, view);
    RegCloseKey(key);
    view->setText(view->context, IDC_REG_PATH, path);
    return TRUE;
}

void ListKeyContents(HKEY key, const BrowserView *view)
{
    char className[260];
    KeyInfo info = QueryKey(key, className, sizeof className);
    view->setText(view->context, IDC_REG_CLASS, className);
    ListSubkeys(key, info.code == ERROR_SUCCESS ? info.subkeys : 0, view);
    ListValues(key, info, view);
}

void ShowValueData(DWORD root, const char *path, DWORD index, const BrowserView *view)
{
    char text[BROWSER_MESSAGE_SIZE];
    HKEY key;
    LONG code = RegOpenKeyExA(BrowserRootKey(root), path, 0, KEY_READ, &key);
    if (code != ERROR_SUCCESS) {
        wsprintfA(text, "Error: RegOpenKeyEx = %d", static_cast<int>(code));
        ShowMessage(view, text, "DisplayKeyData()");
        return;
    }
    char className[260];
    KeyInfo info = QueryKey(key, className, sizeof className);
    if (info.code != ERROR_SUCCESS) {
        wsprintfA(text, "Error: RegQIK = %d, %d", static_cast<int>(info.code), 1300);
        ShowMessage(view, text, "");
        info.longestData = ValueDataSize(key, index);
    }
    BYTE *data = static_cast<BYTE *>(HeapAlloc(AppHeap, 0, info.longestData));
    DWORD size = data ? info.longestData : 0;
    char name[128];
    DWORD nameLength = sizeof name;
    DWORD type = NoTypeReported;
    code = RegEnumValueA(key, index, name, &nameLength, NULL, &type, data, &size);
    BOOL typeReported = code == ERROR_SUCCESS || (code == ERROR_MORE_DATA && type != NoTypeReported);
    if (code != ERROR_SUCCESS && (!typeReported || type < 9)) {
        wsprintfA(text, "Error: RegEnumValue = %d, cbData = %d, line %d", static_cast<int>(code),
                  static_cast<int>(size), 1325);
        ShowMessage(view, text, "");
    }
    if (typeReported)
        ShowFetchedValue(type, data, size, code == ERROR_SUCCESS && data != NULL, view);
    if (data)
        HeapFree(AppHeap, 0, data);
    RegCloseKey(key);
}
