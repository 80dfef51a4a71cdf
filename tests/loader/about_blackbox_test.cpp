// The About box of the running QTXILOAD.EXE, opened by menu command 40005 over an open setup
// dialog: both work and end on their own while the loader keeps answering. Leaves a screenshot
// of the box in the build tree (about.png).
#include "wine/capture.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";

std::string Profile()
{
    char value[64];
    GetPrivateProfileStringA("QTXHAL", "EnableHAL", "<none>", value, sizeof value, "zhqhw.ini");
    return value;
}

bool Shows(HWND dialog, const char *text)
{
    std::vector<std::string> texts = ChildTexts(dialog);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class AboutBlackBox : public ::testing::Test {
protected:
    void TearDown() override { StopChild(child); }

    void Command(WPARAM id) { PostMessageA(loader, WM_COMMAND, id, 0); }

    // Sends a menu command that opens a dialog, and returns the new one (NULL if none came).
    HWND OpenDialog(WPARAM command)
    {
        std::vector<HWND> before = VisibleDialogs(child.pid);
        Command(command);
        HWND opened = NULL;
        WaitUntil([&] {
            for (HWND dialog : VisibleDialogs(child.pid))
                if (std::find(before.begin(), before.end(), dialog) == before.end())
                    opened = dialog;
            return opened != NULL;
        });
        return opened;
    }

    ChildProcess child;
    HWND loader = NULL;
};

TEST_F(AboutBlackBox, OpensOverTheSetupDialogAndBothKeepWorking)
{
    ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
    child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001"});
    ASSERT_TRUE(WaitUntil([&] { return (loader = FindProcessWindow(WindowClass, WindowTitle, child.pid)); }));
    ASSERT_TRUE(WaitUntil([] { return Profile() == "1"; }));
    HWND setup = OpenDialog(40004);
    ASSERT_NE(setup, nullptr) << "command 40004 opened no setup dialog";
    HWND about = OpenDialog(40005);
    ASSERT_NE(about, nullptr) << "command 40005 opened no About box over the setup dialog";
    EXPECT_TRUE(Shows(about, "Version") && Shows(about, "3.1.0c4"));
    EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr) << "the About box has no owner";

    // The logo is on screen: mostly its navy field, with its yellow name. Kept as about.png.
    RECT r;
    GetWindowRect(about, &r);
    Image shot;
    EXPECT_TRUE(WaitUntil([&] {
        shot = CaptureScreen(r);
        size_t navy = 0, yellow = 0;
        for (COLORREF c : shot.pixels) {
            navy += CloseColours(c, RGB(0, 0, 128), 8);
            yellow += CloseColours(c, RGB(255, 255, 0), 8);
        }
        return navy > shot.pixels.size() / 3 && yellow > shot.pixels.size() / 50;
    })) << "no logo on the screen where the About box is";
    EXPECT_TRUE(WritePng(ProgramDir() + "..\\about.png", shot));

    Command(40001); // the loader still answers its menu
    EXPECT_TRUE(WaitUntil([] { return Profile() == "0"; }));
    EXPECT_TRUE(IsWindowVisible(setup) && IsWindowVisible(about));
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    PostMessageA(GetDlgItem(setup, 1013), BM_CLICK, 0, 0); // the setup dialog's Exit still works
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    Command(40002);
    EXPECT_EQ(WaitChild(child), 0u);
}

} // namespace
