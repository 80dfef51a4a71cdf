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
typedef char16_t WCHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;

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
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_KEY_DELETED 1018L
#define ERROR_CALL_NOT_IMPLEMENTED 120L

// ---- Version ---------------------------------------------------------------------------------
// The platform ids of OSVERSIONINFOA's dwPlatformId, for the rules that read them.
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// ---- Kernel: errors, libraries, profile ------------------------------------------------------
// The code of the calling thread's last failure, as set by the calls below.
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

// Loads a module a test registered under exactly this name, a full path or a bare name
// (compared without regard to case; no search: a bare name never finds one registered by path);
// NULL and last error 126 when none is registered. Each load counts a reference.
HMODULE WINAPI LoadLibraryA(LPCSTR name);
// The export of that name (case counts), or NULL and last error 127.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
// Drops one reference; FALSE and last error 6 for a handle that is not loaded.
BOOL WINAPI FreeLibrary(HMODULE module);

// The wide form: loads a module registered under the UTF-8 form of name, as LoadLibraryA does.
// Fails with 120, as on Windows 9x, while a test has made the wide calls missing.
HMODULE WINAPI LoadLibraryW(LPCWSTR name);
// A module already loaded: "ADVAPI32.DLL" (any case) is always there and exports the wide
// registry calls below, unless a test has made the wide calls missing; any other name is
// looked up among the registered modules that are loaded. NULL and last error 126 otherwise.
HMODULE WINAPI GetModuleHandleA(LPCSTR name);

// The program's full path (module must be NULL), as a test set it: copies at most size - 1
// characters and a zero; returns the length, or size and last error 122 when it was cut.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size);
// The wide form, from the wide path a test set (by default the ANSI one, byte by byte), with the
// same rules in characters; 0 and last error 120, as on Windows 9x, while a test has made the
// wide calls missing.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size);
// "C:\WINDOWS", with the rules of GetSystemDirectoryA.
UINT WINAPI GetWindowsDirectoryA(LPSTR path, UINT size);
// The system folder as a test set it, without a trailing backslash: returns its length, or
// when it does not fit in size bytes the size needed (zero included) and writes nothing.
UINT WINAPI GetSystemDirectoryA(LPSTR path, UINT size);

// Writes key=value into section of an in-memory profile file named file (names compared
// without regard to case). A NULL value deletes the key. FALSE, with nothing written, while a
// test makes the writes fail.
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

// ---- Registry (ADVAPI32) ---------------------------------------------------------------------
// An in-memory registry with the four predefined roots below. Each key holds subkeys, typed
// values (type code + raw bytes, stored as given) and a class text. What it shares with the real
// one, as far as the product can tell:
// - Key and value names are compared without regard to case: ASCII letters folded to upper
//   case, as Windows does, so "_" sorts after the letters (Wine folds to lower case and sorts it
//   before them); other bytes are compared as they stand. A name keeps the case it was created
//   with.
// - Subkeys and values are enumerated sorted by that comparison, the same order on every call
//   while nothing changes (Windows lists values in creation order; Wine, like this, sorted).
//   Enumeration by index costs O(log n).
// - Paths are relative to the handle, components separated by "\"; a trailing "\" and empty
//   components in the middle are ignored, a leading "\" fails with 161. A path longer than 260
//   characters fails with 234, as Wine's ANSI calls do.
// - A handle carries the rights it was opened with; a call that needs a right the handle lacks
//   fails with 5. A key grants every right unless a test has limited it (subst_control.h), as
//   an access list does: opening it for more than it grants fails with 5, creating a key below
//   it needs KEY_CREATE_SUB_KEY, and deleting it needs DELETE (KEY_READ alone: no delete).
// - A handle whose key was deleted fails with 1018 except for RegCloseKey.
// - An unknown handle gives 6. The predefined roots are always open and hold every right.
// Deliberate differences, written down so tests know them:
// - RegSetValueExA stores exactly the bytes counted; Windows and Wine add a string's terminating
//   zero that the count left out when it follows the data. Byte counts stay visible here.
// - Creating a key needs KEY_CREATE_SUB_KEY on the handle passed, as on Windows; Wine does not
//   check it.
// - RegCreateKeyExA without a class keeps the class an existing key has (Wine wipes it).
// - HKEY_CLASSES_ROOT is a tree of its own, not a merged view.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define MAX_PATH 260

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define MAXIMUM_ALLOWED 0x02000000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE KEY_READ
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

// Opens the existing key at subKey below key with the rights asked for (MAXIMUM_ALLOWED: all
// the key grants; the WOW64 flags are ignored). A NULL or empty subKey opens a new handle to key
// itself. 2 when a key on the path is missing, 5 when the key does not grant the rights, 6 for
// an unknown key, 87 when result is NULL. options is ignored.
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM rights, PHKEY result);

// Opens the key at subKey below key with all the rights it grants (KEY_ALL_ACCESS unless a test
// limited them), creating it and every missing key on the way. A NULL or empty subKey opens a new
// handle to key itself. Creating needs KEY_CREATE_SUB_KEY on key (5); a missing key cannot be
// created below a key that does not grant KEY_CREATE_SUB_KEY (5).
LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
// Same, with the rights asked for and a class given to the keys it creates (an existing key
// keeps its class). *disposition, when asked for, tells whether the last key was created.
LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM rights, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);

// Copies the name of the subkey at index (in enumeration order) into name, zero-terminated.
// 259 past the last subkey; 234 when the name and its zero do not fit in nameSize characters
// (name untouched); 5 without KEY_ENUMERATE_SUB_KEYS.
LONG WINAPI RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);

// The value at index (in enumeration order; the default value has the empty name). On entry
// *nameSize is the name buffer's size in characters; on success it is the name's length without
// the zero. 259 past the last value (nothing changed). 234 when the name and its zero do not
// fit: name and *nameSize untouched, *type and *dataSize set (Wine copies part of the name).
// 234 when the data does not fit: data and *nameSize untouched, *type and *dataSize set to the
// data's size. data without dataSize, or a non-NULL reserved, gives 87. type, data, dataSize
// may be NULL; with data NULL and dataSize given, *dataSize receives the size. Needs
// KEY_QUERY_VALUE (5).
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                          LPBYTE data, LPDWORD dataSize);

// Counts and sizes of a key. Lengths are in characters without the terminating zero: the
// longest subkey name, the longest subkey class, the longest value name. The longest data is in
// bytes, counting string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as the real registry stores
// it, in UTF-16: twice its bytes. Class: with keyClass and *classSize > 0, the class and its
// zero are copied when they fit, else 234 with keyClass untouched; *classSize receives the
// class length in either case (also when keyClass is NULL or *classSize is 0, which is then
// success). keyClass without classSize, or a non-NULL reserved, gives 87. *securitySize is 0;
// the last write time grows with every change of the key. Every out pointer may be NULL.
// Needs KEY_QUERY_VALUE (5; Wine does not check it).
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securitySize,
                             PFILETIME lastWriteTime);

// The data of the value name (NULL or empty: the default value). 2 when missing. On success
// *dataSize is the data's size; string data that does not end in a zero gets one written after
// it when the buffer has room, not counted (as the real registry does). 234 when the data does
// not fit: data untouched, *type and *dataSize set. data without dataSize, or a non-NULL
// reserved, gives 87. Needs KEY_QUERY_VALUE (5).
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);

// Stores dataSize bytes of data as the value name (NULL or empty: the default value) with the
// type given, replacing a value whose name matches without regard to case (the stored name
// keeps its case). 87 for a name longer than 16383 characters or NULL data with a non-zero
// size. Needs KEY_SET_VALUE (5).
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD dataSize);

// Removes the value name. 2 when missing. Needs KEY_SET_VALUE (5).
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name);

// Removes the key at subKey below key; the rights of key do not matter. 2 when missing, 5 when
// it has subkeys, does not grant DELETE or subKey is empty, 87 for a NULL subKey. Handles still
// open on the removed key fail with 1018 from then on.
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);

// The wide forms that the product reaches only through GetProcAddress on ADVAPI32. Names convert
// to and from the stored bytes as WideCharToMultiByte below does; otherwise as the ANSI forms.
LONG WINAPI RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameSize);
LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM rights, PHKEY result);
LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Releases a handle; 0 for a predefined root (nothing happens), 6 for an unknown handle.
LONG WINAPI RegCloseKey(HKEY key);

// ---- Text conversion -------------------------------------------------------------------------
typedef BOOL *LPBOOL;
#define CP_ACP 0
// The ANSI code page: 1252 (every byte a character) unless a test chose 932 (subst_control.h),
// whose lead bytes are 0x81-0x9F and 0xE0-0xFC; each is followed by one trail byte.
UINT WINAPI GetACP(void);
BOOL WINAPI IsDBCSLeadByte(BYTE byte);
// The next character: two bytes on for a lead byte followed by a non-zero byte, one otherwise,
// none at the terminating zero.
LPSTR WINAPI CharNextA(LPCSTR text);
// The start of the character before current, found by walking from start; start itself when
// current is not past it.
LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR current);
// The conversion below keeps its fixed form whatever the code page: each UTF-16 unit below 0x100 becomes that byte and
// every other unit '?'. Converts count units (-1: up to and with the terminating zero) into at
// most size bytes; size 0 asks for the number of bytes needed. 0 and last error 122 when out is
// too small, 87 for a bad argument. Flags, default character and its flag are ignored.
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int count, LPSTR out, int size,
                               LPCSTR defaultChar, LPBOOL usedDefault);
