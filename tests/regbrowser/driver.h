// Records what the browser's walks would show in one dialog: fields, lists, "text / caption" messages.
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
        [](void *c, int id, DWORD n, BOOL s) { Of(c).fields[id] = s ? std::to_string(LONG(n)) : std::to_string(n); }, [](void *, int, DWORD) {},
        [](void *c, int id, const char *t) { (id == IDC_REG_KEYS ? Of(c).keys : Of(c).values).push_back(t); },
        [](void *c, const char *t, const char *caption) { Of(c).messages.push_back(std::string(t) + " / " + caption); }};

    static Shown &Of(void *c) { return *static_cast<Shown *>(c); }
    std::string Field(int id) { return fields.count(id) ? fields[id] : "<unset>"; }
};
