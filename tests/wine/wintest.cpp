#include "wine/wintest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return cond();
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

std::string ProgramDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string MakeScratchDir(const char *tag)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::ostringstream name;
    name << temp << "qtx-" << tag << "-" << GetCurrentProcessId() << "-" << GetTickCount() << "\\";
    CreateDirectoryA(name.str().c_str(), NULL);
    return name.str();
}

static std::string BuildEnvironment(const std::vector<std::string> &extra)
{
    std::string block;
    char *env = GetEnvironmentStringsA();
    for (const char *p = env; *p; p += strlen(p) + 1) {
        std::string entry(p);
        bool overridden = false;
        for (const auto &e : extra) {
            std::string name = e.substr(0, e.find('=') + 1);
            if (_strnicmp(entry.c_str(), name.c_str(), name.size()) == 0)
                overridden = true;
        }
        if (!overridden)
            block += entry + '\0';
    }
    FreeEnvironmentStringsA(env);
    for (const auto &e : extra)
        block += e + '\0';
    block += '\0';
    return block;
}

ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env, const std::string &workDir)
{
    ChildProcess child;
    std::string env_block = BuildEnvironment(env);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, NULL);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + program + "\"";
    BOOL ok = CreateProcessA(program.c_str(), &cmd[0], NULL, NULL, TRUE, 0, &env_block[0],
                             workDir.empty() ? NULL : workDir.c_str(), &si, &pi);
    CloseHandle(nul);
    EXPECT_TRUE(ok) << "CreateProcess " << program << " failed: " << GetLastError();
    if (ok) {
        CloseHandle(pi.hThread);
        child.process = pi.hProcess;
        child.pid = pi.dwProcessId;
    }
    return child;
}

DWORD WaitChild(const ChildProcess &child, DWORD timeoutMs)
{
    if (!child.process)
        return STILL_ACTIVE;
    WaitUntil([&] { return WaitForSingleObject(child.process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.process, &code);
    return code;
}

bool ChildRunning(const ChildProcess &child)
{
    return child.process && WaitForSingleObject(child.process, 0) == WAIT_TIMEOUT;
}

void StopChild(ChildProcess &child)
{
    if (!child.process)
        return;
    if (ChildRunning(child)) {
        TerminateProcess(child.process, 0xDEAD);
        WaitForSingleObject(child.process, 5000);
    }
    CloseHandle(child.process);
    child.process = NULL;
}

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> ReadLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

static BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND> *>(param)->push_back(window);
    return TRUE;
}

// The top-level windows of the process pid (0: of any process) whose class and title match
// (NULL: any), and that are visible when asked.
static std::vector<HWND> TopWindows(DWORD pid, const char *className, const char *title, bool visible)
{
    std::vector<HWND> all, found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        char cls[256] = "", text[256] = "";
        DWORD owner = 0;
        GetClassNameA(window, cls, sizeof cls);
        GetWindowTextA(window, text, sizeof text);
        GetWindowThreadProcessId(window, &owner);
        if ((pid == 0 || owner == pid) && (!className || strcmp(cls, className) == 0) &&
            (!title || strcmp(text, title) == 0) && (!visible || IsWindowVisible(window)))
            found.push_back(window);
    }
    return found;
}

HWND FindProcessWindow(const char *className, const char *title, DWORD pid)
{
    std::vector<HWND> found = TopWindows(pid, className, title, false);
    return found.empty() ? NULL : found[0];
}

static BOOL CALLBACK CollectText(HWND window, LPARAM param)
{
    WCHAR wide[1024] = L"";
    DWORD_PTR n = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 5000, &n);
    char text[2048];
    int m = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), text, sizeof text - 1, NULL, NULL);
    text[m > 0 ? m : 0] = 0;
    reinterpret_cast<std::vector<std::string> *>(param)->push_back(text);
    return TRUE;
}

std::vector<std::string> ChildTexts(HWND window)
{
    std::vector<std::string> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::vector<HWND> VisibleDialogs(DWORD pid)
{
    return TopWindows(pid, "#32770", NULL, true);
}
