#include "dialogtest.h"

#include "hints/hintstore.h"

#include <gtest/gtest.h>


static void DeleteTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[260];
        while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS)
            DeleteTree(key, child);
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}

ScratchRegistry::ScratchRegistry()
{
    path = "Software\\QtxTest\\dialogs-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &root), ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, root), ERROR_SUCCESS);
    HKEY product;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, &product), ERROR_SUCCESS);
    RegCloseKey(product);
}

ScratchRegistry::~ScratchRegistry()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(root);
    DeleteTree(HKEY_CURRENT_USER, path.c_str());
    HKEY tests;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\QtxTest", 0, KEY_READ, &tests) == ERROR_SUCCESS) {
        char child[260];
        bool empty = RegEnumKeyA(tests, 0, child, sizeof child) != ERROR_SUCCESS;
        RegCloseKey(tests);
        if (empty)
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QtxTest");
    }
}

void ClearRecords()
{
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarnell\\Halvane\\App hints");
}

void SeedRecord(const std::string &name, const Values &values)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, (APP_HINTS_KEY + name).c_str(), &key), ERROR_SUCCESS) << name;
    for (const auto &v : values)
        RegSetValueExA(key, v.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(v.second.c_str()),
                       static_cast<DWORD>(v.second.size() + 1));
    RegCloseKey(key);
}

std::vector<std::string> RecordNames()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, APP_HINTS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[260];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; i++)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

bool RecordExists(const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (APP_HINTS_KEY + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

Values RecordValues(const std::string &name)
{
    Values values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (APP_HINTS_KEY + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char valueName[260];
        DWORD nameSize = sizeof valueName;
        std::vector<BYTE> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, i, valueName, &nameSize, NULL, NULL, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        std::string text(reinterpret_cast<const char *>(data.data()), dataSize);
        values[valueName] = text.substr(0, text.find('\0'));
    }
    RegCloseKey(key);
    return values;
}

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
        std::string line(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]));
        line.resize(static_cast<size_t>(length));
        lines.push_back(line);
    }
    return lines;
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM param)
{
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND> *>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> ShownDialogs()
{
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// One WhileModal run, driven from a thread timer.
struct ModalDriver {
    const std::vector<Step> *steps = nullptr;
    size_t next = 0;
    int ticks = 0;
    bool running = false;
    bool forced = false;
};

ModalDriver *Driver;
const UINT TickMs = 10;
const int BoundTicks = 1000; // 10 s

void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalDriver &d = *Driver;
    if (d.running)
        return;
    d.ticks++;
    if (d.ticks > BoundTicks) {
        d.forced = true;
        for (HWND w : ShownDialogs())
            EndDialog(w, 0);
        return;
    }
    if (d.next < d.steps->size()) {
        d.running = true;
        if ((*d.steps)[d.next]())
            d.next++;
        d.running = false;
    }
}

} // namespace

HWND ShownDialog(int controlId)
{
    for (HWND w : ShownDialogs())
        if (GetDlgItem(w, controlId))
            return w;
    return NULL;
}

HWND ShownMessageBox()
{
    for (HWND w : ShownDialogs())
        if (!GetDlgItem(w, 1010) && !GetDlgItem(w, 1011) && !GetDlgItem(w, 1017))
            return w;
    return NULL;
}

bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps)
{
    ModalDriver driver;
    driver.steps = &steps;
    ModalDriver *outer = Driver;
    Driver = &driver;
    UINT_PTR timer = SetTimer(NULL, 0, TickMs, DriverTick);
    blocking();
    KillTimer(NULL, timer);
    Driver = outer;
    EXPECT_FALSE(driver.forced) << "a dialog did not end when driven; the driver ended it";
    EXPECT_EQ(driver.next, steps.size()) << "steps that never ran";
    return !driver.forced && driver.next == steps.size();
}
