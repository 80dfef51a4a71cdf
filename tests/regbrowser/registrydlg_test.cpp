// The registry browser dialog in process, from the real template with the real procedure, over
// a scratch tree that stands in for HKEY_LOCAL_MACHINE. Message boxes are read and dismissed by
// a timer that runs inside their modal loops.
#include "regbrowser/regbrowser.h"

#include "common/globals.h"
#include "resource.h"
#include "shared/regtest.h"
#include "value_cases.h"
#include "wine/wintest.h"

#include <set>
#include <string>
#include <vector>

namespace {

struct Box {
    std::string text, caption;
    HWND owner;
    int buttons;
    bool icon;
};

std::vector<Box> Boxes;
std::set<HWND> SeenBoxes;
HWND Dialog;

BOOL CALLBACK CountChildren(HWND child, LPARAM lParam)
{
    Box *box = reinterpret_cast<Box *>(lParam);
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0)
        box->buttons++;
    // Wine keeps an icon control in every box; it holds an icon only when one was asked for.
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0)
        box->icon = true;
    return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM)
{
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (window == Dialog || strcmp(cls, "#32770") != 0 || !IsWindowVisible(window) || SeenBoxes.count(window))
        return TRUE;
    SeenBoxes.insert(window);
    Box box = {};
    char text[256] = "", caption[256] = "";
    GetDlgItemTextA(window, 0xffff, text, sizeof text);
    GetWindowTextA(window, caption, sizeof caption);
    box.text = text;
    box.caption = caption;
    box.owner = GetWindow(window, GW_OWNER);
    EnumChildWindows(window, CountChildren, reinterpret_cast<LPARAM>(&box));
    Boxes.push_back(box);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CALLBACK DismissBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
}

// Runs what the dialog has posted to itself, in order, until nothing is left.
void Pump()
{
    MSG msg;
    for (int i = 0; i < 100000 && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); i++) {
        if (!IsDialogMessageA(Dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

std::string Field(int id)
{
    char text[1024] = "";
    GetDlgItemTextA(Dialog, id, text, sizeof text);
    return text;
}

std::string Items(int id)
{
    HWND list = GetDlgItem(Dialog, id);
    std::string all;
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        char text[512] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        all += (i ? "|" : "") + std::string(text);
    }
    return all;
}

std::string Messages()
{
    std::string all;
    for (const Box &b : Boxes) {
        all += (all.empty() ? "" : "\n") + b.text + " / " + b.caption;
        EXPECT_EQ(b.owner, Dialog) << b.text;
        EXPECT_EQ(b.buttons, 1) << b.text << ": MB_OK has one button";
        EXPECT_FALSE(b.icon) << b.text << ": no icon";
    }
    Boxes.clear();
    return all;
}

void Select(int id, const char *text)
{
    HWND list = GetDlgItem(Dialog, id);
    LRESULT at = text ? SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)) : -1;
    ASSERT_TRUE(!text || at >= 0) << text;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

void Command(int id)
{
    SendMessageA(Dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
    Pump();
}

void DoubleClick(int id, const char *text)
{
    Select(id, text);
    SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(GetDlgItem(Dialog, id)));
    Pump();
}

void Down(const char *text)
{
    Select(IDC_REG_KEYS, text);
    Command(IDC_REG_DOWN);
}

const char *const Roots = "HKEY_LOCAL_MACHINE|HKEY_CURRENT_USER|HKEY_USERS|HKEY_CLASSES_ROOT";

class RegistryDlgTest : public RegistryTest {
protected:
    UINT_PTR timer = 0;
    void SetUp() override
    {
        RegistryTest::SetUp();
        AppInstance = GetModuleHandleA(NULL);
        AppHeap = HeapCreate(0, 0, 0);
        Boxes.clear();
        timer = SetTimer(NULL, 0, 20, DismissBoxes);
    }
    void TearDown() override
    {
        if (Dialog)
            DestroyWindow(Dialog);
        Dialog = NULL;
        KillTimer(NULL, timer);
        Pump();
        HeapDestroy(AppHeap);
        AppHeap = NULL;
        RegistryTest::TearDown();
    }
    void Open()
    {
        Dialog = CreateDialogParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
        ASSERT_NE(Dialog, nullptr);
        Pump();
    }
};

TEST_F(RegistryDlgTest, NavigationThroughTheTree)
{
    ASSERT_TRUE(SeedKey("A\\B\\C", "c class"));
    ASSERT_TRUE(SeedKey("Z"));
    ASSERT_TRUE(SeedText("A\\B", "", "default"));
    ASSERT_TRUE(SeedText("A\\B", "Second", "x"));
    ASSERT_TRUE(SeedText("A\\B", std::string(127, 'n'), "x"));
    BrowserRoot = 0x80000001; // left from an earlier opening deep in a key
    strcpy(BrowserPath, "old\\path");
    Open();
    EXPECT_EQ(Items(IDC_REG_KEYS), Roots);
    EXPECT_EQ(Items(IDC_REG_VALUES), "");
    for (int id : {IDC_REG_KEYNAME, IDC_REG_CLASS, IDC_REG_ACL, IDC_REG_TYPE, IDC_REG_DATA, IDC_REG_PATH})
        EXPECT_EQ(Field(id), "") << "field " << id;

    Command(IDC_REG_UP);
    EXPECT_EQ(Messages(), "Top Level: You can not backup any further. / Registry Utility");
    Select(IDC_REG_KEYS, nullptr);
    Command(IDC_REG_DOWN);
    EXPECT_EQ(Messages(), "Please select an item from the list box / Registry Utility");
    EXPECT_EQ(Items(IDC_REG_KEYS), Roots);

    Down("HKEY_LOCAL_MACHINE");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..|A|Z");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(Field(IDC_REG_PATH), "");
    Down("A");
    Down("B");
    EXPECT_EQ(Field(IDC_REG_PATH), "A\\B");
    EXPECT_EQ(Items(IDC_REG_VALUES), "0) <NO NAME> |1) " + std::string(127, 'n') + " |2) Second ");
    DoubleClick(IDC_REG_KEYS, "C");
    EXPECT_EQ(Field(IDC_REG_PATH), "A\\B\\C");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "C");
    EXPECT_EQ(Field(IDC_REG_CLASS), "c class");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..");
    Command(IDC_REG_UP);
    EXPECT_EQ(Field(IDC_REG_PATH), "A\\B");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "B");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..|C");
    DoubleClick(IDC_REG_KEYS, "..");
    EXPECT_EQ(Field(IDC_REG_PATH), "A");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "A");
    Down("..");
    EXPECT_EQ(Field(IDC_REG_PATH), "");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..|A|Z");
    Down("..");
    EXPECT_EQ(Items(IDC_REG_KEYS), Roots);
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "");
    EXPECT_EQ(BrowserRoot, 0u);
    Down("HKEY_USERS");
    EXPECT_EQ(Items(IDC_REG_KEYS).substr(0, 2), "..");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "HKEY_USERS");
    EXPECT_EQ(Messages(), "");
}

TEST_F(RegistryDlgTest, FailedOpeningsReportAndListTheParentAgain)
{
    ASSERT_TRUE(SeedKey("P\\Locked"));
    ASSERT_TRUE(SeedKey("P\\Gone"));
    ASSERT_TRUE(MarkUnreadable("P\\Locked"));
    Open();
    Down("HKEY_LOCAL_MACHINE");
    Down("P");
    Down("Locked");
    EXPECT_EQ(Messages(), "Error: unable to open key.  Probably due to security reasons. / ");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..|Gone|Locked");
    EXPECT_EQ(Field(IDC_REG_KEYNAME), "P");
    EXPECT_EQ(Field(IDC_REG_PATH), "P");
    HKEY p;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "P", 0, KEY_ALL_ACCESS, &p), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(p, "Gone"), ERROR_SUCCESS);
    RegCloseKey(p);
    Down("Gone");
    EXPECT_EQ(Messages(), "Error: Unable to open key, RegOpenKey = 2, Line = 1063 / ");
    EXPECT_EQ(Items(IDC_REG_KEYS), "..|Locked");
    EXPECT_STREQ(BrowserPath, "P");
}

TEST_F(RegistryDlgTest, TooLongPathIsRefused)
{
    std::string first(200, 'f'), second(58, 's'), third(59, 't');
    ASSERT_TRUE(SeedKey(first + "\\" + second));
    ASSERT_TRUE(SeedKey(first + "\\" + third));
    Open();
    Down("HKEY_LOCAL_MACHINE");
    Down(first.c_str());
    Down(third.c_str()); // 200 + 1 + 59 = 260 characters
    EXPECT_EQ(Messages(), "Error: key path too long. Paths of more than 259 characters cannot be opened. / Registry Utility");
    EXPECT_EQ(Field(IDC_REG_PATH), first);
    EXPECT_EQ(Items(IDC_REG_KEYS), ".." "|" + second + "|" + third);
    Down(second.c_str()); // 259: allowed
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(Field(IDC_REG_PATH), first + "\\" + second);
}

TEST_F(RegistryDlgTest, ValueDisplayByType)
{
    const std::vector<ShownValue> cases = EveryTypeCases();
    for (const ShownValue &c : cases)
        ASSERT_TRUE(SeedValue("V", c.name, c.type, c.data)) << c.name;
    Open();
    Down("HKEY_LOCAL_MACHINE");
    Down("V");
    for (const ShownValue &c : cases) {
        HWND values = GetDlgItem(Dialog, IDC_REG_VALUES);
        char text[256] = "";
        int at = static_cast<int>(c.name[0] - 'a');
        SendMessageA(values, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text));
        ASSERT_NE(strstr(text, c.name), nullptr) << c.name << ": listed as " << text;
        SendMessageA(values, LB_SETCURSEL, at, 0);
        SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(IDC_REG_VALUES, LBN_DBLCLK), reinterpret_cast<LPARAM>(values));
        Pump();
        EXPECT_EQ(Field(IDC_REG_TYPE), c.typeField) << c.name;
        EXPECT_EQ(Field(IDC_REG_DATA), c.dataField ? c.dataField : "") << c.name;
    }
    EXPECT_EQ(Messages(), "");
}

TEST_F(RegistryDlgTest, FieldsKeptByButtonsAndEmptiedByDoubleClicks)
{
    ASSERT_TRUE(SeedKey("K\\Sub"));
    ASSERT_TRUE(SeedValue("K", "n", REG_DWORD, Bytes({7, 0, 0, 0})));
    Open();
    Down("HKEY_LOCAL_MACHINE");
    Down("K");
    DoubleClick(IDC_REG_VALUES, "0) n ");
    EXPECT_EQ(Field(IDC_REG_DATA), "7");
    Down("Sub");
    Command(IDC_REG_UP);
    EXPECT_EQ(Field(IDC_REG_TYPE), "REG_DWORD: A 32 bit number.");
    EXPECT_EQ(Field(IDC_REG_DATA), "7");
    DoubleClick(IDC_REG_KEYS, "Sub");
    EXPECT_EQ(Field(IDC_REG_TYPE), "");
    EXPECT_EQ(Field(IDC_REG_DATA), "");
    Command(IDC_REG_UP);
    DoubleClick(IDC_REG_VALUES, "0) n ");
    EXPECT_EQ(Field(IDC_REG_DATA), "7");
    // The key deleted behind the dialog's back: the fetch fails, both fields stay empty.
    HKEY lm = HKEY_LOCAL_MACHINE, k;
    ASSERT_EQ(RegOpenKeyExA(lm, "K", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(k, "Sub"), ERROR_SUCCESS);
    RegCloseKey(k);
    ASSERT_EQ(RegDeleteKeyA(lm, "K"), ERROR_SUCCESS);
    DoubleClick(IDC_REG_VALUES, "0) n ");
    EXPECT_EQ(Messages(), "Error: RegOpenKeyEx = 2 / DisplayKeyData()");
    EXPECT_EQ(Field(IDC_REG_TYPE), "");
    EXPECT_EQ(Field(IDC_REG_DATA), "");
    // At the list of roots there is no key to open.
    Down("..");
    Down("..");
    EXPECT_EQ(Items(IDC_REG_KEYS), Roots);
    SendMessageA(Dialog, WM_COMMAND, MAKEWPARAM(IDC_REG_VALUES, LBN_DBLCLK), 0);
    Pump();
    std::string m = Messages();
    EXPECT_EQ(m.substr(0, strlen("Error: RegOpenKeyEx = ")), "Error: RegOpenKeyEx = ") << m;
    EXPECT_EQ(m.substr(m.size() - strlen(" / DisplayKeyData()")), " / DisplayKeyData()") << m;
}

// Escape and Enter without a focused push button do nothing; only the system close ends it.
struct ModalRun {
    int step = 0;
    bool stillOpenAfterKeys = false;
};
ModalRun Modal;

void CALLBACK DriveModal(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", "Halvane D3D Setup");
    if (!dialog)
        return;
    Dialog = dialog;
    switch (Modal.step++) {
    case 0:
        SetFocus(GetDlgItem(dialog, IDC_REG_KEYS));
        PostMessageA(GetDlgItem(dialog, IDC_REG_KEYS), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(GetDlgItem(dialog, IDC_REG_KEYS), WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    case 1:
        Modal.stillOpenAfterKeys = IsWindowVisible(dialog) != FALSE;
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        KillTimer(NULL, timer);
        break;
    }
}

TEST_F(RegistryDlgTest, OnlyTheSystemCloseEndsIt)
{
    KillTimer(NULL, timer); // no message box is expected, and the dialog is not one
    UINT_PTR drive = SetTimer(NULL, 0, 50, DriveModal);
    INT_PTR result = DialogBoxParamA(AppInstance, "RegistryDlg", NULL, RegistryDlgProc, 0);
    KillTimer(NULL, drive);
    Dialog = NULL;
    EXPECT_TRUE(Modal.stillOpenAfterKeys);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Messages(), "");
}

} // namespace
