// The five dialog templates as the resource compiler stored them (the plain DIALOG form): the
// dialog's style, place, size, caption and font, then each control's id, class, style, place and
// text, in order (the tab order and z-order).
#include <windows.h>

#include <gtest/gtest.h>

namespace {

// Per dialog: "name x y cx cy", then "id class style x y cx cy text" per control (-1 for the id
// 0xFFFF).
const std::vector<std::vector<std::string>> Dialogs = {
    {"ABOUTDLG 0 0 230 180", "1 button 50010001 160 150 50 14 OK", "1001 static 50000008 0 0 230 180 ",
     "-1 static 50020000 135 100 30 10 Version", "1000 edit 50810880 165 100 60 12 "},
    {"MAINDLG 0 0 277 161", "-1 static 50020000 5 5 40 10 Application", "-1 static 50020000 90 5 40 10 Description",
     "-1 static 50020000 205 5 65 10 2D/3D Compositing", "1004 button 50010000 5 140 45 14 &Add...",
     "1014 button 50010000 55 140 45 15 &Edit...", "1002 button 50010000 175 140 44 14 &Help...",
     "1013 button 50010000 225 140 45 15 E&xit", "1005 button 40010000 105 140 30 15 &Delete",
     "1008 button 40010000 140 140 30 14 &Browse", "1010 listbox 50A10081 5 15 265 120 "},
    {"ADDPROGRAMDLG 0 0 186 66", "1 button 50010001 130 6 50 14 OK", "2 button 50010000 130 23 50 14 Cancel",
     "1011 edit 50810080 10 15 110 12 ", "1012 edit 50810080 10 45 110 12 ",
     "-1 static 50020000 10 5 90 10 Application Name", "-1 static 50020000 10 35 55 10 Description"},
    {"EDITDLG 0 0 186 66", "1 button 50010000 130 6 50 14 OK", "2 button 50010000 130 23 50 14 Cancel",
     "1016 edit 50010880 5 5 110 12 ", "1017 edit 50810080 5 30 110 12 ",
     "-1 static 50020000 5 20 85 10 Application Description", "1015 button 50010003 5 50 75 10 2D/3D Compositing"},
    {"REGISTRYDLG 19 -26 346 201", "-1 static 50020000 5 25 40 8 Key Name", "101 edit 50810080 5 35 125 12 ",
     "-1 static 50020000 5 50 20 8 Class", "-1 static 50020000 5 75 75 8 ACL", "109 edit 50810080 5 60 125 12 ",
     "104 edit 50810080 5 85 125 12 ", "-1 static 50020000 10 165 60 8 Value: Data Type",
     "-1 static 50020000 10 180 60 8 Value: Data Entry", "106 edit 50010880 80 165 261 12 ",
     "107 edit 50010880 80 180 260 12 ", "110 listbox 50A10001 135 35 100 130 ",
     "103 listbox 50A10001 240 35 100 130 ", "111 button 50010000 80 135 46 25 Next/Down",
     "112 button 50010000 80 105 46 25 Back/Up", "116 edit 50010800 5 10 335 12 "},
};

TEST(DialogTemplates, MatchTheirTables)
{
    for (const auto &want : Dialogs) {
        std::string name = want[0].substr(0, want[0].find(' '));
        HRSRC found = FindResourceA(NULL, name.c_str(), MAKEINTRESOURCEA(5)); // RT_DIALOG
        ASSERT_NE(found, nullptr) << name;
        const WORD *at = static_cast<const WORD *>(LockResource(LoadResource(NULL, found)));
        auto number = [&] { return std::to_string(static_cast<short>(*at++)); };
        auto hex = [&] {
            char s[16];
            snprintf(s, sizeof s, "%lX", static_cast<unsigned long>(at[0] | at[1] << 16));
            return at += 2, std::string(s);
        };
        auto text = [&] { // a string, or an ordinal: the predefined control classes by name
            static const char *const classes[] = {"button", "edit", "static", "listbox"};
            if (*at == 0xFFFF)
                return at += 2, std::string(at[-1] - 0x80u < 4 ? classes[at[-1] - 0x80] : "#");
            std::string s;
            while (*at)
                s += static_cast<char>(*at++);
            return at++, s;
        };
        std::string style = hex(), ex = hex(), count = number(), x = number(), y = number(), cx = number(),
                    cy = number(), menu = text(), cls = text(), caption = text(), points = number(), font = text();
        // The common style: popup, visible, caption, system menu, modal frame, own font.
        EXPECT_EQ(style + " " + ex + " " + menu + cls + caption + " " + points + " " + font,
                  "90C800C0 0 Halvane D3D Setup 8 MS Sans Serif") << name;
        std::vector<std::string> got = {name + " " + x + " " + y + " " + cx + " " + cy};
        for (int i = 0; i < std::stoi(count); i++) {
            at += (reinterpret_cast<uintptr_t>(at) & 2) / 2; // DWORD alignment
            std::string cstyle = hex(), cex = hex(), cx0 = number(), cy0 = number(), w = number(), h = number(),
                        id = number(), ccls = text(), ctext = text();
            for (char &c : ccls)
                c = static_cast<char>(tolower(c)); // stored by name or by ordinal
            got.push_back(id + " " + ccls + " " + cstyle + " " + cx0 + " " + cy0 + " " + w + " " + h + " " + ctext);
            EXPECT_EQ(cex, "0") << name << " control " << i;
            at += *at / 2 + 1; // creation data
        }
        EXPECT_EQ(got, want);
    }
}

} // namespace
