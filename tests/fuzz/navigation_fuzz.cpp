// The navigation rules and the registry walks over random action sequences against a generated
// substitute registry. The input first shapes the tree below HKEY_LOCAL_MACHINE, then drives the
// dialog's steps in the order its message queue would run them. After every step the state must
// describe what is listed, and nothing may be left open, allocated or changed.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "substitute/subst_control.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

struct Input {
    const uint8_t *at, *end;
    bool Empty() const { return at >= end; }
    uint8_t Next() { return at < end ? *at++ : 0; }
};

struct Shown {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    int messages = 0;
};

void SetText(void *, int, const char *text)
{
    if (strlen(text) > 0x10000)
        abort();
}
void SetNumber(void *, int, DWORD, BOOL) {}
void Prepare(void *, int, DWORD) {}
void Add(void *c, int list, const char *text)
{
    Shown *s = static_cast<Shown *>(c);
    (list == IDC_REG_KEYS ? s->keys : s->values).push_back(text);
}
void Message(void *c, const char *, const char *) { static_cast<Shown *>(c)->messages++; }

// Names that reach the path limit in a few steps, clash in case, or hold odd bytes.
std::string KeyName(uint8_t pick)
{
    switch (pick % 8) {
    case 0:
        return std::string(120, 'L');
    case 1:
        return std::string(255, 'M');
    case 2:
        return "a";
    case 3:
        return "B";
    case 4:
        return "b2";
    case 5:
        return "\xe9t\xe9";
    default:
        return "k" + std::to_string(pick);
    }
}

void Generate(Input &in, std::vector<std::string> &paths)
{
    paths.assign(1, "");
    int keys = in.Next() % 12;
    for (int i = 0; i < keys && !in.Empty(); i++) {
        std::string parent = paths[in.Next() % paths.size()];
        std::string path = parent.empty() ? KeyName(in.Next()) : parent + "\\" + KeyName(in.Next());
        HKEY key = HKEY_LOCAL_MACHINE, next;
        // One level at a time: the substitute, like Wine, refuses long paths in one call.
        size_t start = 0;
        bool ok = true;
        while (ok && start <= path.size()) {
            size_t stop = path.find('\\', start);
            if (stop == std::string::npos)
                stop = path.size();
            ok = RegCreateKeyA(key, path.substr(start, stop - start).c_str(), &next) == ERROR_SUCCESS;
            if (key != HKEY_LOCAL_MACHINE)
                RegCloseKey(key);
            key = ok ? next : HKEY_LOCAL_MACHINE;
            start = stop + 1;
        }
        if (!ok)
            continue;
        int values = in.Next() % 4;
        for (int v = 0; v < values; v++) {
            uint8_t type = in.Next() % 12, length = in.Next() % 16;
            std::string data;
            for (int b = 0; b < length; b++)
                data += static_cast<char>(in.Next());
            std::string name = v == 0 ? "" : "v" + std::to_string(v);
            RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                           static_cast<DWORD>(data.size()));
        }
        RegCloseKey(key);
        if (in.Next() % 8 == 0 && path.size() < 200)
            SubstRegSetUnreadable(HKEY_LOCAL_MACHINE, path.c_str(), true);
        paths.push_back(path);
    }
}

std::string Dump(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "?";
    std::string out = "[" + path + "]";
    char name[300];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        out += std::string(name) + ":" + std::to_string(type) + "/" + std::to_string(size) + ";";
    }
    std::vector<std::string> children;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; i++)
        children.push_back(name);
    RegCloseKey(key);
    for (const std::string &c : children)
        out += Dump(root, path.empty() ? c : path + "\\" + c);
    return out;
}

enum Posted { POST_ROOTS, POST_DOWN, POST_UP };

struct Dialog {
    Shown shown;
    BrowserView view = {&shown, SetText, SetNumber, Prepare, Add, Message};
    std::deque<Posted> queue;
    int selected = -1;

    void Clear()
    {
        shown.keys.clear();
        shown.values.clear();
        selected = -1;
    }
    void Enter()
    {
        if (!EnterAndListKey(BrowserName, BrowserPath, &BrowserRoot, &view))
            queue.push_back(POST_UP);
    }
    void Down()
    {
        std::string entry = selected >= 0 ? shown.keys[selected] : "";
        BrowserStep step = BrowserGoDown(selected, entry.c_str());
        if (step == BROWSE_POST_UP) {
            queue.push_back(POST_UP);
        } else if (step == BROWSE_ENTER) {
            Clear();
            Enter();
        }
    }
    void Up()
    {
        BrowserStep step = BrowserGoUp();
        if (step == BROWSE_REFUSE_TOP_LEVEL)
            return;
        Clear();
        if (step == BROWSE_SHOW_ROOTS)
            queue.push_back(POST_ROOTS);
        else
            Enter();
    }
    void Drain()
    {
        for (int steps = 0; !queue.empty(); steps++) {
            if (steps > 1000) // every chain of failed openings ends at a root's top
                abort();
            Posted p = queue.front();
            queue.pop_front();
            if (p == POST_ROOTS) {
                Clear();
                for (int i = 0; i < BROWSER_ROOT_COUNT; i++)
                    shown.keys.push_back(BrowserRootName(i));
                BrowserShowRoots();
            } else if (p == POST_DOWN) {
                Down();
            } else {
                Up();
            }
        }
    }
};

void CheckState(const Dialog &d)
{
    if (strlen(BrowserPath) >= BROWSER_PATH_SIZE || strlen(BrowserName) >= BROWSER_NAME_SIZE)
        abort();
    if (SubstRegOpenHandleCount() != 0 || SubstHeapLiveBlocks() != 0)
        abort();
    if (BrowserRoot == 0) {
        if (BrowserPath[0] != 0 || d.shown.keys.size() != BROWSER_ROOT_COUNT)
            abort();
        return;
    }
    // The listed key is (root, path) and the name is its own.
    const char *last = strrchr(BrowserPath, '\\');
    const char *own = BrowserPath[0] == 0 ? BrowserRootNameOf(BrowserRoot) : last ? last + 1 : BrowserPath;
    if (!own || strcmp(own, BrowserName) != 0)
        abort();
    std::vector<std::string> expected = {".."};
    HKEY key;
    if (RegOpenKeyExA(BrowserRootKey(BrowserRoot), BrowserPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        abort();
    char name[300];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; i++)
        expected.push_back(name);
    RegCloseKey(key);
    if (expected != d.shown.keys)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in = {data, data + size};
    SubstResetKernel();
    SubstResetRegistry();
    if (!AppHeap)
        AppHeap = HeapCreate(0, 0, 0);
    std::vector<std::string> paths;
    Generate(in, paths);
    std::string before = Dump(HKEY_LOCAL_MACHINE, "");

    Dialog d;
    BrowserRoot = in.Next() % 2 ? 0x80000001 : 0; // whatever an earlier opening left
    BrowserStart();
    d.queue.push_back(POST_ROOTS);
    d.Drain();
    CheckState(d);
    for (int actions = 0; actions < 32 && !in.Empty(); actions++) {
        uint8_t action = in.Next();
        uint8_t pick = in.Next();
        switch (action % 4) {
        case 0:
        case 1: // Next/Down, or a double-click posting it
            d.selected = d.shown.keys.empty() ? -1 : static_cast<int>(pick % (d.shown.keys.size() + 1)) - 1;
            if (action % 4 == 0)
                d.Down();
            else
                d.queue.push_back(POST_DOWN);
            break;
        case 2:
            d.Up();
            break;
        default: {
            DWORD index = pick == 255 ? 0xffffffff : pick % (d.shown.values.size() + 1);
            ShowValueData(BrowserRoot, BrowserPath, index, &d.view);
            break;
        }
        }
        d.Drain();
        CheckState(d);
    }
    if (Dump(HKEY_LOCAL_MACHINE, "") != before)
        abort();
    return 0;
}
