// The setup dialog of the running QTXILOAD.EXE, opened from the tray menu command and driven
// from this process, over the prefix's own HKEY_LOCAL_MACHINE.
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

const char WindowClass[] = "QTXILoadWClass";
const char WindowTitle[] = "Halvane interceptor loader";
const char HintsPath[] = "SOFTWARE\\Quarnell\\Halvane\\App hints";
const WPARAM SetupCommand = 40004, CloseCommand = 40002;
const int ListId = 1010, AddId = 1004, EditId = 1014, DeleteId = 1005, ExitId = 1013;
const int AddNameId = 1011, AddDescriptionId = 1012;
const int EditNameId = 1016, EditDescriptionId = 1017, CompositingId = 1015;

typedef std::map<std::string, std::string> Values;

// Creates what is missing of a key path and remembers it, so that it can be removed again.
struct KeyTrail {
    std::vector<std::string> created;
    void Ensure(const std::string &path)
    {
        size_t at = 0;
        while (at != std::string::npos) {
            at = path.find('\\', at + 1);
            std::string part = path.substr(0, at);
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, part.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                continue;
            }
            ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, part.c_str(), &key), ERROR_SUCCESS) << part;
            RegCloseKey(key);
            created.push_back(part);
        }
    }
    // Removes the keys it created, deepest first, as long as nothing else lives in them.
    void Remove()
    {
        for (auto it = created.rbegin(); it != created.rend(); ++it)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, it->c_str());
    }
};

Values Record(const std::string &name)
{
    Values values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(HintsPath) + "\\" + name).c_str(), 0, KEY_READ, &key))
        return values;
    for (DWORD i = 0;; i++) {
        char valueName[260], data[260];
        DWORD nameSize = sizeof valueName, dataSize = sizeof data;
        if (RegEnumValueA(key, i, valueName, &nameSize, NULL, NULL, reinterpret_cast<BYTE *>(data), &dataSize))
            break;
        values[valueName] = std::string(data, dataSize).substr(0, std::string(data, dataSize).find('\0'));
    }
    RegCloseKey(key);
    return values;
}

bool RecordExists(const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(HintsPath) + "\\" + name).c_str(), 0, KEY_READ, &key))
        return false;
    RegCloseKey(key);
    return true;
}

std::string Narrow(const WCHAR *wide)
{
    char text[1024];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return n > 0 ? text : "";
}

// Texts of another process's controls travel as UTF-16 in Wine; read them through the wide calls.
std::vector<std::string> Lines(HWND list)
{
    std::vector<std::string> lines;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        WCHAR line[600] = L"";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 600)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        lines.push_back(Narrow(line));
    }
    return lines;
}

int LineOf(HWND list, const std::string &name)
{
    std::vector<std::string> lines = Lines(list);
    for (size_t i = 0; i < lines.size(); i++)
        if (lines[i].compare(0, name.size() + 1, name + "\t") == 0)
            return static_cast<int>(i);
    return -1;
}

std::string ControlText(HWND dialog, int id)
{
    WCHAR text[600] = L"";
    SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 600, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

void SetControlText(HWND dialog, int id, const char *text)
{
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The visible dialogs of the process that hold a control with the id.
std::vector<HWND> Dialogs(DWORD pid, int controlId)
{
    std::vector<HWND> found;
    for (HWND d : VisibleDialogs(pid))
        if (GetDlgItem(d, controlId))
            found.push_back(d);
    return found;
}

HWND WaitForDialog(DWORD pid, int controlId)
{
    HWND found = NULL;
    WaitUntil([&] {
        std::vector<HWND> d = Dialogs(pid, controlId);
        return (found = d.empty() ? NULL : d.front()) != NULL;
    });
    return found;
}

void Post(HWND window, WPARAM wParam, LPARAM lParam = 0) { PostMessageA(window, WM_COMMAND, wParam, lParam); }

class SetupBlackBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FindWindowA(WindowClass, WindowTitle), nullptr) << "a loader is already running";
        trail.Ensure("SOFTWARE\\Quarnell\\Halvane");
        name = "BB" + std::to_string(GetCurrentProcessId());
        other = "BC" + std::to_string(GetCurrentProcessId());
        std::string log = MakeScratchDir("setup") + "calls.log";
        child = StartChild(ProgramDir() + "QTXILOAD.EXE", {"QTXWIN32_FLAGS=0x0001", "QTXWIN32_LOG=" + log});
        ASSERT_TRUE(WaitUntil([&] { return (main = FindProcessWindow(WindowClass, WindowTitle, child.pid)) != NULL; }));
    }

    void TearDown() override
    {
        StopChild(child);
        for (const auto &n : {name, other})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(HintsPath) + "\\" + n).c_str());
        HKEY hints;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HintsPath, 0, KEY_READ, &hints) == ERROR_SUCCESS) {
            char sub[260];
            bool empty = RegEnumKeyA(hints, 0, sub, sizeof sub) != ERROR_SUCCESS;
            RegCloseKey(hints);
            if (empty && hintsCreated)
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, HintsPath);
        }
        trail.Remove();
    }

    HWND OpenSetup()
    {
        std::vector<HWND> before = Dialogs(child.pid, ListId);
        Post(main, SetupCommand);
        HWND opened = NULL;
        WaitUntil([&] {
            for (HWND d : Dialogs(child.pid, ListId))
                if (std::find(before.begin(), before.end(), d) == before.end())
                    opened = d;
            return opened != NULL;
        });
        return opened;
    }

    void Add(HWND setup, const std::string &record, const char *description)
    {
        Post(setup, AddId);
        HWND add = WaitForDialog(child.pid, AddNameId);
        ASSERT_NE(add, nullptr) << "no Add dialog";
        SetControlText(add, AddNameId, record.c_str());
        SetControlText(add, AddDescriptionId, description);
        Post(add, IDOK);
    }

    void DoubleClick(HWND setup, int line)
    {
        HWND list = GetDlgItem(setup, ListId);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        Post(setup, MAKEWPARAM(ListId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }

    bool WaitForLine(HWND setup, const std::string &line)
    {
        return WaitUntil([&] {
            std::vector<std::string> lines = Lines(GetDlgItem(setup, ListId));
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }

    KeyTrail trail;
    bool hintsCreated = false;
    std::string name, other;
    ChildProcess child;
    HWND main = NULL;
};

TEST_F(SetupBlackBoxTest, AddFlipEditDeleteThroughTheRunningProgram)
{
    HWND setup = OpenSetup();
    ASSERT_NE(setup, nullptr) << "command 40004 opened no setup dialog";
    HKEY probe;
    hintsCreated = RegOpenKeyExA(HKEY_LOCAL_MACHINE, HintsPath, 0, KEY_READ, &probe) != ERROR_SUCCESS;
    if (!hintsCreated)
        RegCloseKey(probe);
    HWND list = GetDlgItem(setup, ListId);
    EXPECT_EQ(LineOf(list, name), -1);

    Add(setup, name, "racing");
    EXPECT_TRUE(WaitUntil([&] { return Record(name) == Values{{"Description", "racing"}, {"Need3DOn2D", "1"}}; }));
    EXPECT_TRUE(WaitForLine(setup, name + "\tracing\tOn"));

    DoubleClick(setup, LineOf(list, name));
    EXPECT_TRUE(WaitUntil([&] { return Record(name) == Values{{"Description", "racing"}, {"Need3DOn2D", "0"}}; }));
    EXPECT_TRUE(WaitForLine(setup, name + "\tracing\tOff"));

    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(LineOf(list, name)), 0);
    Post(setup, EditId);
    HWND edit = WaitForDialog(child.pid, EditDescriptionId);
    ASSERT_NE(edit, nullptr) << "no Edit dialog";
    EXPECT_EQ(ControlText(edit, EditNameId), name);
    EXPECT_EQ(ControlText(edit, EditDescriptionId), "racing");
    EXPECT_EQ(SendMessageW(GetDlgItem(edit, CompositingId), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SetControlText(edit, EditDescriptionId, "arcade");
    SendMessageW(GetDlgItem(edit, CompositingId), BM_SETCHECK, BST_CHECKED, 0);
    Post(edit, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return Record(name) == Values{{"Description", "arcade"}, {"Need3DOn2D", "1"}}; }));
    EXPECT_TRUE(WaitForLine(setup, name + "\tarcade\tOn"));

    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(LineOf(list, name)), 0);
    Post(setup, DeleteId);
    EXPECT_TRUE(WaitUntil([&] { return !RecordExists(name); }));
    EXPECT_TRUE(WaitUntil([&] { return LineOf(list, name) == -1; }));

    Post(setup, ExitId);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(setup); }));
    Post(main, CloseCommand);
    EXPECT_EQ(WaitChild(child), 0u);
}

TEST_F(SetupBlackBoxTest, TwoSetupDialogsAtOnce)
{
    HWND first = OpenSetup();
    ASSERT_NE(first, nullptr);
    HWND second = OpenSetup();
    ASSERT_NE(second, nullptr) << "a second setup dialog did not open beside the first";
    ASSERT_NE(first, second);
    HKEY probe;
    hintsCreated = RegOpenKeyExA(HKEY_LOCAL_MACHINE, HintsPath, 0, KEY_READ, &probe) != ERROR_SUCCESS;
    if (!hintsCreated)
        RegCloseKey(probe);
    DWORD_PTR ignored;
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored)) << "main window stuck";

    // A record added through one shows there at once, in the other only after its own refill.
    Add(second, name, "two");
    EXPECT_TRUE(WaitForLine(second, name + "\ttwo\tOn"));
    EXPECT_EQ(LineOf(GetDlgItem(first, ListId), name), -1);
    Add(first, other, "one");
    EXPECT_TRUE(WaitForLine(first, other + "\tone\tOn"));
    EXPECT_TRUE(WaitForLine(first, name + "\ttwo\tOn"));
    EXPECT_EQ(Record(other), (Values{{"Description", "one"}, {"Need3DOn2D", "1"}}));

    // Each flips what its own list shows at the selected line.
    DoubleClick(first, LineOf(GetDlgItem(first, ListId), name));
    EXPECT_TRUE(WaitUntil([&] { return Record(name)["Need3DOn2D"] == "0"; }));
    EXPECT_EQ(Record(other)["Need3DOn2D"], "1");

    Post(second, ExitId);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(second); }));
    EXPECT_TRUE(IsWindowVisible(first));
    Post(first, ExitId);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(first); }));
    Post(main, CloseCommand);
    EXPECT_EQ(WaitChild(child), 0u);
}

} // namespace
