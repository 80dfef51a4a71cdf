// The hint store's registry side: every key it opens is closed before the operation returns,
// except the two an open edit holds.
#include "hints/hintstore.h"

#include "common/common.h"
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

static void ListOneHint(HKEY hintsKey, const char *name, HintLineSink sink, void *context)
{
    const char *state = "";
    char description[HINT_DESCRIPTION_SIZE];
    description[0] = 0;
    HKEY record;
    if (OpenHintRecord(hintsKey, name, KEY_ALL_ACCESS, &record) == ERROR_SUCCESS) {
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
        char name[MAX_PATH];
        for (DWORD i = 0; RegEnumKeyA(hintsKey, i, name, sizeof name) == ERROR_SUCCESS; i++)
            ListOneHint(hintsKey, name, sink, context);
    }
    WaitCursorOff();
    if (opened == ERROR_SUCCESS)
        RegCloseKey(hintsKey);
}

// One RegCreateKeyA of "App hints\" + name creates both keys. A name too long for that path to
// fit in MAX_PATH is created in two steps, AppHintsKey and then the record below it.
static LONG CreateHintRecord(HKEY productKey, const char *name, HKEY *record)
{
    char path[MAX_PATH];
    if (JoinHintPath(path, sizeof path, HintsBelowProduct, name))
        return RegCreateKeyA(productKey, path, record);
    HKEY hintsKey;
    LONG status = RegCreateKeyA(productKey, HintsBelowProduct, &hintsKey);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegCreateKeyA(hintsKey, name, record);
    RegCloseKey(hintsKey);
    return status;
}

// An empty name would put the values on AppHintsKey itself and a "\" would nest keys, so both
// are refused before anything is written.
CreateHintResult CreateAppHint(const char *name, const char *description)
{
    if (!name || !name[0])
        return CREATE_HINT_EMPTY_NAME;
    if (strchr(name, '\\'))
        return CREATE_HINT_NAME_HAS_SLASH;
    HKEY productKey;
    // RegCreateKeyA creates keys only below a handle with create rights.
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_READ | KEY_CREATE_SUB_KEY, &productKey);
    // A product key that is there but will not grant create rights is a refusal, not a bad install.
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? CREATE_HINT_NO_PRODUCT_KEY : CREATE_HINT_REFUSED;
    HKEY record;
    LONG status = CreateHintRecord(productKey, name, &record);
    LONG written = ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) {
        written = WriteHintText(record, HINT_DESCRIPTION_VALUE, description ? description : "");
        if (written == ERROR_SUCCESS)
            written = WriteHintText(record, HINT_FLAG_VALUE, "1");
    }
    RegCloseKey(productKey);
    if (status == ERROR_SUCCESS)
        RegCloseKey(record);
    return written == ERROR_SUCCESS ? CREATE_HINT_OK : CREATE_HINT_REFUSED;
}

// A key that vanished between the enumeration and the call stood there no more.
static HintChangeResult ChangeResult(LONG status)
{
    if (status == ERROR_SUCCESS)
        return HINT_CHANGE_DONE;
    return status == ERROR_FILE_NOT_FOUND ? HINT_CHANGE_NO_RECORD : HINT_CHANGE_REFUSED;
}

static HintChangeResult FlipHintRecord(HKEY hintsKey, const char *name)
{
    HKEY record;
    LONG opened = OpenHintRecord(hintsKey, name, KEY_ALL_ACCESS, &record);
    if (opened != ERROR_SUCCESS)
        return ChangeResult(opened);
    BYTE flag[MAX_PATH];
    DWORD length;
    LONG status = ReadHintFlag(record, flag, &length);
    LONG written = WriteHintText(record, HINT_FLAG_VALUE, FlippedHintFlag(status, flag, length));
    RegCloseKey(record);
    return written == ERROR_SUCCESS ? HINT_CHANGE_DONE : HINT_CHANGE_REFUSED;
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
        char name[MAX_PATH];
        for (DWORD i = 0; RegEnumKeyA(hintsKey, i, name, sizeof name) == ERROR_SUCCESS; i++) {
            if (position < 0 || i != static_cast<DWORD>(position))
                continue;
            if (action == HINT_WALK_DELETE)
                result = ChangeResult(RegDeleteKeyA(hintsKey, name));
            else
                result = FlipHintRecord(hintsKey, name);
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
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, AppHintsKeyPath, 0, KEY_ALL_ACCESS, &hintsKey);
    if (status != ERROR_SUCCESS)
        return OpenFailure(status);
    edit->hintsKey = hintsKey;
    char recordName[MAX_PATH];
    if (position < 0 || RegEnumKeyA(hintsKey, static_cast<DWORD>(position), recordName, sizeof recordName) != ERROR_SUCCESS)
        return OPEN_HINT_NO_RECORD;
    HKEY record;
    status = OpenHintRecord(hintsKey, recordName, KEY_ALL_ACCESS, &record);
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
