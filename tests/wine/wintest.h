// Helpers for the test programs that run under Wine: bounded polling, child processes,
// files, windows of other processes.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls cond every 10 ms until it holds or timeoutMs has passed; returns its last value.
// Pumps this thread's messages while waiting, so windows of the test itself stay alive.
bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs = 10000);

// The directory of the running test program, with a trailing backslash.
std::string ProgramDir();

// A unique scratch directory below the temporary directory, created; trailing backslash.
std::string MakeScratchDir(const char *tag);

struct ChildProcess {
    HANDLE process = NULL;
    DWORD pid = 0;
};

// Starts program (full path) with the given extra environment entries ("NAME=value") added to
// this process's environment; standard handles are NUL. Fails the calling test on error.
ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env,
                        const std::string &workDir = "");
// Waits for the child to end, at most timeoutMs; returns its exit code, or STILL_ACTIVE.
DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs = 15000);
bool ChildRunning(const ChildProcess &child);
// Ends a child this test started that is still running, and closes its handle.
void StopChild(ChildProcess &child);

std::string ReadWholeFile(const std::string &path);
std::vector<std::string> ReadLines(const std::string &path);

// A top-level window of the given class and title that belongs to the process pid (0: any).
HWND FindProcessWindow(const char *className, const char *title, DWORD pid = 0);
// The texts of the child windows of a window, in z-order, as WM_GETTEXT gives them (so edit
// fields of other processes too); read through the wide call, which crosses processes in Wine,
// and converted to the ANSI code page.
std::vector<std::string> ChildTexts(HWND window);
// The visible top-level dialog-class ("#32770") windows of the process pid (0: of any process).
std::vector<HWND> VisibleDialogs(DWORD pid = 0);
