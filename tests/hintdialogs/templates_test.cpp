// The three hint dialog templates as stored in the program's resources, and the controls the
// dialogs show when created from them with their real procedures.
#include "dialogtest.h"

#include "common/globals.h"
#include "hints/hintdialogs.h"
#include "hints/hintstore.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Control {
    int id;
    std::string className;
    short x, y, cx, cy;
    DWORD style;
    std::string text;
};

struct Template {
    DWORD style;
    short cx, cy;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<Control> controls;
};

struct ExpectedDialog {
    const char *resource;
    DLGPROC procedure;
    short cx, cy;
    std::vector<Control> controls;
};

const DWORD DialogStyle = 0x90C800C0;

const ExpectedDialog Expected[] = {
    {"MAINDLG", MainDlgProc, 277, 161,
     {
         {-1, "static", 5, 5, 40, 10, 0x50020000, "Application"},
         {-1, "static", 90, 5, 40, 10, 0x50020000, "Description"},
         {-1, "static", 205, 5, 65, 10, 0x50020000, "2D/3D Compositing"},
         {1004, "button", 5, 140, 45, 14, 0x50010000, "&Add..."},
         {1014, "button", 55, 140, 45, 15, 0x50010000, "&Edit..."},
         {1002, "button", 175, 140, 44, 14, 0x50010000, "&Help..."},
         {1013, "button", 225, 140, 45, 15, 0x50010000, "E&xit"},
         {1005, "button", 105, 140, 30, 15, 0x40010000, "&Delete"},
         {1008, "button", 140, 140, 30, 14, 0x40010000, "&Browse"},
         {1010, "listbox", 5, 15, 265, 120, 0x50A10081, ""},
     }},
    {"ADDPROGRAMDLG", AddProgramDlgProc, 186, 66,
     {
         {1, "button", 130, 6, 50, 14, 0x50010001, "OK"},
         {2, "button", 130, 23, 50, 14, 0x50010000, "Cancel"},
         {1011, "edit", 10, 15, 110, 12, 0x50810080, ""},
         {1012, "edit", 10, 45, 110, 12, 0x50810080, ""},
         {-1, "static", 10, 5, 90, 10, 0x50020000, "Application Name"},
         {-1, "static", 10, 35, 55, 10, 0x50020000, "Description"},
     }},
    {"EDITDLG", EditDlgProc, 186, 66,
     {
         {1, "button", 130, 6, 50, 14, 0x50010000, "OK"},
         {2, "button", 130, 23, 50, 14, 0x50010000, "Cancel"},
         {1016, "edit", 5, 5, 110, 12, 0x50010880, ""},
         {1017, "edit", 5, 30, 110, 12, 0x50810080, ""},
         {-1, "static", 5, 20, 85, 10, 0x50020000, "Application Description"},
         {1015, "button", 5, 50, 75, 10, 0x50010003, "2D/3D Compositing"},
     }},
};

// Reads a template's variable fields, advancing through the resource.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE *data) : p(data) {}
    WORD Word() { WORD w; memcpy(&w, p, 2); p += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, p, 4); p += 4; return d; }
    short Short() { return static_cast<short>(Word()); }
    std::string String()
    {
        std::string s;
        for (WORD c; (c = Word()) != 0;)
            s += static_cast<char>(c);
        return s;
    }
    // A name or an ordinal; the predefined control classes come as ordinals.
    std::string NameOrOrdinal()
    {
        WORD first;
        memcpy(&first, p, 2);
        if (first != 0xFFFF)
            return String();
        Word();
        switch (WORD ordinal = Word()) {
        case 0x80: return "button";
        case 0x81: return "edit";
        case 0x82: return "static";
        case 0x83: return "listbox";
        default: return "#" + std::to_string(ordinal);
        }
    }
    void AlignDword(const BYTE *base) { p += (4 - (p - base) % 4) % 4; }

private:
    const BYTE *p;
};

std::string Lower(std::string s)
{
    for (auto &c : s)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

bool LoadTemplate(const char *name, Template &out)
{
    HRSRC found = FindResourceA(NULL, name, MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (!found)
        return false;
    const BYTE *base = static_cast<const BYTE *>(LockResource(LoadResource(NULL, found)));
    TemplateReader r(base);
    out.style = r.Dword();
    r.Dword(); // extended style
    WORD count = r.Word();
    r.Short();
    r.Short();
    out.cx = r.Short();
    out.cy = r.Short();
    EXPECT_EQ(r.NameOrOrdinal(), "") << name << ": menu";
    EXPECT_EQ(r.NameOrOrdinal(), "") << name << ": window class";
    out.caption = r.String();
    out.pointSize = (out.style & DS_SETFONT) ? r.Word() : 0;
    out.font = (out.style & DS_SETFONT) ? r.String() : "";
    for (WORD i = 0; i < count; i++) {
        r.AlignDword(base);
        Control c;
        c.style = r.Dword();
        r.Dword();
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = static_cast<short>(r.Word());
        c.className = Lower(r.NameOrOrdinal());
        c.text = r.NameOrOrdinal();
        WORD extra = r.Word();
        for (WORD j = 0; j < extra; j += 2)
            r.Word();
        out.controls.push_back(c);
    }
    return true;
}

TEST(HintDialogTemplates, MatchTheTables)
{
    for (const auto &dialog : Expected) {
        SCOPED_TRACE(dialog.resource);
        Template t;
        ASSERT_TRUE(LoadTemplate(dialog.resource, t));
        EXPECT_EQ(t.style, DialogStyle);
        EXPECT_EQ(t.cx, dialog.cx);
        EXPECT_EQ(t.cy, dialog.cy);
        EXPECT_EQ(t.caption, "Halvane D3D Setup");
        EXPECT_EQ(t.pointSize, 8);
        EXPECT_EQ(t.font, "MS Sans Serif");
        ASSERT_EQ(t.controls.size(), dialog.controls.size());
        for (size_t i = 0; i < t.controls.size(); i++) {
            const Control &want = dialog.controls[i], &got = t.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\" id " + std::to_string(want.id));
            EXPECT_EQ(got.id, want.id);
            EXPECT_EQ(got.className, want.className);
            EXPECT_EQ(got.x, want.x);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.cx, want.cx);
            EXPECT_EQ(got.cy, want.cy);
            EXPECT_EQ(got.style, want.style) << std::hex << got.style << " vs " << want.style;
            EXPECT_EQ(got.text, want.text);
        }
    }
}

// The dialogs as created: each control found by id where it has one, of its class, visible
// exactly when its template style says so, where the template puts it.
TEST(HintDialogTemplates, CreatedDialogsShowTheControls)
{
    AppInstance = GetModuleHandleA(NULL);
    ScratchRegistry registry;
    SeedRecord("Demo", {});
    SelectedHintIndex = 0; // the record the Edit dialog opens
    for (const auto &dialog : Expected) {
        SCOPED_TRACE(dialog.resource);
        HWND window = CreateDialogParamA(AppInstance, dialog.resource, NULL, dialog.procedure, 0);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(IsWindowVisible(window));
        char caption[64] = "";
        GetWindowTextA(window, caption, sizeof caption);
        EXPECT_STREQ(caption, "Halvane D3D Setup");
        for (const auto &want : dialog.controls) {
            if (want.id == -1)
                continue;
            SCOPED_TRACE("id " + std::to_string(want.id));
            HWND control = GetDlgItem(window, want.id);
            ASSERT_NE(control, nullptr);
            char cls[32] = "";
            GetClassNameA(control, cls, sizeof cls);
            EXPECT_EQ(Lower(cls), want.className);
            EXPECT_EQ(IsWindowVisible(control) != FALSE, (want.style & WS_VISIBLE) != 0);
            // The dialog manager maps position and size separately, so each is compared apart.
            RECT origin = {want.x, want.y, want.cx, want.cy};
            MapDialogRect(window, &origin);
            RECT actual;
            GetWindowRect(control, &actual);
            MapWindowPoints(NULL, window, reinterpret_cast<POINT *>(&actual), 2);
            EXPECT_EQ(actual.left, origin.left);
            EXPECT_EQ(actual.top, origin.top);
            EXPECT_EQ(actual.right - actual.left, origin.right);
            if (want.className == "listbox") {
                // Without LBS_NOINTEGRALHEIGHT the platform trims the list to whole lines.
                LONG itemHeight = static_cast<LONG>(SendMessageA(control, LB_GETITEMHEIGHT, 0, 0));
                EXPECT_LE(actual.bottom - actual.top, origin.bottom);
                EXPECT_GT(actual.bottom - actual.top, origin.bottom - 2 * itemHeight);
            } else {
                EXPECT_EQ(actual.bottom - actual.top, origin.bottom);
            }
        }
        if (dialog.procedure == MainDlgProc) {
            EXPECT_EQ(GetDlgItem(window, IDOK), nullptr);
            EXPECT_EQ(GetDlgItem(window, IDCANCEL), nullptr);
        }
        DestroyWindow(window);
    }
}

} // namespace
