// The setup dialog's Help as a user of the portable copy meets it, QTXILOAD.EXE started from the
// unpacked ZIP's folder, where the manual lies beside it. The Windows version the loader sees
// decides: up to Windows XP it opens Wine's help viewer on the manual's contents topic, which
// begins with the product's name; from Windows Vista on, which have no Windows Help, it opens
// qtxhelp.html by its full path in the program set to open .html files.
#include "manual/helpcheck.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <ctype.h>

static std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

static std::string FullPath(const std::string &path)
{
    char full[MAX_PATH] = "";
    GetFullPathNameA(path.c_str(), sizeof full, full, NULL);
    return full;
}

TEST(Manual, HelpShowsTheContentsTopicFromTheUnpackedZip)
{
    const std::string folder = ProgramDir() + QTX_UNZIPPED;
    ASSERT_NE(GetFileAttributesA((folder + "qtxhelp.hlp").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    for (const char *windows : {"winxp", "win2k"}) {
        SCOPED_TRACE(windows);
        HelpShown shown = HelpFrom(folder, windows);
        EXPECT_TRUE(shown.viewer) << "no help viewer appeared";
        EXPECT_EQ(shown.refusal + shown.message + shown.opened, "") << "a refusal, a message or the HTML manual opened";
        EXPECT_EQ(shown.topic.rfind("Halvane D3D HAL loader", 0), 0u) << "the topic shown:\n" << shown.topic;
        EXPECT_NE(shown.topic.find("QTXILOAD is the Halvane D3D HAL loader"), std::string::npos)
            << "the topic shown:\n" << shown.topic;
        EXPECT_EQ(shown.exitCode, 0u);
    }
}

TEST(Manual, HelpOpensTheHtmlManualWhereWindowsHasNoWindowsHelp)
{
    const std::string folder = ProgramDir() + QTX_UNZIPPED;
    ASSERT_NE(GetFileAttributesA((folder + "qtxhelp.html").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    for (const char *windows : {"vista", "win10"}) {
        SCOPED_TRACE(windows);
        HelpShown shown = HelpFrom(folder, windows);
        EXPECT_EQ(Lower(shown.opened), Lower(FullPath(folder + "qtxhelp.html"))) << "the file the program for .html files got";
        EXPECT_FALSE(shown.viewer) << "Windows Help was asked for";
        EXPECT_EQ(shown.refusal + shown.message, "");
        EXPECT_EQ(shown.exitCode, 0u);
    }
}

// Beside the test programs lies QTXILOAD.EXE without the manual: Help says so and opens nothing.
TEST(Manual, AMissingHtmlManualIsToldInWords)
{
    const std::string folder = ProgramDir();
    ASSERT_EQ(GetFileAttributesA((folder + "qtxhelp.html").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    HelpShown shown = HelpFrom(folder, "win10");
    EXPECT_EQ(Lower(shown.message), Lower("Help cannot be shown: the manual " + FullPath(folder + "qtxhelp.html") +
                                          " is missing. Installing QTXILOAD again puts it back. / Registry Utility"));
    EXPECT_EQ(shown.opened, "");
    EXPECT_FALSE(shown.viewer);
    EXPECT_EQ(shown.exitCode, 0u);
}

// No program can open .html files (the one registered is not there): Help says so and goes on.
TEST(Manual, AManualWindowsCannotOpenIsToldInWords)
{
    const std::string folder = ProgramDir() + QTX_UNZIPPED, html = FullPath(folder + "qtxhelp.html");
    HelpShown shown = HelpFrom(folder, "win10", "no-such-browser.exe");
    const std::string head = "Help cannot be shown: Windows could not open the manual " + html + " (error ",
                      tail = "). Open that file in a web browser. / Registry Utility";
    EXPECT_TRUE(Lower(shown.message).rfind(Lower(head), 0) == 0 && shown.message.size() > head.size() + tail.size() &&
                shown.message.compare(shown.message.size() - tail.size(), tail.size(), tail) == 0)
        << shown.message;
    EXPECT_EQ(shown.opened, "");
    EXPECT_FALSE(shown.viewer);
    EXPECT_EQ(shown.exitCode, 0u);
}
