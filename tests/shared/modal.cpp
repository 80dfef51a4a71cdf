#include "shared/modal.h"

#include "resource.h"
#include "shared/regfixture.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <set>

static std::string Narrow(const WCHAR *wide)
{
    char text[2048];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return n > 0 ? text : "";
}

std::string ControlText(HWND window)
{
    WCHAR text[1024] = L"";
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        WCHAR line[1024] = L"";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1024)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        lines.push_back(Narrow(line));
    }
    return lines;
}

static std::vector<HWND> ShownDialogs() { return VisibleDialogs(GetCurrentProcessId()); }

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
        if (!GetDlgItem(w, IDC_HINT_LIST) && !GetDlgItem(w, IDC_ADD_NAME) && !GetDlgItem(w, IDC_EDIT_DESCRIPTION) &&
            !GetDlgItem(w, IDC_REG_KEYS))
            return w;
    return NULL;
}

static BOOL CALLBACK CountBoxParts(HWND child, LPARAM param)
{
    int *parts = reinterpret_cast<int *>(param);
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0)
        parts[0]++;
    // Wine keeps an icon control in every box; it holds an icon only when one was asked for.
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0)
        parts[1]++;
    return TRUE;
}

static Box ReadBox(HWND box)
{
    int parts[2] = {0, 0};
    EnumChildWindows(box, CountBoxParts, reinterpret_cast<LPARAM>(parts));
    std::string shown = ControlText(GetDlgItem(box, 0xffff)) + " / " + ControlText(box);
    if (parts[0] != 1)
        shown += " [buttons " + std::to_string(parts[0]) + "]";
    if (parts[1])
        shown += " [icon]";
    return {shown, GetWindow(box, GW_OWNER)};
}

namespace {

struct ModalDriver {
    const std::vector<Step> *steps;
    std::vector<Box> *boxes;
    std::set<HWND> answered;
    size_t next;
    int ticks;
    bool running, forced;
};

ModalDriver *Driver;
const UINT TickMs = 10;
const int BoundTicks = 1000; // 10 s

void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD)
{
    ModalDriver &d = *Driver;
    if (d.running)
        return;
    if (++d.ticks > BoundTicks) {
        d.forced = true;
        for (HWND w : ShownDialogs())
            EndDialog(w, 0);
        return;
    }
    HWND box = d.boxes ? ShownMessageBox() : NULL;
    if (box && d.answered.insert(box).second) {
        d.boxes->push_back(ReadBox(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
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

bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps, std::vector<Box> *boxes)
{
    ModalDriver driver = {&steps, boxes, {}, 0, 0, false, false};
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

Step OnDialog(int controlId, const std::function<void(HWND)> &act)
{
    return [controlId, act] {
        HWND dialog = ShownDialog(controlId);
        if (dialog && !ShownMessageBox())
            act(dialog);
        return dialog && !ShownMessageBox();
    };
}

std::string Shown(const std::vector<Box> &boxes)
{
    std::vector<std::string> all;
    for (const Box &b : boxes)
        all.push_back(b.shown);
    return Join(all, "\n");
}

void PumpDialog(HWND dialog)
{
    MSG msg;
    for (int i = 0; i < 100000 && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); i++) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
