// The registry browser: a read-only walk from the four predefined roots, one key at a time,
// and the display of one value's data by type.
//
// Three layers: pure rules (navigation over a BrowserState, value
// formatting), registry walks that report what they find to a BrowserView, and the dialog,
// whose view is its controls and message boxes.
#pragma once
#include "common/platform.h"

#include <stddef.h>

// ---- Navigation state -------------------------------------------------------------------
#define BROWSER_PATH_SIZE 260 // at most 259 characters
#define BROWSER_NAME_SIZE 256 // a key name of at most 255 characters

// Where one browser window is; each window owns its own, so two browsers never move each other.
struct BrowserState {
    // The predefined root being walked (its handle value); 0 while the list of roots is shown.
    DWORD BrowserRoot;
    // Path of the listed key below the root, names joined by backslashes; empty at a root's top.
    char BrowserPath[BROWSER_PATH_SIZE];
    // The name last chosen or reached by going up: the last name of the path, or the root's name.
    char BrowserName[BROWSER_NAME_SIZE];
};

// ---- Root table ---------------------------------------------------------------------------
#define BROWSER_ROOT_COUNT 4
// The root names in the order the list of roots shows them.
const char *BrowserRootName(int position);
// Exact, case-sensitive match in both directions; 0 / NULL when nothing matches.
DWORD BrowserRootByName(const char *name);
const char *BrowserRootNameOf(DWORD root);

// ---- Navigation rules (pure) ----------------------------------------------------------------
// What the dialog does next after a rule has changed the state.
enum BrowserStep {
    BROWSE_REFUSE_NO_SELECTION, // message, state unchanged
    BROWSE_REFUSE_TOP_LEVEL,    // message, state unchanged
    BROWSE_REFUSE_TOO_LONG,     // message, state unchanged: the path would pass 259 characters
    BROWSE_POST_UP,             // ".." chosen: Back/Up follows through the message queue
    BROWSE_SHOW_ROOTS,          // the list of roots follows through the message queue
    BROWSE_ENTER,               // BrowserName is entered next (BrowserEnterName)
    BROWSE_LIST_ROOT,           // list the root's own handle; nothing is opened
    BROWSE_OPEN_KEY,            // open (BrowserRoot, BrowserPath) and list it
};

// Each opening of the dialog: the path is emptied; the list of roots follows.
void BrowserStart(BrowserState *state);
// The list of roots is shown: no root.
void BrowserShowRoots(BrowserState *state);
// Next/Down with the key list's selected position (-1: none) and that entry's text.
// Gives a refusal, BROWSE_POST_UP, or BROWSE_ENTER with BrowserName set to the entry.
BrowserStep BrowserGoDown(BrowserState *state, int selected, const char *entry);
// Back/Up: a refusal at the list of roots, BROWSE_SHOW_ROOTS at the top of a root, otherwise
// BROWSE_ENTER with the state set so that entering lists the parent of the listed key.
BrowserStep BrowserGoUp(BrowserState *state);
// Enters name: at the list of roots (*root 0) the root of that name is set and its top is
// listed; otherwise the name is joined to path (BROWSER_PATH_SIZE bytes) for opening.
BrowserStep BrowserEnterName(const char *name, char *path, DWORD *root);
// The message of a refusal; its caption is BROWSER_CAPTION.
const char *BrowserRefusalText(BrowserStep step);
#define BROWSER_CAPTION "Registry Utility"

// Every message of the browser fits, whatever 32-bit numbers it carries.
#define BROWSER_MESSAGE_SIZE 96
// The message for a key that could not be opened while going down.
void FormatOpenKeyError(LONG code, char *text, size_t size);
// A value-list entry: "%d) %s " with "<NO NAME>" for an empty name. size bytes hold the whole
// entry when they are the name's length plus VALUE_ENTRY_EXTRA; a smaller buffer gets it cut.
#define VALUE_ENTRY_EXTRA 24
void FormatValueEntry(DWORD index, const char *name, char *text, size_t size);

// ---- Value formatting (pure) ----------------------------------------------------------------
enum ValueDataKind {
    VALUE_DATA_NONE,     // the data field is not set
    VALUE_DATA_TEXT,     // text of textSize bytes, terminator included
    VALUE_DATA_UNSIGNED, // number, shown unsigned
    VALUE_DATA_SIGNED,   // number, shown signed
};

struct ValueDisplay {
    char typeText[80];
    ValueDataKind kind;
    DWORD number;
    unsigned long long textSize; // may exceed what memory can hold; the caller's check
    BOOL waitCursor;             // the display is long enough to show the hourglass
    BOOL hexDump;                // the text buffer is the hex dump's (its failure has a message)
};

// Describes how a value of this type and these size bytes is shown. When the result is a text
// and text is not NULL, writes it there, linear in size; textSize must be at least
// display->textSize (a smaller buffer gets an empty text). Reads no byte beyond size.
void FormatValueData(DWORD type, const BYTE *data, DWORD size, ValueDisplay *display, char *text,
                     unsigned long long textSize);

// ---- Registry walks -------------------------------------------------------------------------
// Where the walks put what they find: the dialog's controls and message boxes in the product,
// a recorder in the tests. Controls and lists are the dialog's ids (resource.h).
struct BrowserView {
    void *context;
    void (*setText)(void *context, int control, const char *text);
    void (*setNumber)(void *context, int control, DWORD number, BOOL isSigned);
    // Before a list is filled: how many entries are coming (0 when not known).
    void (*prepareList)(void *context, int list, DWORD entries);
    void (*addEntry)(void *context, int list, const char *text);
    void (*showMessage)(void *context, const char *text, const char *caption);
};

// The handle of a predefined root, or of 0 (no root), for the registry calls.
HKEY BrowserRootKey(DWORD root);
// Enters name (BrowserEnterName) and gives the key to list, to be closed with RegCloseKey (the
// root's own handle at the top of a root). NULL when the opening failed and was reported: the
// lists stay empty and Back/Up must follow.
HKEY EnterKey(const char *name, char *path, DWORD *root, const BrowserView *view);
// Fills the class field, the key list and the value list of an open key. Only appends. Value
// names of any length are listed whole; work buffers come from AppHeap and go back to it.
void ListKeyContents(HKEY key, const BrowserView *view);
// Fetches the value at index of (root, path) and fills the type and data fields. Everything it
// takes (the key, heap blocks from AppHeap) is released before it returns.
void ShowValueData(DWORD root, const char *path, DWORD index, const BrowserView *view);

#ifdef _WIN32
// ---- The dialog ----------------------------------------------------------------------------
// Opened from the setup dialog: DialogBoxParamA(instance, "RegistryDlg", NULL, RegistryDlgProc, 0).
// Each dialog keeps its BrowserState in a block of the process heap, reached through the window
// (DWLP_USER) from WM_INITDIALOG to WM_DESTROY.
INT_PTR CALLBACK RegistryDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void OpenAndListKey(HWND dialog, const char *name, char *path, DWORD *root);
void ListKeyData(HWND dialog, HKEY key);
void DisplayKeyData(HWND dialog, const char *path, DWORD root);
#endif
