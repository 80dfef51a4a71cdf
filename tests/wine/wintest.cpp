#include "wine/wintest.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <stdlib.h>

DWORD WaitMs(DWORD ms)
{
    static DWORD factor = 0;
    if (!factor) {
        char text[16] = "";
        DWORD n = GetEnvironmentVariableA("QTX_WAIT_FACTOR", text, sizeof text);
        factor = n > 0 && n < sizeof text ? strtoul(text, NULL, 10) : 0;
        factor = factor < 1 ? 1 : factor > 100 ? 100 : factor;
    }
    return ms * factor;
}

bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs)
{
    timeoutMs = WaitMs(timeoutMs);
    for (DWORD start = GetTickCount(); !cond(); Sleep(10)) {
        if (GetTickCount() - start >= timeoutMs)
            return cond();
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            TranslateMessage(&msg), DispatchMessageA(&msg);
    }
    return true;
}

void TakeInFocusEvents()
{
    // Wine asks this thread's display where the pointer is: a round trip, after which the events
    // sent before it are in; pumping handles them.
    POINT unused;
    GetCursorPos(&unused);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        TranslateMessage(&msg), DispatchMessageA(&msg);
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

// The entries are set in this process's environment, which the child inherits. The wide form
// starts programs in folders that the ANSI code page cannot spell.
ChildProcess StartChild(const std::wstring &program, const std::vector<std::string> &env, const std::wstring &args)
{
    for (const std::string &e : env)
        SetEnvironmentVariableA(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args);
    BOOL ok = CreateProcessW(program.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    EXPECT_TRUE(ok) << "CreateProcess failed: " << GetLastError();
    if (ok)
        CloseHandle(pi.hThread);
    return ChildProcess{pi.hProcess, pi.dwProcessId};
}

std::wstring Wide(const std::string &text)
{
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1);
    return wide;
}

ChildProcess StartChild(const std::string &program, const std::vector<std::string> &env, const std::string &args)
{
    return StartChild(Wide(program), env, Wide(args));
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
        TerminateProcess(child.process, 0xDEAD), WaitForSingleObject(child.process, WaitMs(5000));
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

static std::string Text(HWND window, UINT message, WPARAM wParam)
{
    WCHAR wide[1024] = L"";
    char text[4096] = ""; // room for any 1023 characters in UTF-8
    DWORD_PTR n = 0;
    SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, WaitMs(5000), &n);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

std::string ControlText(HWND window) { return Text(window, WM_GETTEXT, 1024); }

std::vector<std::string> ChildTexts(HWND window)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(ControlText(child));
    return texts;
}

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
    DWORD start;
    bool running, forced;
} *Driving;

static void CALLBACK DriverTick(HWND, UINT, UINT_PTR, DWORD)
{
    Driver &d = *Driving;
    HWND box = ShownDialog(GetCurrentProcessId(), 0);
    if (d.running)
        return;
    if (GetTickCount() - d.start > WaitMs(10000)) {
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
    Driver driver = {&steps, boxes, 0, GetTickCount(), false, false}, *outer = Driving;
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
