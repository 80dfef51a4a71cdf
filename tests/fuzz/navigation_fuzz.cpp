// Random actions of the navigation rules and walks over a generated substitute registry: byte 0 picks the tree,
// byte 1 what an earlier opening left, then (action, pick) pairs. After every step the listed key is (root, path;
// the other roots are empty), the name its own, and nothing is left open or allocated.
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
        std::string path = paths[r() % paths.size()];
        std::string data = std::string(r() % 9, char('a' + r() % 26)) + std::string(tree % 4, '\0') + std::string(r() % 9, char(r()));
        if (!SeedKey(path += (path.empty() ? "" : "\\") + names[r() % 7]) || (r() % 8 == 0 && MarkUnreadable(path)))
            continue;
        for (int v = r() % 4; v > 0; v--)
            SeedValue(path, v == 1 ? "" : "v" + std::to_string(v), r() % 12, data.substr(0, data.size() / v));
        paths.push_back(path);
    }
}

static void Check(const Shown &shown)
{
    const char *last = strrchr(BrowserPath, '\\'), *own = !BrowserPath[0] ? BrowserRootNameOf(BrowserRoot) : last ? last + 1 : BrowserPath;
    std::vector<std::string> keys = BrowserRoot == 0x80000002 ? SubkeyNames(BrowserPath) : std::vector<std::string>{};
    keys.insert(keys.begin(), "..");
    if (SubstRegOpenHandleCount() || SubstHeapLiveBlocks() || (BrowserRoot == 0 ? BrowserPath[0] || shown.keys.size() != 4
        : !own || strcmp(own, BrowserName) || keys != shown.keys))
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BuildTree(size > 0 ? data[0] : 0);
    AppHeap = AppHeap ? AppHeap : HeapCreate(0, 0, 0);
    Shown shown;
    BrowserRoot = size > 1 && data[1] % 2 ? 0x80000001 : 0;
    BrowserStart();
    shown.Run('r', -1);
    for (size_t at = 2; Check(shown), at + 1 < size && at < 66; at += 2) {
        int pick = data[at + 1], action = data[at] % 4; // 0 Next/Down, 1 double-click (the same), 2 Back/Up
        if (action < 3)
            shown.Run(action == 2 ? 'u' : 'd', shown.keys.empty() ? -1 : pick % int(shown.keys.size() + 1) - 1);
        else
            ShowValueData(BrowserRoot, BrowserPath, pick == 255 ? 0xffffffff : pick % (shown.values.size() + 1), &shown.view);
    }
    return 0;
}
