#include "dialogtest.h"

#include "shared/regfixture.h"

#include <gtest/gtest.h>


static const std::string HintsPath = "SOFTWARE\\Quarnell\\Halvane\\App hints";

static void StartWithProductKey()
{
    EXPECT_TRUE(RegFixtureStart());
    EXPECT_TRUE(SeedKey("SOFTWARE\\Quarnell\\Halvane"));
}

ScratchRegistry::ScratchRegistry() { StartWithProductKey(); }
ScratchRegistry::~ScratchRegistry() { RegFixtureStop(); }

void ClearRecords()
{
    RegFixtureStop();
    StartWithProductKey();
}

void SeedRecord(const std::string &name, const Values &values)
{
    EXPECT_TRUE(SeedKey(HintsPath + "\\" + name)) << name;
    for (const auto &v : values)
        EXPECT_TRUE(SeedText(HintsPath + "\\" + name, v.first, v.second)) << name << " " << v.first;
}

std::vector<std::string> RecordNames() { return SubkeyNames(HintsPath); }

Values RecordValues(const std::string &name)
{
    Values values;
    for (const auto &valueName : ValueNames(HintsPath + "\\" + name)) {
        DWORD type;
        std::string bytes;
        if (ReadValue(HintsPath + "\\" + name, valueName, &type, &bytes))
            values[valueName] = bytes.substr(0, bytes.find('\0'));
    }
    return values;
}

bool MarkRecordReadOnly(const std::string &name) { return MarkReadOnly(HintsPath + "\\" + name); }

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
