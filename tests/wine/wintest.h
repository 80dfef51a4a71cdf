// Helpers for the test programs that run under Wine: bounded polling, child processes, windows, and
// running code that opens modal dialogs and message boxes while acting on them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A bound on a wait, ms long on a machine that runs Wine directly: multiplied by QTX_WAIT_FACTOR
// (a whole number, default 1), which the emulated system sets because everything there is several
// times slower. Every bounded wait of the tests goes through it; what is waited for is the same.
DWORD WaitMs(DWORD ms);
// Polls cond every 10 ms, pumping this thread's messages, until it holds or WaitMs(timeoutMs) passed.
bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs = 10000);
// Wine takes the modifier keys' state from the X server whenever one of its windows gains the focus,
// which undoes a simulated Ctrl; the focus events of a popup menu can come after the menu has closed.
// Brings in and handles those events of this thread's windows, so that a key pressed next stays down.
void TakeInFocusEvents();
std::string ProgramDir();                     // with a trailing backslash
std::string MakeScratchDir(const char *tag); // a fresh one, with a trailing backslash

struct ChildProcess {
    HANDLE process = NULL;
    DWORD pid = 0;
};
// Starts program (with args after its quoted name) after setting the env entries ("NAME=value")
// in this process's environment.
ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env, const std::string &args = "");
ChildProcess StartChild(const std::wstring &program, const std::vector<std::string> &env, const std::wstring &args = L"");
std::wstring Wide(const std::string &text); // from the ANSI code page
DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs = 15000); // exit code, or STILL_ACTIVE
bool ChildRunning(const ChildProcess &child);
void StopChild(ChildProcess &child); // ends it if still running, closes the handle

// A top-level window of the class and title (NULL: any) of process pid (0: of any process).
HWND FindProcessWindow(const char *className, const char *title, DWORD pid = 0);
// Texts read through the wide calls, which cross processes in Wine, then converted to ANSI.
std::string ControlText(HWND window);
std::vector<std::string> ChildTexts(HWND window); // its children's texts
std::vector<std::string> ListLines(HWND list);
std::vector<HWND> VisibleDialogs(DWORD pid = 0);  // the visible top-level "#32770" windows
// A shown dialog of process pid holding the control, but except; controlId 0: a message box.
HWND ShownDialog(DWORD pid, int controlId, HWND except = NULL);

struct Box {
    std::string shown; // "text / caption"
    HWND owner;
};

// Runs blocking; meanwhile a thread timer answers each message box with OK (recording it into
// *boxes when given) and polls the steps in order (a step returns true once it acted; steps
// post what opens a further modal loop). After WaitMs(10 s) every dialog is ended and the test fails.
typedef std::function<bool()> Step;
bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps,
                std::vector<Box> *boxes = nullptr);
Step OnDialog(int controlId, const std::function<void(HWND)> &act); // acts once the dialog shows
std::string Shown(const std::vector<Box> &boxes);
void PumpDialog(HWND dialog); // delivers queued messages as a modal loop does

inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void Key(HWND dialog, int id, WPARAM key) { PostMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, key, 0); }
inline void CloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }
