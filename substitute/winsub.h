// Substitute for the parts of the Win32 API that the window-less code calls, for the native
// build. Same names, types and signatures as <windows.h>; each call documents what the product
// relies on, which is all this layer promises. Tests steer and inspect it through
// substitute/subst_control.h.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// ---- Basic types ---------------------------------------------------------------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef LONG *PLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef LONG LSTATUS;
typedef DWORD REGSAM;

typedef void *HANDLE;
struct HINSTANCE__ { int unused; };
typedef HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__ { int unused; };
typedef HWND__ *HWND;
struct HKEY__ { int unused; };
typedef HKEY__ *HKEY;
typedef HKEY *PHKEY;
struct HICON__ { int unused; };
typedef HICON__ *HICON;
typedef HICON HCURSOR;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef FILETIME *PFILETIME;

#define WINAPI
#define WINAPIV
#define CALLBACK
typedef INT_PTR (WINAPI *FARPROC)();

#define TRUE 1
#define FALSE 0

#define LOWORD(l) ((WORD)(((DWORD_PTR_SUBST)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR_SUBST)(l)) >> 16) & 0xffff))
typedef uintptr_t DWORD_PTR_SUBST;
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

// ---- Error codes the product reads ---------------------------------------------------------
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L

// ---- Kernel: errors, libraries, profile ------------------------------------------------------
// The code of the calling thread's last failure, as set by the calls below.
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

// Loads a module a test registered by name (compared without regard to case); NULL and
// last error 126 when none is registered. Each load counts a reference.
HMODULE WINAPI LoadLibraryA(LPCSTR name);
// The export of that name (case counts), or NULL and last error 127.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
// Drops one reference; FALSE and last error 6 for a handle that is not loaded.
BOOL WINAPI FreeLibrary(HMODULE module);

// Writes key=value into section of an in-memory profile file named file (names compared
// without regard to case). A NULL value deletes the key.
BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);

// ---- Heap ------------------------------------------------------------------------------------
#define HEAP_ZERO_MEMORY 0x00000008
HANDLE WINAPI HeapCreate(DWORD options, SIZE_T initial, SIZE_T maximum);
BOOL WINAPI HeapDestroy(HANDLE heap);
// NULL when the heap is NULL or a test has set a failure (subst_control.h); blocks not zeroed.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);

// ---- User: message box, cursor, formatting ---------------------------------------------------
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define MB_ICONHAND 0x00000010L
#define IDOK 1
#define IDCANCEL 2
// Records the box (owner, text, caption, style) for the test and answers IDOK.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
// The system cursors IDC_ARROW and IDC_WAIT; any other request gives NULL.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
// Makes the cursor current (recorded for tests) and returns the previous one.
HCURSOR WINAPI SetCursor(HCURSOR cursor);

// Formats like the platform's wsprintfA (%d %u %x %s %c, widths, '-' and '0' flags); the
// caller's buffer must hold the result, at most 1024 bytes are written.
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);

// ---- Text conversion -------------------------------------------------------------------------
typedef char16_t WCHAR;
typedef const WCHAR *LPCWSTR;
typedef BOOL *LPBOOL;
#define CP_ACP 0
// The ANSI code page of this build is fixed: each UTF-16 unit below 0x100 becomes that byte and
// every other unit '?'. Converts count units (-1: up to and with the terminating zero) into at
// most size bytes; size 0 asks for the number of bytes needed. 0 and last error 122 when out is
// too small, 87 for a bad argument. Flags, default character and its flag are ignored.
#define ERROR_INVALID_PARAMETER 87L
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int count, LPSTR out, int size,
                               LPCSTR defaultChar, LPBOOL usedDefault);
