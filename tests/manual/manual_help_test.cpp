// The setup dialog's Help as a user of the portable copy meets it: QTXILOAD.EXE started from the
// unpacked ZIP's folder, where the help files lie beside it, opens Wine's help viewer on the
// manual's contents topic, which begins with the product's name.
#include "manual/helpcheck.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

TEST(Manual, HelpShowsTheContentsTopicFromTheUnpackedZip)
{
    const std::string folder = ProgramDir() + QTX_UNZIPPED;
    ASSERT_NE(GetFileAttributesA((folder + "qtxhelp.hlp").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    HelpShown shown = HelpFrom(folder);
    EXPECT_TRUE(shown.viewer) << "no help viewer appeared";
    EXPECT_EQ(shown.refusal, "");
    EXPECT_EQ(shown.topic.rfind("Halvane D3D HAL loader", 0), 0u) << "the topic shown:\n" << shown.topic;
    EXPECT_NE(shown.topic.find("QTXILOAD is the Halvane D3D HAL loader"), std::string::npos)
        << "the topic shown:\n" << shown.topic;
    EXPECT_EQ(shown.exitCode, 0u);
}
