// The setup dialog's Help as a user of the portable copy meets it: QTXILOAD.EXE started from the
// unpacked ZIP's folder, where the help files lie beside it, opens Wine's help viewer on the
// manual's contents topic.
#include "resource.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

const char Title[] = "Halvane D3D HAL loader";

std::vector<HWND> Viewers(void)
{
    std::vector<HWND> found;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, "MS_WINHELP", NULL));)
        found.push_back(w);
    return found;
}

// The text of the topic shown, which the viewer keeps in its rich-edit child.
std::string TopicText(HWND viewer)
{
    for (HWND child = GetWindow(viewer, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        if (_strnicmp(className, "RichEdit", 8) == 0)
            return ControlText(child);
    }
    return "";
}

// The text of a shown message box of any process that says a file cannot be found.
std::string CannotFind(void)
{
    for (HWND box : VisibleDialogs())
        for (const std::string &text : ChildTexts(box))
            if (text.find("Cannot find") != std::string::npos)
                return text;
    return "";
}

// Closes what the Help command started; a viewer that does not close is ended.
void CloseViewer(HWND viewer)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process, 5000) != WAIT_OBJECT_0)
        TerminateProcess(process, 0xDEAD), WaitForSingleObject(process, 5000);
    if (process)
        CloseHandle(process);
}

} // namespace

TEST(Manual, HelpShowsTheContentsTopicFromTheUnpackedZip)
{
    const std::string folder = ProgramDir() + QTX_UNZIPPED;
    ASSERT_NE(GetFileAttributesA((folder + "qtxhelp.hlp").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    // A viewer already open would take the Help command itself; only an earlier run of this
    // test can have left one.
    for (HWND w : Viewers())
        CloseViewer(w);

    // Windows Help finds a file named without a folder in the caller's current folder: the
    // loader starts there, as a double-click in its folder starts it.
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
    ChildProcess loader = StartChild(folder + "QTXILOAD.EXE", {});
    SetCurrentDirectoryA(cwd);

    HWND window = NULL, setup = NULL, viewer = NULL;
    std::string topic, refusal;
    EXPECT_TRUE(WaitUntil([&] { return (window = FindProcessWindow("QTXILoadWClass", NULL, loader.pid)) != NULL; }));
    if (window) {
        PostMessageA(window, WM_COMMAND, IDM_SETUP, 0);
        EXPECT_TRUE(WaitUntil([&] { return (setup = ShownDialog(loader.pid, IDC_HINT_LIST)) != NULL; }));
    }
    if (setup) {
        PostMessageA(setup, WM_COMMAND, IDC_HINT_HELP, 0);
        WaitUntil([&] {
            refusal = CannotFind();
            viewer = FindWindowA("MS_WINHELP", NULL);
            topic = viewer ? TopicText(viewer) : "";
            return !refusal.empty() || topic.find(Title) != std::string::npos;
        });
    }
    EXPECT_EQ(refusal, "");
    EXPECT_TRUE(viewer) << "no help viewer appeared";
    EXPECT_EQ(topic.compare(0, strlen(Title), Title), 0) << "the topic shown:\n" << topic;
    EXPECT_NE(topic.find("QTXILOAD is the Halvane D3D HAL loader"), std::string::npos) << "the topic shown:\n" << topic;

    if (viewer)
        CloseViewer(viewer);
    if (setup)
        CloseBox(setup);
    if (window)
        PostMessageA(window, WM_COMMAND, IDM_CLOSE, 0);
    EXPECT_EQ(WaitChild(loader), 0u);
    StopChild(loader);
}
