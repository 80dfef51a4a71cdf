// The hint store's registry side: every key it opens is closed before the operation returns,
// except the two an open edit holds.
#include "hints/hintstore.h"

#include "common/common.h"
#include "common/textrules.h"
#include "hints/hintrules.h"

#include <stdlib.h>
#include <string.h>

LONG SelectedHintIndex = -1;

static const char AppHintsKeyPath[] = APP_HINTS_KEY;
static const char ProductKeyPath[] = PRODUCT_KEY;
// "App hints\", the path of AppHintsKey below the product key.
static const char *const HintsBelowProduct = &AppHintsKeyPath[sizeof ProductKeyPath - 1];

// Reads a value's data into data (dataSize bytes). A value longer than the buffer is read whole
// into a block of its size and its head kept, so that a long value written by others is shown
// cut rather than lost; *cut then tells so. *length is the number of bytes kept.
static LONG ReadValueHead(HKEY key, const char *name, BYTE *data, DWORD dataSize, DWORD *length, BOOL *cut)
{
    DWORD size = dataSize;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, data, &size);
    *length = 0;
    *cut = FALSE;
    if (status == ERROR_SUCCESS)
        *length = size;
    // The value may grow between the calls; a few tries are enough for anything but a race.
    for (int attempt = 0; status == ERROR_MORE_DATA && attempt < 3; attempt++) {
        BYTE *whole = static_cast<BYTE *>(malloc(size));
        if (!whole)
            return ERROR_NOT_ENOUGH_MEMORY;
        DWORD wholeSize = size;
        status = RegQueryValueExA(key, name, NULL, NULL, whole, &wholeSize);
        if (status == ERROR_SUCCESS) {
            *length = wholeSize < dataSize ? wholeSize : dataSize;
            *cut = wholeSize > dataSize;
            memcpy(data, whole, *length);
        }
        free(whole);
        size = wholeSize;
    }
    return status;
}

// Reads "Need3DOn2D" into flag (MAX_PATH bytes, first byte zeroed first).
static LONG ReadHintFlag(HKEY record, BYTE *flag, DWORD *length)
{
    BOOL cut;
    flag[0] = 0;
    return ReadValueHead(record, HINT_FLAG_VALUE, flag, MAX_PATH, length, &cut);
}

// Reads "Description" as text; empty when it cannot be read. FALSE when it was cut to fit.
static BOOL ReadHintDescription(HKEY record, char *text, size_t textSize)
{
    BYTE data[HINT_DESCRIPTION_SIZE];
    DWORD length;
    BOOL cut;
    data[0] = 0;
    if (ReadValueHead(record, HINT_DESCRIPTION_VALUE, data, sizeof data, &length, &cut) != ERROR_SUCCESS)
        length = 0;
    return HintTextFromData(data, length, cut, text, textSize);
}

static LONG WriteHintText(HKEY record, const char *valueName, const char *text)
{
    return RegSetValueExA(record, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), HintTextByteCount(text));
}

// A record is opened by its full path from HKEY_LOCAL_MACHINE. When that path would not fit in
// MAX_PATH (long names written by others; the registry's ANSI calls refuse longer paths too),
// it is opened by name below the AppHintsKey handle already held, so that it still shows true.
static LONG OpenHintRecord(HKEY hintsKey, const char *name, REGSAM rights, HKEY *record)
{
    char path[MAX_PATH];
    if (JoinHintPath(path, sizeof path, AppHintsKeyPath, name))
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, rights, record);
    return RegOpenKeyExA(hintsKey, name, 0, rights, record);
}

// The rights each operation asks for: the list only reads values; a flip and an edit read and
// write them. Nothing asks for more (KEY_ALL_ACCESS would also want the rights to change the
// key's security, which the machine's users are not given), so that a record a user may read
// lists truthfully and one a user may change can be changed.
static const REGSAM ListRights = KEY_QUERY_VALUE;
static const REGSAM ChangeRights = KEY_QUERY_VALUE | KEY_SET_VALUE;

typedef LONG(WINAPI *EnumKeyW)(HKEY, DWORD, LPWSTR, DWORD);
typedef LONG(WINAPI *OpenKeyExW)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
typedef LONG(WINAPI *DeleteKeyW)(HKEY, LPCWSTR);

// ADVAPI32's wide registry calls, looked up at run time (Windows 9x exports some of them only as
// stubs that fail, and may lack others), at most once per operation and only when a record needs
// them. A call that is missing stays NULL.
struct WideRegistryCalls {
    BOOL lookedUp;
    EnumKeyW enumKey;
    OpenKeyExW openKey;
    DeleteKeyW deleteKey;
};

template <typename Call> static Call WideRegistryCall(HMODULE advapi, const char *name)
{
    // Through a generic function pointer type: FARPROC is not the export's real type.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)(void)>(advapi ? GetProcAddress(advapi, name) : NULL));
}

static const WideRegistryCalls *LookUpWideCalls(WideRegistryCalls *wide)
{
    if (!wide->lookedUp) {
        HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
        wide->enumKey = WideRegistryCall<EnumKeyW>(advapi, "RegEnumKeyW");
        wide->openKey = WideRegistryCall<OpenKeyExW>(advapi, "RegOpenKeyExW");
        wide->deleteKey = WideRegistryCall<DeleteKeyW>(advapi, "RegDeleteKeyW");
        wide->lookedUp = TRUE;
    }
    return wide;
}

// The wide name of the subkey at position, where the wide call wanted is there too:
// ERROR_FILE_NOT_FOUND when no subkey stands there, ERROR_CALL_NOT_IMPLEMENTED where the wide
// calls do not work.
static LONG WideHintName(HKEY hintsKey, DWORD position, const WideRegistryCalls *wide, BOOL wanted,
                         WCHAR (&name)[MAX_PATH])
{
    if (!wanted || !wide->enumKey)
        return ERROR_CALL_NOT_IMPLEMENTED;
    LONG status = wide->enumKey(hintsKey, position, name, MAX_PATH);
    return status == ERROR_NO_MORE_ITEMS ? ERROR_FILE_NOT_FOUND : status;
}

// Where the wide registry calls work (the NT family) a record can be reached by its wide name at
// its position: the ANSI name may have lost characters ("?" for what the code page cannot spell)
// and then names no key, or another one. Elsewhere (Windows 9x keeps key names in the ANSI code
// page, so they lose nothing) ERROR_CALL_NOT_IMPLEMENTED asks for the ANSI name.
static LONG OpenHintRecordWide(HKEY hintsKey, DWORD position, REGSAM rights, WideRegistryCalls *calls, HKEY *record)
{
    const WideRegistryCalls *wide = LookUpWideCalls(calls);
    WCHAR name[MAX_PATH];
    LONG status = WideHintName(hintsKey, position, wide, wide->openKey != NULL, name);
    return status == ERROR_SUCCESS ? wide->openKey(hintsKey, name, 0, rights, record) : status;
}

static LONG DeleteHintRecordWide(HKEY hintsKey, DWORD position, WideRegistryCalls *calls)
{
    const WideRegistryCalls *wide = LookUpWideCalls(calls);
    WCHAR name[MAX_PATH];
    LONG status = WideHintName(hintsKey, position, wide, wide->deleteKey != NULL, name);
    return status == ERROR_SUCCESS ? wide->deleteKey(hintsKey, name) : status;
}

// Opens the record at position, which the ANSI enumeration named name, by its wide name: a change
// never acts on another record than the one at the position.
static LONG OpenHintRecordAt(HKEY hintsKey, DWORD position, const char *name, REGSAM rights, WideRegistryCalls *wide,
                             HKEY *record)
{
    LONG status = OpenHintRecordWide(hintsKey, position, rights, wide, record);
    return status == ERROR_CALL_NOT_IMPLEMENTED ? OpenHintRecord(hintsKey, name, rights, record) : status;
}

// Deletes the record at position, which the ANSI enumeration named name.
static LONG DeleteHintRecordAt(HKEY hintsKey, DWORD position, const char *name, WideRegistryCalls *wide)
{
    LONG status = DeleteHintRecordWide(hintsKey, position, wide);
    return status == ERROR_CALL_NOT_IMPLEMENTED ? RegDeleteKeyA(hintsKey, name) : status;
}

// Opens a listed record for reading. The list reaches a record by its ANSI name, as a plain walk
// does, and by its wide name at its position only where that name may have lost characters:
// when it holds "?", which the conversion puts for a character the code page cannot spell, or
// when the ANSI open fails. So a list of ordinary names costs what a plain walk costs.
static LONG OpenListedRecord(HKEY hintsKey, DWORD position, const char *name, WideRegistryCalls *wide, HKEY *record)
{
    BOOL lossy = HintNameMayHaveLostChars(name);
    LONG status = ERROR_FILE_NOT_FOUND;
    if (!lossy) {
        status = OpenHintRecord(hintsKey, name, ListRights, record);
        if (status == ERROR_SUCCESS)
            return status;
    }
    LONG wideStatus = OpenHintRecordWide(hintsKey, position, ListRights, wide, record);
    if (wideStatus != ERROR_CALL_NOT_IMPLEMENTED)
        return wideStatus;
    return lossy ? OpenHintRecord(hintsKey, name, ListRights, record) : status;
}

static void ReadListedValues(HKEY record, const char **state, char *description, size_t descriptionSize)
{
    char valueName[MAX_PATH];
    for (DWORD j = 0;; j++) {
        DWORD nameSize = sizeof valueName;
        valueName[0] = 0;
        if (RegEnumValueA(record, j, valueName, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // The list matches value names byte for byte, unlike the registry's own lookup.
        if (strcmp(valueName, HINT_FLAG_VALUE) == 0) {
            BYTE flag[MAX_PATH];
            DWORD length;
            LONG status = ReadHintFlag(record, flag, &length);
            *state = HintStateText(status, flag, length);
        } else if (strcmp(valueName, HINT_DESCRIPTION_VALUE) == 0) {
            ReadHintDescription(record, description, descriptionSize);
        }
    }
}

static void ListOneHint(HKEY hintsKey, DWORD position, const char *name, WideRegistryCalls *wide, HintLineSink sink,
                        void *context)
{
    const char *state = "";
    char description[HINT_DESCRIPTION_SIZE];
    description[0] = 0;
    HKEY record;
    if (OpenListedRecord(hintsKey, position, name, wide, &record) == ERROR_SUCCESS) {
        ReadListedValues(record, &state, description, sizeof description);
        RegCloseKey(record);
    }
    char line[HINT_LINE_SIZE];
    FormatAppHintLine(name, description, state, line, sizeof line);
    sink(line, context);
}

void ListAppHints(HintLineSink sink, void *context)
{
    HKEY hintsKey;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppHintsKeyPath, 0, KEY_READ, &hintsKey);
    WaitCursorOn();
    if (opened == ERROR_SUCCESS) {
        WideRegistryCalls wide = {FALSE, NULL, NULL, NULL};
        char name[MAX_PATH];
        for (DWORD i = 0; RegEnumKeyA(hintsKey, i, name, sizeof name) == ERROR_SUCCESS; i++)
            ListOneHint(hintsKey, i, name, &wide, sink, context);
    }
    WaitCursorOff();
    if (opened == ERROR_SUCCESS)
        RegCloseKey(hintsKey);
}

// Creates AppHintsKey below the product key, then the record below it, telling for each whether
// this call created it (RegCreateKeyExA's disposition), so that a record refused halfway can be
// taken back. Both are opened with the rights they grant, as RegCreateKeyA opens a key.
static LONG CreateHintRecord(HKEY productKey, const char *name, HKEY *hintsKey, BOOL *hintsCreated, HKEY *record,
                             BOOL *recordCreated)
{
    DWORD disposition = 0;
    *hintsCreated = *recordCreated = FALSE;
    LONG status = RegCreateKeyExA(productKey, HintsBelowProduct, 0, NULL, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, NULL,
                                  hintsKey, &disposition);
    if (status != ERROR_SUCCESS)
        return status;
    *hintsCreated = disposition == REG_CREATED_NEW_KEY;
    disposition = 0;
    status = RegCreateKeyExA(*hintsKey, name, 0, NULL, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, NULL, record, &disposition);
    *recordCreated = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    return status;
}

// Whether the key holds a subkey (a name too long for the buffer still stands there).
static BOOL HasSubkeys(HKEY key)
{
    char name[MAX_PATH];
    LONG status = RegEnumKeyA(key, 0, name, sizeof name);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

// An empty name would put the values on AppHintsKey itself and a "\" would nest keys, so both
// are refused before anything is written. A record refused after this call created it is removed
// again, and AppHintsKey with it when this call created that too: a refused record never lists.
CreateHintResult CreateAppHint(const char *name, const char *description)
{
    if (!name || !name[0])
        return CREATE_HINT_EMPTY_NAME;
    if (LastSeparator(name))
        return CREATE_HINT_NAME_HAS_SLASH;
    HKEY productKey;
    // RegCreateKeyExA creates keys only below a handle with create rights.
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_READ | KEY_CREATE_SUB_KEY, &productKey);
    // A product key that is there but will not grant create rights is a refusal, not a bad install.
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? CREATE_HINT_NO_PRODUCT_KEY : CREATE_HINT_REFUSED;
    HKEY hintsKey = NULL, record = NULL;
    BOOL hintsCreated, recordCreated;
    LONG status = CreateHintRecord(productKey, name, &hintsKey, &hintsCreated, &record, &recordCreated);
    LONG written = ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) {
        written = WriteHintText(record, HINT_DESCRIPTION_VALUE, description ? description : "");
        if (written == ERROR_SUCCESS)
            written = WriteHintText(record, HINT_FLAG_VALUE, "1");
        RegCloseKey(record);
    }
    if (written != ERROR_SUCCESS && recordCreated)
        RegDeleteKeyA(hintsKey, name);
    if (hintsKey)
        RegCloseKey(hintsKey);
    if (written != ERROR_SUCCESS && hintsCreated) {
        HKEY hints;
        // Only when nothing else has come to stand below it meanwhile.
        if (RegOpenKeyExA(productKey, HintsBelowProduct, 0, KEY_READ, &hints) == ERROR_SUCCESS) {
            BOOL empty = !HasSubkeys(hints);
            RegCloseKey(hints);
            if (empty)
                RegDeleteKeyA(productKey, HintsBelowProduct);
        }
    }
    RegCloseKey(productKey);
    return written == ERROR_SUCCESS ? CREATE_HINT_OK : CREATE_HINT_REFUSED;
}

// A key that vanished between the enumeration and the call stood there no more.
static HintChangeResult ChangeResult(LONG status)
{
    if (status == ERROR_SUCCESS)
        return HINT_CHANGE_DONE;
    return status == ERROR_FILE_NOT_FOUND ? HINT_CHANGE_NO_RECORD : HINT_CHANGE_REFUSED;
}

static HintChangeResult FlipHintRecord(HKEY hintsKey, DWORD position, const char *name, WideRegistryCalls *wide)
{
    HKEY record;
    LONG opened = OpenHintRecordAt(hintsKey, position, name, ChangeRights, wide, &record);
    if (opened != ERROR_SUCCESS)
        return ChangeResult(opened);
    BYTE flag[MAX_PATH];
    DWORD length;
    LONG status = ReadHintFlag(record, flag, &length);
    LONG written = WriteHintText(record, HINT_FLAG_VALUE, FlippedHintFlag(status, flag, length));
    RegCloseKey(record);
    return written == ERROR_SUCCESS ? HINT_CHANGE_DONE : HINT_CHANGE_REFUSED;
}

// A refused delete of a record that holds keys of its own is told as such: rights are not what
// is missing.
static HintChangeResult DeleteHintRecord(HKEY hintsKey, DWORD position, const char *name, WideRegistryCalls *wide)
{
    HintChangeResult result = ChangeResult(DeleteHintRecordAt(hintsKey, position, name, wide));
    HKEY record;
    if (result == HINT_CHANGE_REFUSED && OpenHintRecordAt(hintsKey, position, name, KEY_READ, wide, &record) == ERROR_SUCCESS) {
        if (HasSubkeys(record))
            result = HINT_CHANGE_HAS_SUBKEYS;
        RegCloseKey(record);
    }
    return result;
}

enum HintWalkAction { HINT_WALK_DELETE, HINT_WALK_FLIP };

// Walks every subkey of AppHintsKey and acts on the one at position. The walk runs to the end:
// after a delete the keys behind move up one place, so no second key matches.
static HintChangeResult ActOnHintAt(LONG position, HintWalkAction action)
{
    HKEY hintsKey;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppHintsKeyPath, 0, KEY_READ, &hintsKey);
    HintChangeResult result = opened == ERROR_SUCCESS ? HINT_CHANGE_NO_RECORD : ChangeResult(opened);
    WaitCursorOn();
    if (opened == ERROR_SUCCESS) {
        WideRegistryCalls wide = {FALSE, NULL, NULL, NULL};
        char name[MAX_PATH];
        for (DWORD i = 0; RegEnumKeyA(hintsKey, i, name, sizeof name) == ERROR_SUCCESS; i++) {
            if (position < 0 || i != static_cast<DWORD>(position))
                continue;
            if (action == HINT_WALK_DELETE)
                result = DeleteHintRecord(hintsKey, i, name, &wide);
            else
                result = FlipHintRecord(hintsKey, i, name, &wide);
        }
    }
    WaitCursorOff();
    if (opened == ERROR_SUCCESS)
        RegCloseKey(hintsKey);
    return result;
}

HintChangeResult DeleteAppHint(LONG position)
{
    return ActOnHintAt(position, HINT_WALK_DELETE);
}

HintChangeResult ToggleAppHint(LONG position)
{
    return ActOnHintAt(position, HINT_WALK_FLIP);
}

// Missing keys mean no record stands there; any other refusal is one of access.
static OpenHintResult OpenFailure(LONG status)
{
    return status == ERROR_FILE_NOT_FOUND ? OPEN_HINT_NO_RECORD : OPEN_HINT_NO_ACCESS;
}

OpenHintResult OpenAppHintEdit(LONG position, AppHintEdit *edit, char *name, char *description,
                               BOOL *descriptionWhole, BOOL *ticked)
{
    edit->hintsKey = NULL;
    edit->recordKey = NULL;
    HKEY hintsKey;
    // AppHintsKey is only walked; the record is opened for what a save does.
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppHintsKeyPath, 0, KEY_READ, &hintsKey);
    if (status != ERROR_SUCCESS)
        return OpenFailure(status);
    edit->hintsKey = hintsKey;
    char recordName[MAX_PATH];
    if (position < 0 || RegEnumKeyA(hintsKey, static_cast<DWORD>(position), recordName, sizeof recordName) != ERROR_SUCCESS)
        return OPEN_HINT_NO_RECORD;
    HKEY record;
    WideRegistryCalls wide = {FALSE, NULL, NULL, NULL};
    status = OpenHintRecordAt(hintsKey, static_cast<DWORD>(position), recordName, ChangeRights, &wide, &record);
    if (status != ERROR_SUCCESS)
        return OpenFailure(status);
    edit->recordKey = record;
    BYTE flag[MAX_PATH];
    DWORD length;
    LONG flagStatus = ReadHintFlag(record, flag, &length);
    *ticked = !HintFlagIsOff(flagStatus, flag, length);
    *descriptionWhole = ReadHintDescription(record, description, HINT_DESCRIPTION_SIZE);
    HintTextFromData(reinterpret_cast<const BYTE *>(recordName), static_cast<DWORD>(strlen(recordName)), FALSE, name,
                     HINT_NAME_SIZE);
    return OPEN_HINT_OK;
}

static SaveHintResult SaveFailure(LONG status, SaveHintResult refused)
{
    return status == ERROR_KEY_DELETED ? SAVE_HINT_GONE : refused;
}

SaveHintResult SaveAppHintEdit(AppHintEdit *edit, const char *description, BOOL ticked)
{
    if (!edit->recordKey)
        return SAVE_HINT_REFUSED;
    LONG status = WriteHintText(edit->recordKey, HINT_FLAG_VALUE, HintFlagForBox(ticked));
    if (status != ERROR_SUCCESS)
        return SaveFailure(status, SAVE_HINT_REFUSED);
    if (description)
        status = WriteHintText(edit->recordKey, HINT_DESCRIPTION_VALUE, description);
    return status == ERROR_SUCCESS ? SAVE_HINT_OK : SaveFailure(status, SAVE_HINT_PARTLY);
}

void CloseAppHintEdit(AppHintEdit *edit)
{
    if (edit->hintsKey)
        RegCloseKey(edit->hintsKey);
    if (edit->recordKey)
        RegCloseKey(edit->recordKey);
    edit->hintsKey = NULL;
    edit->recordKey = NULL;
}
