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
// The wide program path in UTF-8; empty: the ANSI one widened byte by byte.
std::string WideProgramPath;
bool WideCallsMissing;
FakeModule Advapi; // ADVAPI32's wide registry calls, always loaded
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
    if (module == reinterpret_cast<HMODULE>(&Advapi))
        return &Advapi;
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
    WideProgramPath.clear();
    WideCallsMissing = false;
    SubstSetCodePage(1252);
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

static UINT CopyFolder(const std::string &folder, LPSTR path, UINT size)
{
    if (folder.size() >= size)
        return static_cast<UINT>(folder.size() + 1);
    memcpy(path, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

UINT WINAPI GetSystemDirectoryA(LPSTR path, UINT size) { return CopyFolder(SystemFolder, path, size); }

UINT WINAPI GetWindowsDirectoryA(LPSTR path, UINT size) { return CopyFolder("C:\\WINDOWS", path, size); }

void SubstSetWideProgramPath(const char *utf8Path) { WideProgramPath = utf8Path; }

void SubstWideCallsMissing(bool missing) { WideCallsMissing = missing; }

static std::u16string Utf16(const std::string &utf8)
{
    std::u16string wide;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t code = extra ? c & (0x3F >> extra) : c;
        for (int k = 1; k <= extra && i + k < utf8.size(); k++)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        if (code >= 0x10000)
            wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)), code = 0xDC00 + ((code - 0x10000) & 0x3FF);
        wide += static_cast<char16_t>(code);
    }
    return wide;
}

static std::string Utf8(LPCWSTR wide)
{
    std::string utf8;
    for (; *wide; wide++) {
        char32_t code = *wide;
        if (code >= 0xD800 && code < 0xDC00 && wide[1] >= 0xDC00 && wide[1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (*++wide - 0xDC00);
        if (code < 0x80)
            utf8 += static_cast<char>(code);
        else if (code < 0x800)
            utf8 += static_cast<char>(0xC0 | (code >> 6)), utf8 += static_cast<char>(0x80 | (code & 0x3F));
        else if (code < 0x10000)
            utf8 += static_cast<char>(0xE0 | (code >> 12)), utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
                utf8 += static_cast<char>(0x80 | (code & 0x3F));
        else
            utf8 += static_cast<char>(0xF0 | (code >> 18)), utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F)),
                utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F)), utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
    return utf8;
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size)
{
    if (WideCallsMissing) {
        LastError = ERROR_CALL_NOT_IMPLEMENTED;
        return 0;
    }
    if (module || size == 0) {
        LastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::u16string wide;
    if (WideProgramPath.empty())
        for (char c : ProgramPath)
            wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    else
        wide = Utf16(WideProgramPath);
    size_t n = std::min<size_t>(wide.size(), size - 1);
    memcpy(path, wide.data(), n * sizeof(WCHAR));
    path[n] = 0;
    if (n == wide.size())
        return static_cast<DWORD>(n);
    LastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR name)
{
    if (WideCallsMissing) {
        LastError = ERROR_CALL_NOT_IMPLEMENTED;
        return nullptr;
    }
    return name ? LoadLibraryA(Utf8(name).c_str()) : LoadLibraryA(nullptr);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name)
{
    if (name && strcasecmp(name, "ADVAPI32.DLL") == 0) {
        Advapi.refs = 1;
        Advapi.exports.clear();
        if (!WideCallsMissing)
            Advapi.exports = {{"RegEnumKeyW", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(RegEnumKeyW))},
                              {"RegOpenKeyExW", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(RegOpenKeyExW))},
                              {"RegDeleteKeyW", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(RegDeleteKeyW))}};
        return reinterpret_cast<HMODULE>(&Advapi);
    }
    auto it = name ? Modules.find(name) : Modules.end();
    if (it == Modules.end() || it->second->refs <= 0) {
        LastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(it->second.get());
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
