// The five dialog templates as the resource compiler stored them: the dialog's style, place,
// size, caption and font, then each control's id, class, style, place and text, in order (the
// tab order and z-order), read from the plain DIALOG form.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Reader {
    const WORD *at;
    int Word() { return *at++; }
    std::string Dword()
    {
        char s[16];
        snprintf(s, sizeof s, "%lX", static_cast<unsigned long>(at[0] | at[1] << 16));
        at += 2;
        return s;
    }
    std::string Rect()
    {
        std::string s;
        for (int i = 0; i < 4; i++)
            s += std::to_string(static_cast<short>(Word())) + " ";
        return s;
    }
    std::string Text() // a string, or an ordinal: the predefined control classes by name
    {
        static const char *const classes[] = {"button", "edit", "static", "listbox"};
        if (*at == 0xFFFF) {
            int ordinal = at[1];
            at += 2;
            return ordinal >= 0x80 && ordinal < 0x84 ? classes[ordinal - 0x80] : "#" + std::to_string(ordinal);
        }
        std::string s;
        for (int c; (c = Word());)
            s += static_cast<char>(c);
        return s;
    }
};

// Per dialog: "style exstyle x y cx cy caption points font", then "id class style x y cx cy text"
// per control (-1 for the id 0xFFFF).
const std::vector<std::vector<std::string>> Dialogs = {
    {"ABOUTDLG", "90C800C0 0 0 0 230 180 Halvane D3D Setup 8 MS Sans Serif", "1 button 50010001 160 150 50 14 OK",
     "1001 static 50000008 0 0 230 180 ", "-1 static 50020000 135 100 30 10 Version", "1000 edit 50810880 165 100 60 12 "},
    {"MAINDLG", "90C800C0 0 0 0 277 161 Halvane D3D Setup 8 MS Sans Serif",
     "-1 static 50020000 5 5 40 10 Application", "-1 static 50020000 90 5 40 10 Description",
     "-1 static 50020000 205 5 65 10 2D/3D Compositing", "1004 button 50010000 5 140 45 14 &Add...",
     "1014 button 50010000 55 140 45 15 &Edit...", "1002 button 50010000 175 140 44 14 &Help...",
     "1013 button 50010000 225 140 45 15 E&xit", "1005 button 40010000 105 140 30 15 &Delete",
     "1008 button 40010000 140 140 30 14 &Browse", "1010 listbox 50A10081 5 15 265 120 "},
    {"ADDPROGRAMDLG", "90C800C0 0 0 0 186 66 Halvane D3D Setup 8 MS Sans Serif",
     "1 button 50010001 130 6 50 14 OK", "2 button 50010000 130 23 50 14 Cancel", "1011 edit 50810080 10 15 110 12 ",
     "1012 edit 50810080 10 45 110 12 ", "-1 static 50020000 10 5 90 10 Application Name",
     "-1 static 50020000 10 35 55 10 Description"},
    {"EDITDLG", "90C800C0 0 0 0 186 66 Halvane D3D Setup 8 MS Sans Serif", "1 button 50010000 130 6 50 14 OK",
     "2 button 50010000 130 23 50 14 Cancel", "1016 edit 50010880 5 5 110 12 ", "1017 edit 50810080 5 30 110 12 ",
     "-1 static 50020000 5 20 85 10 Application Description", "1015 button 50010003 5 50 75 10 2D/3D Compositing"},
    {"REGISTRYDLG", "90C800C0 0 19 -26 346 201 Halvane D3D Setup 8 MS Sans Serif",
     "-1 static 50020000 5 25 40 8 Key Name", "101 edit 50810080 5 35 125 12 ", "-1 static 50020000 5 50 20 8 Class",
     "-1 static 50020000 5 75 75 8 ACL", "109 edit 50810080 5 60 125 12 ", "104 edit 50810080 5 85 125 12 ",
     "-1 static 50020000 10 165 60 8 Value: Data Type", "-1 static 50020000 10 180 60 8 Value: Data Entry",
     "106 edit 50010880 80 165 261 12 ", "107 edit 50010880 80 180 260 12 ", "110 listbox 50A10001 135 35 100 130 ",
     "103 listbox 50A10001 240 35 100 130 ", "111 button 50010000 80 135 46 25 Next/Down",
     "112 button 50010000 80 105 46 25 Back/Up", "116 edit 50010800 5 10 335 12 "},
};

TEST(DialogTemplates, MatchTheirTables)
{
    for (const auto &want : Dialogs) {
        HRSRC found = FindResourceA(NULL, want[0].c_str(), MAKEINTRESOURCEA(5)); // RT_DIALOG
        ASSERT_NE(found, nullptr) << want[0];
        Reader r = {static_cast<const WORD *>(LockResource(LoadResource(NULL, found)))};
        std::vector<std::string> got = {want[0], r.Dword()};
        got[1] += " " + r.Dword();
        int count = r.Word();
        got[1] += " " + r.Rect();
        EXPECT_EQ(r.Text() + r.Text(), "") << want[0] << ": menu and class";
        got[1] += r.Text();
        got[1] += " " + std::to_string(r.Word());
        got[1] += " " + r.Text();
        for (int i = 0; i < count; i++) {
            r.at += (reinterpret_cast<uintptr_t>(r.at) & 2) / 2; // DWORD alignment
            std::string style = r.Dword(), ex = r.Dword(), rect = r.Rect();
            int id = static_cast<short>(r.Word());
            std::string cls = r.Text(), text;
            for (char &c : cls)
                c = static_cast<char>(tolower(c)); // stored by name or by ordinal
            text = r.Text();
            got.push_back(std::to_string(id) + " " + cls + " " + style + " " + rect + text);
            EXPECT_EQ(ex, "0") << want[0] << " control " << i;
            r.at += r.Word() / 2; // creation data
        }
        EXPECT_EQ(got, want);
    }
}

} // namespace
