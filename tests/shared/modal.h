// Driving the product's dialogs from a test under Wine: reading controls (through the wide
// calls, so that it works across processes too), running code that opens modal dialogs or
// message boxes while acting on them, and answering message boxes.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string ControlText(HWND window);
std::vector<std::string> ListLines(HWND list);

// The visible dialog of this process that holds a control with the id, or NULL.
HWND ShownDialog(int controlId);
// A visible message box of this process (a dialog holding none of the product dialogs' controls).
HWND ShownMessageBox();

// What a message box showed: "text / caption", with " [buttons N]" unless it had the one
// button of MB_OK and " [icon]" when it showed one; and its owner.
struct Box {
    std::string shown;
    HWND owner;
};

// Runs blocking, which may open modal dialogs and message boxes on this thread. While it
// blocks, a thread timer (dispatched by the modal loops) reads every message box shown into
// *boxes and answers it with OK (when boxes is not NULL), then polls the steps in order: a
// step returns true once it has acted. Steps post rather than send anything that opens a
// further modal loop. After a bound every visible dialog of the process is ended so that the
// test cannot hang, and the test fails. Returns true when every step ran.
typedef std::function<bool()> Step;
bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps,
                std::vector<Box> *boxes = nullptr);
// A step that acts on the dialog holding controlId once it is shown.
Step OnDialog(int controlId, const std::function<void(HWND)> &act);
std::string Shown(const std::vector<Box> &boxes);

// Delivers queued messages as a dialog's modal loop does, keys through IsDialogMessage.
void PumpDialog(HWND dialog);

inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void Key(HWND dialog, int id, WPARAM key) { PostMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, key, 0); }
inline void CloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }
