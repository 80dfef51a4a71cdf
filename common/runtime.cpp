// The few C library routines QTXILOAD.EXE and the stand-in library use, so that neither needs a C
// runtime DLL (Windows 95 has none). Only those two link it; the tests keep their own C library.
// GCC may call memcpy, memmove, memset and memcmp by itself, so these four are always here.
// Built without loop-to-call rewriting: a loop here must not turn into a call to itself.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

extern "C" {

void *memcpy(void *destination, const void *source, size_t size)
{
    BYTE *to = static_cast<BYTE *>(destination);
    const BYTE *from = static_cast<const BYTE *>(source);
    while (size--)
        *to++ = *from++;
    return destination;
}

void *memmove(void *destination, const void *source, size_t size)
{
    BYTE *to = static_cast<BYTE *>(destination);
    const BYTE *from = static_cast<const BYTE *>(source);
    if (to <= from || to >= from + size)
        return memcpy(destination, source, size);
    while (size--)
        to[size] = from[size];
    return destination;
}

void *memset(void *destination, int value, size_t size)
{
    BYTE *to = static_cast<BYTE *>(destination);
    while (size--)
        *to++ = static_cast<BYTE>(value);
    return destination;
}

int memcmp(const void *left, const void *right, size_t size)
{
    const BYTE *a = static_cast<const BYTE *>(left);
    const BYTE *b = static_cast<const BYTE *>(right);
    for (; size; size--, a++, b++)
        if (*a != *b)
            return *a < *b ? -1 : 1;
    return 0;
}

void *memchr(const void *block, int value, size_t size)
{
    const BYTE *at = static_cast<const BYTE *>(block);
    for (; size; size--, at++)
        if (*at == static_cast<BYTE>(value))
            return const_cast<BYTE *>(at);
    return NULL;
}

size_t strlen(const char *text)
{
    const char *end = text;
    while (*end)
        end++;
    return static_cast<size_t>(end - text);
}

int strcmp(const char *left, const char *right)
{
    const BYTE *a = reinterpret_cast<const BYTE *>(left);
    const BYTE *b = reinterpret_cast<const BYTE *>(right);
    while (*a && *a == *b)
        a++, b++;
    return *a < *b ? -1 : *a > *b;
}

char *strchr(const char *text, int value)
{
    const char c = static_cast<char>(value);
    for (;; text++) {
        if (*text == c)
            return const_cast<char *>(text);
        if (!*text)
            return NULL;
    }
}

char *strrchr(const char *text, int value)
{
    const char c = static_cast<char>(value);
    const char *found = NULL;
    for (;; text++) {
        if (*text == c)
            found = text;
        if (!*text)
            return const_cast<char *>(found);
    }
}

// The process heap, which exists from the start and needs no set-up or clean-up.
void *malloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void free(void *block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

} // extern "C"
