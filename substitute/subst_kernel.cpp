// Substitute kernel and user calls: modules, profile file, heap, message box, cursor, wsprintfA.
#include "substitute/subst_control.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <strings.h>

namespace {

struct CaseLess {
    bool operator()(const std::string &a, const std::string &b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

struct FakeModule {
    std::map<std::string, FARPROC> exports;
    int refs = 0;
    int freeCalls = 0;
};

// Module handles are the addresses of the FakeModule records, which never move.
std::map<std::string, std::unique_ptr<FakeModule>, CaseLess> Modules;
typedef std::map<std::string, std::map<std::string, std::string, CaseLess>, CaseLess> ProfileFile;
std::map<std::string, ProfileFile, CaseLess> Profiles;
int ProfileWrites;
bool ProfileWritesFail;
const char DefaultProgramPath[] = "C:\\QTXILOAD\\QTXILOAD.EXE", DefaultSystemFolder[] = "C:\\WINDOWS\\SYSTEM";
std::string ProgramPath = DefaultProgramPath, SystemFolder = DefaultSystemFolder;
std::vector<SubstMessageBox> Boxes;
std::vector<HCURSOR> Cursors;
HCURSOR CurrentCursor;
thread_local DWORD LastError;

struct FakeHeap {
    std::set<void *> blocks;
};
std::set<FakeHeap *> Heaps;
int HeapSuccessesLeft = -1;

FakeModule *FindModule(HMODULE module)
{
    for (auto &entry : Modules) {
        if (reinterpret_cast<HMODULE>(entry.second.get()) == module && entry.second->refs > 0)
            return entry.second.get();
    }
    return nullptr;
}

} // namespace

void SubstResetKernel()
{
    Modules.clear();
    Profiles.clear();
    ProfileWrites = 0;
    ProfileWritesFail = false;
    ProgramPath = DefaultProgramPath;
    SystemFolder = DefaultSystemFolder;
    Boxes.clear();
    Cursors.clear();
    CurrentCursor = nullptr;
    HeapSuccessesLeft = -1;
    LastError = 0;
}

void SubstRegisterModule(const char *name, const std::vector<std::pair<std::string, FARPROC>> &exports)
{
    auto module = std::make_unique<FakeModule>();
    for (const auto &e : exports)
        module->exports[e.first] = e.second;
    Modules[name] = std::move(module);
}

int SubstModuleRefCount(const char *name)
{
    auto it = Modules.find(name);
    return it == Modules.end() ? 0 : it->second->refs;
}

int SubstModuleFreeCalls(const char *name)
{
    auto it = Modules.find(name);
    return it == Modules.end() ? 0 : it->second->freeCalls;
}

bool SubstProfileGet(const char *file, const char *section, const char *key, std::string *value)
{
    auto f = Profiles.find(file);
    if (f == Profiles.end())
        return false;
    auto s = f->second.find(section);
    if (s == f->second.end())
        return false;
    auto k = s->second.find(key);
    if (k == s->second.end())
        return false;
    if (value)
        *value = k->second;
    return true;
}

int SubstProfileWriteCount() { return ProfileWrites; }

void SubstProfileFailWrites(bool fail) { ProfileWritesFail = fail; }

void SubstSetFolders(const char *programPath, const char *systemFolder)
{
    ProgramPath = programPath;
    SystemFolder = systemFolder;
}

const std::vector<SubstMessageBox> &SubstMessageBoxes() { return Boxes; }

const std::vector<HCURSOR> &SubstCursorHistory() { return Cursors; }

void SubstHeapFailAfter(int successes) { HeapSuccessesLeft = successes; }

int SubstHeapLiveBlocks()
{
    size_t n = 0;
    for (FakeHeap *h : Heaps)
        n += h->blocks.size();
    return static_cast<int>(n);
}

DWORD WINAPI GetLastError(void) { return LastError; }

void WINAPI SetLastError(DWORD code) { LastError = code; }

HMODULE WINAPI LoadLibraryA(LPCSTR name)
{
    auto it = name ? Modules.find(name) : Modules.end();
    if (it == Modules.end()) {
        LastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    it->second->refs++;
    return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    FakeModule *m = FindModule(module);
    if (!m) {
        LastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    auto it = name ? m->exports.find(name) : m->exports.end();
    if (it == m->exports.end() || !it->second) {
        LastError = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return it->second;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    FakeModule *m = FindModule(module);
    if (!m) {
        LastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    m->refs--;
    m->freeCalls++;
    return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size)
{
    if (module || size == 0) {
        LastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    size_t n = std::min<size_t>(ProgramPath.size(), size - 1);
    memcpy(path, ProgramPath.data(), n);
    path[n] = 0;
    if (n == ProgramPath.size())
        return static_cast<DWORD>(n);
    LastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

UINT WINAPI GetSystemDirectoryA(LPSTR path, UINT size)
{
    if (SystemFolder.size() >= size)
        return static_cast<UINT>(SystemFolder.size() + 1);
    memcpy(path, SystemFolder.c_str(), SystemFolder.size() + 1);
    return static_cast<UINT>(SystemFolder.size());
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    ProfileWrites++;
    if (!section || !key || !file || ProfileWritesFail)
        return FALSE;
    auto &keys = Profiles[file][section];
    if (value)
        keys[key] = value;
    else
        keys.erase(key);
    return TRUE;
}

HANDLE WINAPI HeapCreate(DWORD, SIZE_T, SIZE_T)
{
    FakeHeap *heap = new FakeHeap;
    Heaps.insert(heap);
    return heap;
}

BOOL WINAPI HeapDestroy(HANDLE heap)
{
    auto it = Heaps.find(static_cast<FakeHeap *>(heap));
    if (it == Heaps.end())
        return FALSE;
    for (void *block : (*it)->blocks)
        std::free(block);
    delete *it;
    Heaps.erase(it);
    return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    auto it = Heaps.find(static_cast<FakeHeap *>(heap));
    if (it == Heaps.end())
        return nullptr;
    if (HeapSuccessesLeft == 0)
        return nullptr;
    if (HeapSuccessesLeft > 0)
        HeapSuccessesLeft--;
    void *block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
    if (block)
        (*it)->blocks.insert(block);
    return block;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID block)
{
    auto it = Heaps.find(static_cast<FakeHeap *>(heap));
    if (it == Heaps.end() || (*it)->blocks.erase(block) == 0)
        return FALSE;
    std::free(block);
    return TRUE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    Boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    // Distinct non-null handles for the two system cursors the product uses.
    static HICON__ arrow, wait;
    if (instance)
        return nullptr;
    if (name == IDC_ARROW)
        return &arrow;
    if (name == IDC_WAIT)
        return &wait;
    return nullptr;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    HCURSOR previous = CurrentCursor;
    CurrentCursor = cursor;
    Cursors.push_back(cursor);
    return previous;
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, 1024, format, args);
    va_end(args);
    if (n > 1023)
        n = 1023;
    return n;
}
