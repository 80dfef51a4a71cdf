// The browser's registry walks: listing a key and fetching one value. Read only: keys are opened
// with KEY_READ, and everything taken is released before a walk returns.
#include "regbrowser/regbrowser.h"

#include "common/common.h"
#include "common/globals.h"
#include "resource.h"

#include <string.h>

namespace {

const DWORD NoTypeReported = 0xFFFFFFFF;
// Value names reach 16383 characters; in the ANSI form each takes at most three bytes (two in a
// double-byte code page, up to three in UTF-8), and the key reports lengths in characters.
const DWORD MaxValueNameBytes = 16384 * 3;
// A value that keeps growing between reads is given up after this many.
const int MaxValueReads = 4;

void ShowMessage(const BrowserView *view, const char *text, const char *caption)
{
    view->showMessage(view->context, text, caption);
}

struct KeyInfo {
    LONG code;
    DWORD subkeys;
    DWORD values;
    DWORD longestName;
    DWORD longestData;
};

// Only the class text, the counts and the longest name and data are used; everything else the
// call reports is asked for and dropped. className (260 bytes) always ends up terminated.
KeyInfo QueryKey(HKEY key, char *className, DWORD classSize)
{
    KeyInfo info = {};
    DWORD classLength = classSize;
    DWORD longestSubkey = 0, longestClass = 0, securityLength = 0;
    FILETIME written = {};
    memset(className, 0, classSize);
    info.code = RegQueryInfoKeyA(key, className, &classLength, NULL, &info.subkeys, &longestSubkey, &longestClass,
                                 &info.values, &info.longestName, &info.longestData, &securityLength, &written);
    className[classSize - 1] = 0;
    return info;
}

// The bytes a value name of the key takes with its zero, whatever the code page; the most any
// name can take when the key did not say.
DWORD ValueNameBytes(const KeyInfo &info)
{
    if (info.code != ERROR_SUCCESS || info.longestName >= MaxValueNameBytes / 3)
        return MaxValueNameBytes;
    return (info.longestName + 1) * 3;
}

void ListSubkeys(HKEY key, DWORD expected, const BrowserView *view)
{
    char name[260];
    view->prepareList(view->context, IDC_REG_KEYS, expected + 1);
    view->addEntry(view->context, IDC_REG_KEYS, "..");
    WaitCursorOn();
    for (DWORD index = 0;; index++) {
        LONG code = RegEnumKeyA(key, index, name, sizeof name);
        // A name longer than 259 bytes (255 characters in a double-byte or UTF-8 code page) could
        // not be entered anyway: the path of the ANSI calls holds 259. It is left out, and the
        // siblings after it are still listed.
        if (code == ERROR_MORE_DATA)
            continue;
        if (code != ERROR_SUCCESS)
            break;
        name[sizeof name - 1] = 0;
        view->addEntry(view->context, IDC_REG_KEYS, name);
    }
    WaitCursorOff();
}

struct NameBuffers {
    char *name;  // nameSize bytes
    char *entry; // nameSize + VALUE_ENTRY_EXTRA bytes
    DWORD nameSize;
};

// A name that does not fit (the key changed since it was asked) is listed as far as it came
// back; a value the enumeration could not name at all is listed as "<NO NAME>", since a failed
// call may leave anything in the buffer. FALSE when, the count being unknown, nothing is at index.
BOOL ListOneValue(HKEY key, DWORD index, BOOL countKnown, const NameBuffers &buffers, const BrowserView *view)
{
    char *name = buffers.name;
    DWORD nameLength = buffers.nameSize;
    name[0] = 0;
    LONG code = RegEnumValueA(key, index, name, &nameLength, NULL, NULL, NULL, NULL);
    BOOL cut = code == ERROR_MORE_DATA || code == ERROR_INSUFFICIENT_BUFFER;
    if (!countKnown && code == ERROR_NO_MORE_ITEMS)
        return FALSE;
    if (code != ERROR_SUCCESS && !cut) {
        char text[BROWSER_MESSAGE_SIZE];
        wsprintfA(text, "Line:%d 0 based index = %d, retValue = %d, ValueLen = %d", 1198, static_cast<int>(index),
                  static_cast<int>(code), static_cast<int>(nameLength));
        ShowMessage(view, text, "Debug");
        if (!countKnown)
            return FALSE;
        name[0] = 0;
    }
    name[buffers.nameSize - 1] = 0;
    FormatValueEntry(index, name, buffers.entry, buffers.nameSize + VALUE_ENTRY_EXTRA);
    view->addEntry(view->context, IDC_REG_VALUES, buffers.entry);
    return TRUE;
}

// Without a count from the key query, values are listed until the enumeration says there are
// no more (or fails in a way that says nothing is there).
void ListValues(HKEY key, const KeyInfo &info, const BrowserView *view)
{
    BOOL countKnown = info.code == ERROR_SUCCESS;
    char small[128 * 2 + VALUE_ENTRY_EXTRA];
    NameBuffers buffers = {small, small + 128, 128};
    DWORD nameSize = ValueNameBytes(info);
    char *block = static_cast<char *>(HeapAlloc(AppHeap, 0, nameSize * 2 + VALUE_ENTRY_EXTRA));
    if (block)
        buffers = {block, block + nameSize, nameSize};
    view->prepareList(view->context, IDC_REG_VALUES, countKnown ? info.values : 0);
    WaitCursorOn();
    for (DWORD index = 0; !countKnown || index < info.values; index++) {
        if (!ListOneValue(key, index, countKnown, buffers, view))
            break;
    }
    WaitCursorOff();
    if (block)
        HeapFree(AppHeap, 0, block);
}

struct FetchedValue {
    LONG code;
    DWORD type;
    BYTE *block; // the name, then the data; NULL when AppHeap had no room
    BYTE *data;
    DWORD size;
};

// Reads the value at index. Data that does not fit the size the key reported (the value grew
// since, or its 8-bit form is longer than the stored one, as strings are on a UTF-8 code page)
// is read again with the size the call gave back; a name that did not fit, with room for the
// longest name there can be.
FetchedValue FetchValue(HKEY key, DWORD index, DWORD nameSize, DWORD dataSize)
{
    FetchedValue value = {ERROR_MORE_DATA, NoTypeReported, NULL, NULL, 0};
    char fallbackName[128];
    for (int read = 0; read < MaxValueReads && value.code == ERROR_MORE_DATA; read++) {
        if (value.block)
            HeapFree(AppHeap, 0, value.block);
        value.block = NULL;
        if (dataSize <= static_cast<DWORD>(-1) - nameSize)
            value.block = static_cast<BYTE *>(HeapAlloc(AppHeap, 0, nameSize + dataSize));
        char *name = value.block ? reinterpret_cast<char *>(value.block) : fallbackName;
        DWORD nameLength = value.block ? nameSize : sizeof fallbackName;
        value.data = value.block ? value.block + nameSize : NULL;
        value.size = value.block ? dataSize : 0;
        value.type = NoTypeReported;
        value.code = RegEnumValueA(key, index, name, &nameLength, NULL, &value.type, value.data, &value.size);
        if (value.code != ERROR_MORE_DATA || !value.block)
            break;
        if (value.size > dataSize)
            dataSize = value.size;
        else
            nameSize = MaxValueNameBytes;
    }
    return value;
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

HKEY EnterKey(const char *name, char *path, DWORD *root, const BrowserView *view)
{
    HKEY key = NULL;
    switch (BrowserEnterName(name, path, root)) {
    case BROWSE_LIST_ROOT:
        return BrowserRootKey(*root);
    case BROWSE_OPEN_KEY: {
        LONG code = RegOpenKeyExA(BrowserRootKey(*root), path, 0, KEY_READ, &key);
        if (code != ERROR_SUCCESS) {
            char text[BROWSER_MESSAGE_SIZE];
            FormatOpenKeyError(code, text, sizeof text);
            ShowMessage(view, text, "");
            return NULL;
        }
        return key;
    }
    default:
        // Not reached from the dialog: its entries are root names and checked paths.
        return NULL;
    }
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
        info.longestData = 0; // the first read tells the size
    }
    FetchedValue value = FetchValue(key, index, ValueNameBytes(info), info.longestData);
    BOOL typeReported = value.code == ERROR_SUCCESS || (value.code == ERROR_MORE_DATA && value.type != NoTypeReported);
    if (value.code != ERROR_SUCCESS && (!typeReported || value.type < 9)) {
        wsprintfA(text, "Error: RegEnumValue = %d, cbData = %d, line %d", static_cast<int>(value.code),
                  static_cast<int>(value.size), 1325);
        ShowMessage(view, text, "");
    }
    if (typeReported)
        ShowFetchedValue(value.type, value.data, value.size, value.code == ERROR_SUCCESS && value.data != NULL, view);
    if (value.block)
        HeapFree(AppHeap, 0, value.block);
    RegCloseKey(key);
}
