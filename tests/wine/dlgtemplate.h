// Reads a dialog template (the plain DIALOG form) from a module's resources, so that tests can
// compare what the resource compiler stored with the tables the dialogs are built from.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct TemplateItem {
    DWORD style, exStyle;
    short x, y, cx, cy;
    int id;                 // -1 for 0xFFFF
    std::string className;  // lower case; the predefined classes by name ("button", ...)
    std::string text;
};

struct DialogTemplate {
    DWORD style, exStyle;
    short x, y, cx, cy;
    std::string menu, className, caption, font;
    WORD points;
    std::vector<TemplateItem> items;
};

// FALSE when the module holds no dialog of that name, or only an extended one.
bool ReadDialogTemplate(HMODULE module, const char *name, DialogTemplate &out);
