// The navigation rules and walks over random actions against a generated substitute registry:
// byte 0 picks the tree, byte 1 what an earlier opening left and whether the heap runs out, then
// (action, pick) pairs. After every step the state must describe what is listed with nothing left
// open or allocated and every hourglass put back, and at the end nothing may have changed.
#include "common/globals.h"
#include "regbrowser/driver.h"
#include "shared/regfixture.h"
#include "substitute/subst_control.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

namespace {

// Each tree is built once per process in a substitute registry of its own: the browser only
// reads (checked after every run), so a kept tree is the one a fresh build would give.
void SelectTree(int tree)
{
    static bool built[256];
    SubstRegSelect(tree + 1);
    if (std::exchange(built[tree], true))
        return;
    SubstResetRegistry();
    std::minstd_rand r(tree + 1);
    std::vector<std::string> paths = {""};
    // Names that reach the path limit in a few steps, differ in case, or hold odd bytes.
    const std::string names[] = {std::string(120, 'L'), std::string(255, 'M'), "a", "B", "b", "\xe9t\xe9", "k"};
    for (int i = r() % 12; i > 0; i--) {
        std::string path = paths[r() % paths.size()];
        if (!SeedKey(path += (path.empty() ? "" : "\\") + names[r() % 7]))
            continue;
        for (int v = r() % 4; v > 0; v--) {
            std::string data(r() % 16, '\0');
            for (char &c : data)
                c = r() % 4 < unsigned(tree % 4) ? 0 : char(r());
            SeedValue(path, v == 1 ? "" : "v" + std::to_string(v), r() % 12, data);
        }
        if (r() % 8 == 0)
            MarkUnreadable(path);
        paths.push_back(path);
    }
}

// Runs step ('r' the list of roots, 'd' Next/Down with the key list's selected position, 'u'
// Back/Up) and every step it posts, in posting order, as the dialog's message queue would.
void Run(Shown &shown, char step, int selected)
{
    BrowserState &state = shown.state;
    for (std::string queue(1, step); !queue.empty(); selected = -1) {
        step = queue[0];
        queue.erase(0, 1);
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

// The listed key is (root, path; the other roots are empty), the name is its own, nothing is
// left open or allocated.
void Check(const Shown &shown)
{
    const BrowserState &s = shown.state;
    const char *last = strrchr(s.BrowserPath, '\\');
    const char *own = !s.BrowserPath[0] ? BrowserRootNameOf(s.BrowserRoot) : last ? last + 1 : s.BrowserPath;
    std::vector<std::string> keys = s.BrowserRoot == 0x80000002 ? SubkeyNames(s.BrowserPath) : std::vector<std::string>{};
    keys.insert(keys.begin(), "..");
    if (SubstRegOpenHandleCount() || SubstHeapLiveBlocks() || (s.BrowserRoot == 0 ? s.BrowserPath[0] || shown.keys.size() != 4
        : !own || strcmp(own, s.BrowserName) || keys != shown.keys))
        abort();
    const std::vector<HCURSOR> &cursors = SubstCursorHistory();
    for (size_t i = 0; i < cursors.size() + cursors.size() % 2; i++)
        if (i == cursors.size() || cursors[i] != LoadCursorA(NULL, i % 2 ? IDC_ARROW : IDC_WAIT))
            abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    SubstResetKernel();
    AppHeap = AppHeap ? AppHeap : HeapCreate(0, 0, 0);
    SelectTree(data[0]);
    uint64_t changes = SubstRegChangeCount();
    Shown shown;
    shown.state.BrowserRoot = data[1] % 2 ? 0x80000001 : 0;
    BrowserStart(&shown.state);
    SubstHeapFailAfter(data[1] & 0x80 ? (data[1] >> 1) % 16 : -1);
    Run(shown, 'r', -1);
    Check(shown);
    for (size_t at = 2; at + 1 < size && at < 66; at += 2) {
        int pick = data[at + 1], action = data[at] % 4; // 0 Next/Down, 1 double-click (the same), 2 Back/Up
        if (action < 3)
            Run(shown, action == 2 ? 'u' : 'd', shown.keys.empty() ? -1 : pick % int(shown.keys.size() + 1) - 1);
        else
            ShowValueData(shown.state.BrowserRoot, shown.state.BrowserPath, pick == 255 ? 0xffffffff : pick % (shown.values.size() + 1), &shown.view);
        Check(shown);
    }
    if (SubstRegChangeCount() != changes)
        abort();
    return 0;
}
