#include "shared/modal.h"

#include "resource.h"
#include "shared/regfixture.h"
#include "wine/wintest.h"

#include <gtest/gtest.h>

static std::string Text(HWND window, UINT message, WPARAM wParam)
{
    WCHAR wide[1024] = L"";
    char text[2048] = "";
    SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(wide));
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

std::string ControlText(HWND window) { return Text(window, WM_GETTEXT, 1024); }

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    for (LRESULT i = 0, count = SendMessageW(list, LB_GETCOUNT, 0, 0); i < count; i++)
        lines.push_back(SendMessageW(list, LB_GETTEXTLEN, i, 0) < 1024 ? Text(list, LB_GETTEXT, i) : "");
    return lines;
}

HWND ShownDialog(DWORD pid, int controlId, HWND except)
{
    for (HWND w : VisibleDialogs(pid))
        if (w != except && (controlId ? GetDlgItem(w, controlId) != NULL
                                      : !GetDlgItem(w, IDC_HINT_LIST) && !GetDlgItem(w, IDC_ADD_NAME) &&
                                            !GetDlgItem(w, IDC_EDIT_DESCRIPTION) && !GetDlgItem(w, IDC_REG_KEYS)))
            return w;
    return NULL;
}

static struct Driver {
    const std::vector<Step> *steps;
    std::vector<Box> *boxes;
    size_t next;
    int ticks;
    bool running, forced;
} *Driving;

static void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD)
{
    Driver &d = *Driving;
    HWND box = ShownDialog(GetCurrentProcessId(), 0);
    if (d.running)
        return;
    if (++d.ticks > 1000) {
        d.forced = true;
        for (HWND w : VisibleDialogs(GetCurrentProcessId()))
            EndDialog(w, 0);
    } else if (box && d.boxes && IsWindowEnabled(box)) {
        d.boxes->push_back({ControlText(GetDlgItem(box, 0xffff)) + " / " + ControlText(box), GetWindow(box, GW_OWNER)});
        EnableWindow(box, FALSE), PostMessageA(box, WM_COMMAND, IDOK, 0); // answered once
    } else if (d.next < d.steps->size()) {
        d.running = true, d.next += (*d.steps)[d.next](), d.running = false;
    }
}

bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps, std::vector<Box> *boxes)
{
    Driver driver = {&steps, boxes, 0, 0, false, false}, *outer = Driving;
    Driving = &driver;
    UINT_PTR timer = SetTimer(NULL, 0, 10, DriverTick);
    blocking();
    KillTimer(NULL, timer), Driving = outer;
    EXPECT_FALSE(driver.forced) << "a dialog did not end when driven";
    EXPECT_EQ(driver.next, steps.size()) << "steps that never ran";
    return !driver.forced && driver.next == steps.size();
}

Step OnDialog(int controlId, const std::function<void(HWND)> &act)
{
    return [controlId, act] {
        HWND dialog = ShownDialog(GetCurrentProcessId(), controlId), box = ShownDialog(GetCurrentProcessId(), 0);
        return dialog && !box ? act(dialog), true : false;
    };
}

std::string Shown(const std::vector<Box> &boxes)
{
    std::string all;
    for (const Box &b : boxes)
        all += (all.empty() ? "" : "\n") + b.shown;
    return all;
}

void PumpDialog(HWND dialog)
{
    MSG msg;
    for (int i = 0; i < 100000 && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); i++)
        if (!IsDialogMessageA(dialog, &msg))
            TranslateMessage(&msg), DispatchMessageA(&msg);
}
