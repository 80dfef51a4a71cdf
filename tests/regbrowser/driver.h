// Runs the browser's rules and walks as the dialog's message queue would, recording what the
// dialog would show: fields, lists and "text / caption" messages.
#pragma once
#include "regbrowser/regbrowser.h"
#include "resource.h"

#include <map>
#include <string>
#include <vector>

struct Shown {
    BrowserState state = {};
    std::map<int, std::string> fields;
    std::vector<std::string> keys, values, messages;
    BrowserView view = {this, [](void *c, int id, const char *t) { Of(c).fields[id] = t; },
        [](void *c, int id, DWORD n, BOOL s) { Of(c).fields[id] = s ? std::to_string(LONG(n)) : std::to_string(n); },
        [](void *, int, DWORD) {},
        [](void *c, int id, const char *t) { (id == IDC_REG_KEYS ? Of(c).keys : Of(c).values).push_back(t); },
        [](void *c, const char *t, const char *caption) { Of(c).messages.push_back(std::string(t) + " / " + caption); }};

    static Shown &Of(void *c) { return *static_cast<Shown *>(c); }
    std::string Field(int id) { return fields.count(id) ? fields[id] : "<unset>"; }
    // Runs step ('r' the list of roots, 'd' Next/Down with the key list's selected position, 'u'
    // Back/Up) and every step it posts, in posting order.
    void Run(char step, int selected)
    {
        for (std::string queue(1, step); !queue.empty(); selected = -1) {
            step = queue[0];
            queue.erase(0, 1);
            const char *entry = selected >= 0 ? keys[selected].c_str() : "";
            BrowserStep next = step == 'u' ? BrowserGoUp(&state) : step == 'd' ? BrowserGoDown(&state, selected, entry) : BROWSE_LIST_ROOT;
            if (next == BROWSE_LIST_ROOT) {
                keys.assign({"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS", "HKEY_CLASSES_ROOT"});
                values.clear(), BrowserShowRoots(&state);
            } else if (next == BROWSE_POST_UP || next == BROWSE_SHOW_ROOTS) {
                queue += next == BROWSE_POST_UP ? 'u' : 'r';
            } else if (next != BROWSE_ENTER) {
                messages.push_back(std::string(BrowserRefusalText(next)) + " / " BROWSER_CAPTION);
            } else {
                keys.clear(), values.clear();
                HKEY key = EnterKey(state.BrowserName, state.BrowserPath, &state.BrowserRoot, &view);
                key ? ListKeyContents(key, &view), RegCloseKey(key) : (queue += 'u', 0);
            }
        }
    }
};
