// Driving dialogs from a test under Wine: reading controls (wide calls, so across processes too),
// and running code that opens modal dialogs and message boxes while acting on them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string ControlText(HWND window);
std::vector<std::string> ListLines(HWND list);
// A shown dialog of process pid holding the control, but except; controlId 0: a message box.
HWND ShownDialog(DWORD pid, int controlId, HWND except = NULL);

struct Box {
    std::string shown; // "text / caption"
    HWND owner;
};

// Runs blocking; meanwhile a thread timer answers each message box with OK (recording it into
// *boxes when given) and polls the steps in order (a step returns true once it acted; steps
// post what opens a further modal loop). After 10 s every dialog is ended and the test fails.
typedef std::function<bool()> Step;
bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps,
                std::vector<Box> *boxes = nullptr);
Step OnDialog(int controlId, const std::function<void(HWND)> &act); // acts once the dialog shows
std::string Shown(const std::vector<Box> &boxes);
void PumpDialog(HWND dialog); // delivers queued messages as a modal loop does

inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void Key(HWND dialog, int id, WPARAM key) { PostMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, key, 0); }
inline void CloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }
