// The application hint store: one registry key per application below AppHintsKey, holding a
// "Description" and the compositing flag "Need3DOn2D". Records are addressed by position, the
// order in which the registry enumerates the subkeys. A name the ANSI code page cannot spell
// (written through the wide calls) lists with "?" for what it lost, and as such names no key or
// another one: where the wide registry calls work (the NT family, the only systems that hold such
// names) a record is therefore flipped, edited and deleted by its wide name at its position, and
// listed by it where its ANSI name holds a "?" or does not open.
// Each operation asks for the rights it needs and no more: the list reads (a user who may only
// read the records sees what they hold), a flip and an edit read and set values.
#pragma once
#include "common/platform.h"

#include <stddef.h>

#define PRODUCT_KEY "SOFTWARE\\Quarnell\\Halvane\\"
#define APP_HINTS_KEY "SOFTWARE\\Quarnell\\Halvane\\App hints\\"

// Sizes of the texts the store hands out, terminating zero included. A record name is a
// registry key name (at most 255 characters); a description read from the registry may be
// longer than anything this system writes, and is cut only beyond this size.
#define HINT_NAME_SIZE 256
#define HINT_DESCRIPTION_SIZE 1024
#define HINT_LINE_SIZE (HINT_NAME_SIZE + HINT_DESCRIPTION_SIZE + 8)

// The setup list's selected position as last read, -1 for none.
extern LONG SelectedHintIndex;

// An open edit, held from OpenAppHintEdit to CloseAppHintEdit: AppHintsKey opened for reading, the
// record for reading and setting values.
// A handle that could not be opened stays NULL and is never written through or closed.
struct AppHintEdit {
    HKEY hintsKey;
    HKEY recordKey;
};

// Why CreateAppHint wrote nothing.
enum CreateHintResult {
    CREATE_HINT_OK,
    CREATE_HINT_EMPTY_NAME,     // refused: the values would land on AppHintsKey itself
    CREATE_HINT_NAME_HAS_SLASH, // refused: a "\" would create nested keys
    CREATE_HINT_NO_PRODUCT_KEY, // the product key is missing
    CREATE_HINT_REFUSED,        // the registry would not open the product key for creating, create
                                // the record or store one of its values
};

// What a flip or a delete at a position did.
enum HintChangeResult {
    HINT_CHANGE_DONE,
    HINT_CHANGE_NO_RECORD,   // nothing stands at the position: nothing to change
    HINT_CHANGE_REFUSED,     // the record is there, but the registry would not change it
    HINT_CHANGE_HAS_SUBKEYS, // a delete refused: the record holds keys of its own
};

// What SaveAppHintEdit stored. The writes stop at the first one refused.
enum SaveHintResult {
    SAVE_HINT_OK,
    SAVE_HINT_GONE,    // the record was deleted since it was opened: nothing of it is left
    SAVE_HINT_REFUSED, // the flag was refused (or no record is open): nothing was written
    SAVE_HINT_PARTLY,  // the flag was written, the description refused
};

// What OpenAppHintEdit found.
enum OpenHintResult {
    OPEN_HINT_OK,
    OPEN_HINT_NO_RECORD,  // no record stands at the position any more
    OPEN_HINT_NO_ACCESS,  // AppHintsKey cannot be read, or the record cannot be opened for changing
};

// Receives the list lines in position order.
typedef void (*HintLineSink)(const char *line, void *context);

// Pure: name TAB description-or-"none" TAB state-or-"Off", cut to fit lineSize.
void FormatAppHintLine(const char *name, const char *description, const char *state, char *line, size_t lineSize);

// One line per record, in position order.
void ListAppHints(HintLineSink sink, void *context);
CreateHintResult CreateAppHint(const char *name, const char *description);
HintChangeResult DeleteAppHint(LONG position);
HintChangeResult ToggleAppHint(LONG position);

// Opens the record at position for editing. On OPEN_HINT_OK, name (HINT_NAME_SIZE bytes),
// description (HINT_DESCRIPTION_SIZE bytes) and ticked are filled; *descriptionWhole tells
// whether the description was read whole (FALSE when it was cut to fit). On any other result
// nothing is filled but the handles that were opened, which CloseAppHintEdit still closes.
OpenHintResult OpenAppHintEdit(LONG position, AppHintEdit *edit, char *name, char *description,
                               BOOL *descriptionWhole, BOOL *ticked);
// Writes the flag ("1" when ticked), then the description; a NULL description leaves the stored
// one untouched. Writes nothing when the record is not open.
SaveHintResult SaveAppHintEdit(AppHintEdit *edit, const char *description, BOOL ticked);
// Closes the AppHintsKey handle, then the record handle, each only if it was opened.
void CloseAppHintEdit(AppHintEdit *edit);
