// The five dialog templates as the resource compiler stored them: the common style, caption and font, then each
// dialog's "name x y cx cy" and per control, in order (tab and z-order), "id CLASS style x y cx cy text".
#include <windows.h>

#include <gtest/gtest.h>

const char *const Expected[] = {
    "ABOUTDLG 0 0 230 180", "1 BUTTON 50010001 160 150 50 14 OK", "1001 STATIC 50000008 0 0 230 180 ",
    "-1 STATIC 50020000 135 100 30 10 Version", "1000 EDIT 50810880 165 100 60 12 ", "MAINDLG 0 0 277 161",
    "-1 STATIC 50020000 5 5 40 10 Application", "-1 STATIC 50020000 90 5 40 10 Description",
    "-1 STATIC 50020000 205 5 65 10 2D/3D Compositing", "1004 BUTTON 50010000 5 140 45 14 &Add...",
    "1014 BUTTON 50010000 55 140 45 15 &Edit...", "1002 BUTTON 50010000 175 140 44 14 &Help...", "1013 BUTTON 50010000 225 140 45 15 E&xit",
    "1005 BUTTON 40010000 105 140 30 15 &Delete", "1008 BUTTON 40010000 140 140 30 14 &Browse", "1010 LISTBOX 50A10081 5 15 265 120 ",
    "ADDPROGRAMDLG 0 0 186 66", "1 BUTTON 50010001 130 6 50 14 OK", "2 BUTTON 50010000 130 23 50 14 Cancel",
    "1011 EDIT 50810080 10 15 110 12 ", "1012 EDIT 50810080 10 45 110 12 ", "-1 STATIC 50020000 10 5 90 10 Application Name",
    "-1 STATIC 50020000 10 35 55 10 Description", "EDITDLG 0 0 186 66", "1 BUTTON 50010000 130 6 50 14 OK",
    "2 BUTTON 50010000 130 23 50 14 Cancel", "1016 EDIT 50010880 5 5 110 12 ", "1017 EDIT 50810080 5 30 110 12 ",
    "-1 STATIC 50020000 5 20 85 10 Application Description", "1015 BUTTON 50010003 5 50 75 10 2D/3D Compositing",
    "REGISTRYDLG 19 -26 346 201", "-1 STATIC 50020000 5 25 40 8 Key Name", "101 EDIT 50810080 5 35 125 12 ",
    "-1 STATIC 50020000 5 50 20 8 Class", "-1 STATIC 50020000 5 75 75 8 ACL", "109 EDIT 50810080 5 60 125 12 ",
    "104 EDIT 50810080 5 85 125 12 ", "-1 STATIC 50020000 10 165 60 8 Value: Data Type", "-1 STATIC 50020000 10 180 60 8 Value: Data Entry",
    "106 EDIT 50010880 80 165 261 12 ", "107 EDIT 50010880 80 180 260 12 ", "110 LISTBOX 50A10001 135 35 100 130 ",
    "103 LISTBOX 50A10001 240 35 100 130 ", "111 BUTTON 50010000 80 135 46 25 Next/Down", "112 BUTTON 50010000 80 105 46 25 Back/Up",
    "116 EDIT 50010800 5 10 335 12 "};

TEST(DialogTemplates, MatchTheirTable)
{
    auto text = [](const WORD *&at) { // a string, or an ordinal: the predefined control classes by name
        static const char *const classes[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX"};
        const WORD *end = *at == 0xFFFF ? at + 1 : at + lstrlenW(reinterpret_cast<LPCWSTR>(at));
        std::string s = *at != 0xFFFF ? std::string(at, end) : at[1] - 0x80u < 4 ? classes[at[1] - 0x80] : "#";
        return at = end + 1, s;
    };
    std::vector<std::string> got;
    char line[160];
    for (const char *name : {"ABOUTDLG", "MAINDLG", "ADDPROGRAMDLG", "EDITDLG", "REGISTRYDLG"}) {
        auto *dialog = static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(NULL, FindResourceA(NULL, name, RT_DIALOG))));
        ASSERT_NE(dialog, nullptr) << name;
        const WORD *at = reinterpret_cast<const WORD *>(dialog + 1);
        std::vector<std::string> common = {std::to_string(dialog->style), std::to_string(dialog->dwExtendedStyle), text(at), text(at),
                                           text(at), std::to_string(*at++), text(at)}; // menu, class, caption, points, font
        EXPECT_EQ(common, (std::vector<std::string>{std::to_string(0x90C800C0), "0", "", "", "Halvane D3D Setup", "8", "MS Sans Serif"}));
        snprintf(line, sizeof line, "%s %d %d %d %d", name, dialog->x, dialog->y, dialog->cx, dialog->cy);
        got.push_back(line);
        for (int i = 0; i < dialog->cdit; i++, at += *at / 2 + 1) { // then past the creation data
            auto *item = reinterpret_cast<const DLGITEMTEMPLATE *>(at + (reinterpret_cast<uintptr_t>(at) & 2) / 2);
            std::string itemClass = text(at = reinterpret_cast<const WORD *>(item + 1)), itemText = text(at);
            snprintf(line, sizeof line, "%d %s %lX %d %d %d %d %s%s", static_cast<short>(item->id), itemClass.c_str(), item->style,
                     item->x, item->y, item->cx, item->cy, itemText.c_str(), item->dwExtendedStyle ? " (extended style)" : "");
            got.push_back(line);
        }
    }
    EXPECT_EQ(got, std::vector<std::string>(std::begin(Expected), std::end(Expected)));
}
