// Where the browser goes: the navigation rules over the root, the path and the name, apart from
// the dialog and the registry.
#include "regbrowser/regbrowser.h"

#include <string.h>

namespace {

struct RootEntry {
    const char *name;
    DWORD handle;
};

const RootEntry RootTable[BROWSER_ROOT_COUNT] = {
    {"HKEY_LOCAL_MACHINE", 0x80000002},
    {"HKEY_CURRENT_USER", 0x80000001},
    {"HKEY_USERS", 0x80000003},
    {"HKEY_CLASSES_ROOT", 0x80000000},
};

// Copies text into a buffer that the caller has checked holds it.
void CopyText(char *to, size_t size, const char *text)
{
    size_t length = strlen(text);
    if (length >= size)
        length = size - 1;
    memmove(to, text, length);
    to[length] = 0;
}

} // namespace

const char *BrowserRootName(int position)
{
    return position >= 0 && position < BROWSER_ROOT_COUNT ? RootTable[position].name : NULL;
}

DWORD BrowserRootByName(const char *name)
{
    for (const RootEntry &r : RootTable) {
        if (strcmp(r.name, name) == 0)
            return r.handle;
    }
    return 0;
}

const char *BrowserRootNameOf(DWORD root)
{
    for (const RootEntry &r : RootTable) {
        if (r.handle == root)
            return r.name;
    }
    return NULL;
}

void BrowserStart(BrowserState *state)
{
    state->BrowserPath[0] = 0;
}

void BrowserShowRoots(BrowserState *state)
{
    state->BrowserRoot = 0;
}

BrowserStep BrowserGoDown(BrowserState *state, int selected, const char *entry)
{
    if (selected < 0)
        return BROWSE_REFUSE_NO_SELECTION;
    if (state->BrowserRoot != 0 && selected == 0)
        return BROWSE_POST_UP;
    // Refused before anything changes, so the listed key stays as it is.
    size_t length = strlen(entry);
    size_t pathLength = strlen(state->BrowserPath);
    if (length >= BROWSER_NAME_SIZE)
        return BROWSE_REFUSE_TOO_LONG;
    if (state->BrowserRoot != 0 && pathLength + (pathLength ? 1 : 0) + length >= BROWSER_PATH_SIZE)
        return BROWSE_REFUSE_TOO_LONG;
    CopyText(state->BrowserName, sizeof state->BrowserName, entry);
    return BROWSE_ENTER;
}

BrowserStep BrowserGoUp(BrowserState *state)
{
    char *path = state->BrowserPath, *name = state->BrowserName;
    if (state->BrowserRoot == 0)
        return BROWSE_REFUSE_TOP_LEVEL;
    if (path[0] == 0)
        return BROWSE_SHOW_ROOTS;
    char *last = strrchr(path, '\\');
    if (!last) {
        // A key right below the root: the root's top is entered again by its name.
        path[0] = 0;
        CopyText(name, sizeof state->BrowserName, BrowserRootNameOf(state->BrowserRoot));
        state->BrowserRoot = 0;
        return BROWSE_ENTER;
    }
    *last = 0;
    last = strrchr(path, '\\');
    if (last) {
        CopyText(name, sizeof state->BrowserName, last + 1);
        *last = 0;
    } else {
        CopyText(name, sizeof state->BrowserName, path);
        path[0] = 0;
    }
    return BROWSE_ENTER;
}

BrowserStep BrowserEnterName(const char *name, char *path, DWORD *root)
{
    if (*root == 0) {
        *root = BrowserRootByName(name);
        return *root ? BROWSE_LIST_ROOT : BROWSE_SHOW_ROOTS;
    }
    size_t pathLength = strlen(path);
    size_t separator = pathLength ? 1 : 0;
    size_t length = strlen(name);
    if (pathLength + separator + length >= BROWSER_PATH_SIZE)
        return BROWSE_REFUSE_TOO_LONG;
    if (separator)
        path[pathLength] = '\\';
    memcpy(path + pathLength + separator, name, length + 1);
    return BROWSE_OPEN_KEY;
}

const char *BrowserRefusalText(BrowserStep step)
{
    switch (step) {
    case BROWSE_REFUSE_NO_SELECTION:
        return "Please select an item from the list box";
    case BROWSE_REFUSE_TOP_LEVEL:
        return "Top Level: You can not backup any further.";
    case BROWSE_REFUSE_TOO_LONG:
        return "Error: key path too long. Paths of more than 259 characters cannot be opened.";
    default:
        return "";
    }
}

void FormatOpenKeyError(LONG code, char *text, size_t size)
{
    char message[BROWSER_MESSAGE_SIZE];
    if (code == ERROR_ACCESS_DENIED)
        wsprintfA(message, "Error: unable to open key.  Probably due to security reasons.");
    else
        wsprintfA(message, "Error: Unable to open key, RegOpenKey = %d, Line = %d", static_cast<int>(code), 1063);
    CopyText(text, size, message);
}

void FormatValueEntry(DWORD index, const char *name, char *text, size_t size)
{
    // Built by hand: wsprintfA stops at 1024 characters, and value names reach 16383.
    char prefix[VALUE_ENTRY_EXTRA];
    wsprintfA(prefix, "%d) ", static_cast<int>(index));
    const char *shown = name[0] ? name : "<NO NAME>";
    size_t prefixLength = strlen(prefix), length = strlen(shown);
    if (size < prefixLength + 2) {
        if (size > 0)
            text[0] = 0;
        return;
    }
    if (length > size - prefixLength - 2)
        length = size - prefixLength - 2;
    memcpy(text, prefix, prefixLength);
    memcpy(text + prefixLength, shown, length);
    memcpy(text + prefixLength + length, " ", 2);
}
