// The setup dialog's Help driven as a user would, for the tests of the packages' manual.
#pragma once
#include <string>

struct HelpShown {
    bool viewer = false;  // Wine's help viewer appeared
    std::string topic;    // the text of the topic it shows (its rich-edit child)
    std::string refusal;  // the text of a "Cannot find" message box, if one appeared
    std::string message;  // "text / caption" of a message box of the loader's own, if one appeared
    std::string opened;   // the file the program set to open .html files was given ("" when not started)
    unsigned long exitCode = 0; // the loader's, after Close
};

// Starts folder\QTXILOAD.EXE with folder as its current folder (as a double-click there or a
// shortcut that starts in it does), the loader seeing the Windows version given as Wine names it
// ("winxp", "vista", "win10": HKCU\Software\Wine\AppDefaults\QTXILOAD.EXE, value Version, for
// that program only, so that other tests running meanwhile are not touched; restored after).
// While it runs, .html files open in a recorder (opener, by default htmlrecord.exe beside the test
// program; one that is not there makes the opening fail), registered under HKEY_CLASSES_ROOT and
// unregistered after, in place of a web browser. Opens the
// setup dialog, presses Help, waits for the viewer, a "Cannot find" message, a message of the
// loader or the recorder, then closes the viewer, the message and the loader.
HelpShown HelpFrom(const std::string &folder, const char *windows = "winxp", const char *opener = "htmlrecord.exe");
