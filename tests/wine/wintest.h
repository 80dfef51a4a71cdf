// Helpers for the test programs that run under Wine: bounded polling, child processes, windows.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls cond every 10 ms, pumping this thread's messages, until it holds or timeoutMs passed.
bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs = 10000);
// The directory of the running test program, and a fresh scratch directory; trailing backslash.
std::string ProgramDir();
std::string MakeScratchDir(const char *tag);

struct ChildProcess {
    HANDLE process = NULL;
    DWORD pid = 0;
};
// Starts program with env entries ("NAME=value") set in this process's environment first.
ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env,
                        const std::string &workDir = "");
// The child's exit code once it ended (at most timeoutMs), or STILL_ACTIVE.
DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs = 15000);
bool ChildRunning(const ChildProcess &child);
void StopChild(ChildProcess &child); // ends it if still running, closes the handle

// A top-level window of the class and title (NULL: any) owned by process pid (0: any).
HWND FindProcessWindow(const char *className, const char *title, DWORD pid = 0);
// The texts of a window's children, read through WM_GETTEXT (so across processes too).
std::vector<std::string> ChildTexts(HWND window);
// The visible top-level dialogs ("#32770") of process pid (0: of any process).
std::vector<HWND> VisibleDialogs(DWORD pid = 0);
