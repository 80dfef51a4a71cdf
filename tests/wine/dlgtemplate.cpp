#include "wine/dlgtemplate.h"

#include <ctype.h>
#include <string.h>

namespace {

struct Reader {
    const BYTE *base, *at;
    WORD Word()
    {
        WORD w;
        memcpy(&w, at, 2);
        at += 2;
        return w;
    }
    DWORD Dword() { return Word() | static_cast<DWORD>(Word()) << 16; }
    short Short() { return static_cast<short>(Word()); }
    // A string, or an ordinal shown as "#n"; a control class ordinal as the class's name.
    std::string NameOrOrdinal(bool controlClass = false)
    {
        WORD first = Word();
        if (first == 0xFFFF) {
            WORD ordinal = Word();
            static const char *const classes[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
            if (controlClass && ordinal >= 0x80 && ordinal < 0x86)
                return classes[ordinal - 0x80];
            return "#" + std::to_string(ordinal);
        }
        std::string s;
        for (WORD c = first; c != 0; c = Word())
            s += static_cast<char>(controlClass ? tolower(c) : c);
        return s;
    }
    void Align() { at += (4 - (at - base) % 4) % 4; }
};

} // namespace

bool ReadDialogTemplate(HMODULE module, const char *name, DialogTemplate &out)
{
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5)); // RT_DIALOG
    const BYTE *data = found ? static_cast<const BYTE *>(LockResource(LoadResource(module, found))) : NULL;
    if (!data || reinterpret_cast<const WORD *>(data)[1] == 0xFFFF)
        return false;
    Reader r = {data, data};
    out.style = r.Dword();
    out.exStyle = r.Dword();
    WORD count = r.Word();
    out.x = r.Short();
    out.y = r.Short();
    out.cx = r.Short();
    out.cy = r.Short();
    out.menu = r.NameOrOrdinal();
    out.className = r.NameOrOrdinal();
    out.caption = r.NameOrOrdinal();
    out.points = (out.style & DS_SETFONT) ? r.Word() : 0;
    out.font = (out.style & DS_SETFONT) ? r.NameOrOrdinal() : "";
    out.items.clear();
    for (WORD i = 0; i < count; i++) {
        r.Align();
        TemplateItem item;
        item.style = r.Dword();
        item.exStyle = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Short();
        item.className = r.NameOrOrdinal(true);
        item.text = r.NameOrOrdinal();
        r.at += r.Word(); // creation data
        out.items.push_back(item);
    }
    return true;
}
