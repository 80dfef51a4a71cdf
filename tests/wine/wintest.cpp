#include "wine/wintest.h"

#include <gtest/gtest.h>

bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !cond(); Sleep(10)) {
        if (GetTickCount() - start >= timeoutMs)
            return cond();
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            TranslateMessage(&msg), DispatchMessageA(&msg);
    }
    return true;
}

std::string ProgramDir()
{
    char path[MAX_PATH];
    std::string dir(path, GetModuleFileNameA(NULL, path, sizeof path));
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string MakeScratchDir(const char *tag)
{
    char temp[MAX_PATH], dir[MAX_PATH + 64];
    GetTempPathA(sizeof temp, temp);
    snprintf(dir, sizeof dir, "%sqtx-%s-%lu-%lu\\", temp, tag, GetCurrentProcessId(), GetTickCount());
    CreateDirectoryA(dir, NULL);
    return dir;
}

// The entries are set in this process's environment, which the child inherits.
ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env, const std::string &args)
{
    for (const std::string &e : env)
        SetEnvironmentVariableA(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + program + "\"" + (args.empty() ? "" : " " + args);
    BOOL ok = CreateProcessA(program.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    EXPECT_TRUE(ok) << "CreateProcess " << program << " failed: " << GetLastError();
    if (ok)
        CloseHandle(pi.hThread);
    return ChildProcess{pi.hProcess, pi.dwProcessId};
}

bool ChildRunning(const ChildProcess &child)
{
    return child.process && WaitForSingleObject(child.process, 0) == WAIT_TIMEOUT;
}

DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (child.process && WaitUntil([&] { return !ChildRunning(child); }, timeoutMs))
        GetExitCodeProcess(child.process, &code);
    return code;
}

void StopChild(ChildProcess &child)
{
    if (ChildRunning(child))
        TerminateProcess(child.process, 0xDEAD), WaitForSingleObject(child.process, 5000);
    CloseHandle(child.process); // NULL when never started: then a harmless failure
    child.process = NULL;
}

static std::vector<HWND> TopWindows(DWORD pid, const char *className, const char *title, bool visible)
{
    std::vector<HWND> found;
    DWORD owner = 0;
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, className, title));)
        if ((GetWindowThreadProcessId(w, &owner), !pid || owner == pid) && (!visible || IsWindowVisible(w)))
            found.push_back(w);
    return found;
}

HWND FindProcessWindow(const char *className, const char *title, DWORD pid)
{
    std::vector<HWND> found = TopWindows(pid, className, title, false);
    return found.empty() ? NULL : found[0];
}

std::vector<HWND> VisibleDialogs(DWORD pid) { return TopWindows(pid, "#32770", NULL, true); }

// Read through the wide call, which crosses processes in Wine, then converted to ANSI.
std::vector<std::string> ChildTexts(HWND window)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR wide[1024] = L"";
        DWORD_PTR n = 0;
        SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000, &n);
        char text[2048];
        int m = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), text, sizeof text - 1, NULL, NULL);
        texts.push_back(std::string(text, m > 0 ? m : 0));
    }
    return texts;
}
