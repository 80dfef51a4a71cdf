// Test-side controls of the substitute layer: register fake modules, read the in-memory
// profile, see the message boxes and cursors the product asked for, make the heap fail, shape
// and inspect the registry.
#pragma once

#include "substitute/winsub.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Forgets every module, profile entry, message box, cursor record and heap failure.
void SubstResetKernel();

// Makes LoadLibraryA(name) succeed with a module exporting the given functions.
void SubstRegisterModule(const char *name, const std::vector<std::pair<std::string, FARPROC>> &exports);
// Loads minus frees of modules registered by name (0 when it is not loaded).
int SubstModuleRefCount(const char *name);
// Number of FreeLibrary calls made on that module since the reset.
int SubstModuleFreeCalls(const char *name);

// The value of key in section of file, and whether the key exists.
bool SubstProfileGet(const char *file, const char *section, const char *key, std::string *value);
// Number of WritePrivateProfileStringA calls since the reset.
int SubstProfileWriteCount();

struct SubstMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<SubstMessageBox> &SubstMessageBoxes();

// Every cursor the product made current since the reset, in order.
const std::vector<HCURSOR> &SubstCursorHistory();

// Makes the next HeapAlloc calls fail after `successes` more successful ones (-1: never fail).
void SubstHeapFailAfter(int successes);
// Blocks allocated and not freed, over all heaps.
int SubstHeapLiveBlocks();

// ---- Registry ----------------------------------------------------------------------------------
// Empties the four roots, forgets every handle (open ones included) and every deleted key.
void SubstResetRegistry();
// Handles opened and not yet closed, predefined roots not counted.
int SubstRegOpenHandleCount();
// Grows with every change made through the registry calls (a key created, a value set, a key or
// value deleted, a class given); never goes back, not even on a reset. Equal counts mean that
// nothing was written in between.
uint64_t SubstRegChangeCount();
// Makes the existing key at path below root grant KEY_READ only (or every right again).
// false when the key is missing.
bool SubstRegSetReadOnly(HKEY root, const char *path, bool readOnly);
// Makes the existing key at path below root grant exactly the rights given (within
// KEY_ALL_ACCESS), as an access list with one entry for everyone does: an opening that asks for
// more fails with 5, creating below it needs KEY_CREATE_SUB_KEY, deleting it needs DELETE.
// KEY_ALL_ACCESS grants every right again. false when the key is missing.
bool SubstRegGrantOnly(HKEY root, const char *path, REGSAM rights);
// Makes the existing key at path below root grant no right at all (or its rights again):
// every opening fails with 5. It can still be deleted.
bool SubstRegSetUnreadable(HKEY root, const char *path, bool unreadable);
// Makes every RegQueryInfoKeyA on a valid handle fail with code, delivering nothing, until it
// is called with 0 or the registry is reset.
void SubstRegFailQueryInfo(LONG code);

// ---- Registry writes refused (hint store) ------------------------------------------------------
// Makes every RegSetValueExA of a value of that name (compared without regard to case) fail with
// code, storing nothing, until it is called with NULL or the registry is reset.
void SubstRegFailSetValue(const char *valueName, LONG code);

// ---- Registry browser ----------------------------------------------------------------------------
// Makes RegEnumKeyA fail with code at index, on every key, as a name that does not fit the
// caller's buffer does (234: a 255-character name can take more than 259 bytes in a double-byte
// or UTF-8 code page). Code 0 or a reset ends it.
void SubstRegFailEnumKeyAt(DWORD index, LONG code);
// Makes RegQueryInfoKeyA report the longest value data that many bytes short (not below 0), as a
// UTF-8 code page does, where the 8-bit form of a string is longer than the size the key reports.
// 0 or a reset ends it.
void SubstRegUnderstateLongestData(DWORD bytes);
// Runs act once, when the next RegQueryInfoKeyA has filled in its results and before it returns:
// what act changes lands between a caller's size query and its read.
void SubstRegAfterQueryInfo(const std::function<void()> &act);

// ---- Loader: where the program stands, profile failures ------------------------------------
// The answers of GetModuleFileNameA(NULL) and GetSystemDirectoryA until the next kernel reset,
// which brings back "C:\QTXILOAD\QTXILOAD.EXE" and "C:\WINDOWS\SYSTEM".
void SubstSetFolders(const char *programPath, const char *systemFolder);
// Makes every WritePrivateProfileStringA fail (still counted) until called with false or reset.
void SubstProfileFailWrites(bool fail);
// The answer of GetModuleFileNameW(NULL) (given in UTF-8) until the next kernel reset, which
// brings back the ANSI path widened byte by byte.
void SubstSetWideProgramPath(const char *utf8Path);
// Makes the wide calls fail or go missing as on Windows 9x (GetModuleFileNameW and LoadLibraryW
// fail with 120, ADVAPI32 exports no wide registry call) until called with false or reset.
void SubstWideCallsMissing(bool missing);
// The ANSI code page of the text calls, 1252 or 932, until the next kernel reset (1252).
void SubstSetCodePage(UINT codePage);
