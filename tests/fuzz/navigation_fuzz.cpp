// Navigation over a generated substitute registry: byte 0 picks the tree, byte 1 the root an earlier opening left and
// when the heap runs out, then (action, pick) pairs. After every step the listed key is (root, path; the other roots
// are empty) under its own name, nothing is left open or allocated, and every hourglass is put back.
#include "common/globals.h"
#include "regbrowser/driver.h"
#include "shared/regfixture.h"
#include "substitute/subst_control.h"

#include <cstring>
#include <random>

// Names that reach the path limit in a few steps, differ in case or hold odd bytes; some keys unreadable.
static void BuildTree(int tree)
{
    RegFixtureStart();
    std::minstd_rand r(tree + 1);
    std::vector<std::string> paths = {""};
    const std::string names[] = {std::string(120, 'L'), std::string(255, 'M'), "a", "B", "b", "\xe9t\xe9", "k"};
    for (int i = r() % 12; i > 0; i--) {
        std::string path = paths[r() % paths.size()], data = std::string(r() % 9, char('a' + r() % 26)) + std::string(tree % 4, '\0');
        data += std::string(r() % 9, char(r()));
        if (!SeedKey(path += (path.empty() ? "" : "\\") + names[r() % 7]) || (r() % 8 == 0 && MarkUnreadable(path)))
            continue;
        for (int v = r() % 4; v > 0; v--)
            SeedValue(path, v == 1 ? "" : "v" + std::to_string(v), r() % 12, data.substr(0, data.size() / v));
        paths.push_back(path);
    }
}

// Runs step ('r' the list of roots, 'd' Next/Down with the key list's selected position, 'u' Back/Up) and every
// step it posts, in posting order, as the dialog's message queue would.
static void Run(Shown &shown, char step, int selected)
{
    BrowserState &state = shown.state;
    for (std::string queue(1, step); !queue.empty(); selected = -1) {
        step = queue[0], queue.erase(0, 1);
        const char *entry = selected >= 0 ? shown.keys[selected].c_str() : "";
        BrowserStep next = step == 'u' ? BrowserGoUp(&state) : step == 'd' ? BrowserGoDown(&state, selected, entry) : BROWSE_LIST_ROOT;
        if (next == BROWSE_LIST_ROOT) {
            shown.keys.assign({"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS", "HKEY_CLASSES_ROOT"});
            shown.values.clear(), BrowserShowRoots(&state);
        } else if (next == BROWSE_POST_UP || next == BROWSE_SHOW_ROOTS) {
            queue += next == BROWSE_POST_UP ? 'u' : 'r';
        } else if (next == BROWSE_ENTER) {
            shown.keys.clear(), shown.values.clear();
            HKEY key = EnterKey(state.BrowserName, state.BrowserPath, &state.BrowserRoot, &shown.view);
            key ? ListKeyContents(key, &shown.view), RegCloseKey(key) : (queue += 'u', 0);
        }
    }
}

static void Check(const Shown &shown)
{
    const BrowserState &s = shown.state;
    const char *last = strrchr(s.BrowserPath, '\\'), *own = !s.BrowserPath[0] ? BrowserRootNameOf(s.BrowserRoot) : last ? last + 1 : s.BrowserPath;
    std::vector<std::string> keys = s.BrowserRoot == 0x80000002 ? SubkeyNames(s.BrowserPath) : std::vector<std::string>{};
    keys.insert(keys.begin(), "..");
    if (SubstRegOpenHandleCount() || SubstHeapLiveBlocks() || (s.BrowserRoot == 0 ? s.BrowserPath[0] || shown.keys.size() != 4
        : !own || strcmp(own, s.BrowserName) || keys != shown.keys))
        __builtin_trap();
    const std::vector<HCURSOR> &cursors = SubstCursorHistory(); // wait, arrow, wait, arrow...
    for (size_t i = 0; i < cursors.size() + cursors.size() % 2; i++)
        if (i == cursors.size() || cursors[i] != LoadCursorA(NULL, i % 2 ? IDC_ARROW : IDC_WAIT))
            __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BuildTree(size > 0 ? data[0] : 0);
    AppHeap = AppHeap ? AppHeap : HeapCreate(0, 0, 0);
    Shown shown;
    shown.state.BrowserRoot = size > 1 && data[1] % 2 ? 0x80000001 : 0;
    BrowserStart(&shown.state);
    SubstHeapFailAfter(size > 1 && data[1] & 0x80 ? (data[1] >> 1) % 16 : -1);
    Run(shown, 'r', -1);
    for (size_t at = 2; Check(shown), at + 1 < size && at < 66; at += 2) {
        int pick = data[at + 1], action = data[at] % 4; // 0 Next/Down, 1 double-click (the same), 2 Back/Up
        if (action < 3)
            Run(shown, action == 2 ? 'u' : 'd', shown.keys.empty() ? -1 : pick % int(shown.keys.size() + 1) - 1);
        else
            ShowValueData(shown.state.BrowserRoot, shown.state.BrowserPath, pick == 255 ? 0xffffffff : pick % (shown.values.size() + 1),
                          &shown.view);
    }
    return 0;
}
