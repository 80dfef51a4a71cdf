// The five dialog templates as the resource compiler stored them in the program: the dialog's
// place, size, style, caption and font, and every control's id, class, style, place and text,
// in order (the order is the tab order and the z-order).
#include "wine/dlgtemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Control {
    int id;
    const char *className;
    DWORD style;
    short x, y, cx, cy;
    const char *text;
};

struct Dialog {
    const char *name;
    short x, y, cx, cy;
    std::vector<Control> controls;
};

const Dialog Dialogs[] = {
    {"ABOUTDLG", 0, 0, 230, 180,
     {
         {1, "button", 0x50010001, 160, 150, 50, 14, "OK"},
         {1001, "static", 0x50000008, 0, 0, 230, 180, ""},
         {-1, "static", 0x50020000, 135, 100, 30, 10, "Version"},
         {1000, "edit", 0x50810880, 165, 100, 60, 12, ""},
     }},
    {"MAINDLG", 0, 0, 277, 161,
     {
         {-1, "static", 0x50020000, 5, 5, 40, 10, "Application"},
         {-1, "static", 0x50020000, 90, 5, 40, 10, "Description"},
         {-1, "static", 0x50020000, 205, 5, 65, 10, "2D/3D Compositing"},
         {1004, "button", 0x50010000, 5, 140, 45, 14, "&Add..."},
         {1014, "button", 0x50010000, 55, 140, 45, 15, "&Edit..."},
         {1002, "button", 0x50010000, 175, 140, 44, 14, "&Help..."},
         {1013, "button", 0x50010000, 225, 140, 45, 15, "E&xit"},
         {1005, "button", 0x40010000, 105, 140, 30, 15, "&Delete"},
         {1008, "button", 0x40010000, 140, 140, 30, 14, "&Browse"},
         {1010, "listbox", 0x50A10081, 5, 15, 265, 120, ""},
     }},
    {"ADDPROGRAMDLG", 0, 0, 186, 66,
     {
         {1, "button", 0x50010001, 130, 6, 50, 14, "OK"},
         {2, "button", 0x50010000, 130, 23, 50, 14, "Cancel"},
         {1011, "edit", 0x50810080, 10, 15, 110, 12, ""},
         {1012, "edit", 0x50810080, 10, 45, 110, 12, ""},
         {-1, "static", 0x50020000, 10, 5, 90, 10, "Application Name"},
         {-1, "static", 0x50020000, 10, 35, 55, 10, "Description"},
     }},
    {"EDITDLG", 0, 0, 186, 66,
     {
         {1, "button", 0x50010000, 130, 6, 50, 14, "OK"},
         {2, "button", 0x50010000, 130, 23, 50, 14, "Cancel"},
         {1016, "edit", 0x50010880, 5, 5, 110, 12, ""},
         {1017, "edit", 0x50810080, 5, 30, 110, 12, ""},
         {-1, "static", 0x50020000, 5, 20, 85, 10, "Application Description"},
         {1015, "button", 0x50010003, 5, 50, 75, 10, "2D/3D Compositing"},
     }},
    {"REGISTRYDLG", 19, -26, 346, 201,
     {
         {-1, "static", 0x50020000, 5, 25, 40, 8, "Key Name"},
         {101, "edit", 0x50810080, 5, 35, 125, 12, ""},
         {-1, "static", 0x50020000, 5, 50, 20, 8, "Class"},
         {-1, "static", 0x50020000, 5, 75, 75, 8, "ACL"},
         {109, "edit", 0x50810080, 5, 60, 125, 12, ""},
         {104, "edit", 0x50810080, 5, 85, 125, 12, ""},
         {-1, "static", 0x50020000, 10, 165, 60, 8, "Value: Data Type"},
         {-1, "static", 0x50020000, 10, 180, 60, 8, "Value: Data Entry"},
         {106, "edit", 0x50010880, 80, 165, 261, 12, ""},
         {107, "edit", 0x50010880, 80, 180, 260, 12, ""},
         {110, "listbox", 0x50A10001, 135, 35, 100, 130, ""},
         {103, "listbox", 0x50A10001, 240, 35, 100, 130, ""},
         {111, "button", 0x50010000, 80, 135, 46, 25, "Next/Down"},
         {112, "button", 0x50010000, 80, 105, 46, 25, "Back/Up"},
         {116, "edit", 0x50010800, 5, 10, 335, 12, ""},
     }},
};

TEST(DialogTemplates, MatchTheirTables)
{
    for (const Dialog &want : Dialogs) {
        SCOPED_TRACE(want.name);
        DialogTemplate got;
        ASSERT_TRUE(ReadDialogTemplate(GetModuleHandleA(NULL), want.name, got)) << "no plain dialog template";
        // The common dialog style: popup, visible, caption, system menu, modal frame, own font.
        EXPECT_EQ(got.style, 0x90C800C0u);
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(std::vector<short>({got.x, got.y, got.cx, got.cy}), std::vector<short>({want.x, want.y, want.cx, want.cy}));
        EXPECT_EQ(got.menu, "");
        EXPECT_EQ(got.className, "");
        EXPECT_EQ(got.caption, "Halvane D3D Setup");
        EXPECT_EQ(got.points, 8);
        EXPECT_EQ(got.font, "MS Sans Serif");
        ASSERT_EQ(got.items.size(), want.controls.size());
        for (size_t i = 0; i < want.controls.size(); i++) {
            const Control &c = want.controls[i];
            const TemplateItem &item = got.items[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " id " << c.id << " \"" << c.text << "\"");
            EXPECT_EQ(item.id, c.id);
            EXPECT_EQ(item.className, c.className);
            EXPECT_EQ(item.style, c.style) << std::hex << item.style;
            EXPECT_EQ(item.exStyle, 0u);
            EXPECT_EQ(std::vector<short>({item.x, item.y, item.cx, item.cy}), std::vector<short>({c.x, c.y, c.cx, c.cy}));
            EXPECT_EQ(item.text, c.text);
        }
    }
}

} // namespace
