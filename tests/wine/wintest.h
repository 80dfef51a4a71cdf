// Helpers for the test programs that run under Wine: bounded polling, child processes, windows.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls cond every 10 ms, pumping this thread's messages, until it holds or timeoutMs passed.
bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs = 10000);
std::string ProgramDir();                     // with a trailing backslash
std::string MakeScratchDir(const char *tag); // a fresh one, with a trailing backslash

struct ChildProcess {
    HANDLE process = NULL;
    DWORD pid = 0;
};
// Starts program (with args after its quoted name) after setting the env entries ("NAME=value")
// in this process's environment.
ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env, const std::string &args = "");
DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs = 15000); // exit code, or STILL_ACTIVE
bool ChildRunning(const ChildProcess &child);
void StopChild(ChildProcess &child); // ends it if still running, closes the handle

// A top-level window of the class and title (NULL: any) of process pid (0: of any process).
HWND FindProcessWindow(const char *className, const char *title, DWORD pid = 0);
std::vector<std::string> ChildTexts(HWND window); // its children's texts, across processes too
std::vector<HWND> VisibleDialogs(DWORD pid = 0);  // the visible top-level "#32770" windows
