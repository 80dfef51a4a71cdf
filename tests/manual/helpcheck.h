// The setup dialog's Help driven as a user would, for the tests of the packages' manual.
#pragma once
#include <string>

struct HelpShown {
    bool viewer = false;  // Wine's help viewer appeared
    std::string topic;    // the text of the topic it shows (its rich-edit child)
    std::string refusal;  // the text of a "Cannot find" message box, if one appeared
    unsigned long exitCode = 0; // the loader's, after Close
};

// Starts folder\QTXILOAD.EXE with folder as its current folder (as a double-click there or a
// shortcut that starts in it does), opens the setup dialog, presses Help, waits for the viewer
// or a "Cannot find" message, then closes the viewer and the loader.
HelpShown HelpFrom(const std::string &folder);
