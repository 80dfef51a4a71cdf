#include "common/textrules.h"

#include <string.h>

size_t WholeCharsLength(const char *text, size_t length, size_t limit)
{
    size_t kept = 0;
    while (kept < length) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[kept])) ? 2 : 1;
        if (kept + step > length || kept + step > limit)
            break;
        kept += step;
    }
    return kept;
}

void CutWholeChars(char *text, size_t limit)
{
    text[WholeCharsLength(text, strlen(text), limit)] = 0;
}

const char *LastSeparator(const char *text)
{
    const char *last = NULL;
    for (const char *p = text; *p; p = CharNextA(p))
        if (*p == '\\')
            last = p;
    return last;
}

BOOL JoinFolderAndName(const char *folder, size_t length, const char *name, char *path, size_t pathSize)
{
    if (pathSize == 0)
        return FALSE;
    path[0] = 0;
    // Whether the folder's last character (found from its start) is a "\" of its own.
    const char *last = CharPrevA(folder, folder + length);
    BOOL slash = length > 0 && *last == '\\' && last + 1 == folder + length;
    size_t nameSize = strlen(name) + 1;
    if (length == 0 || length + !slash + nameSize > pathSize)
        return FALSE;
    memcpy(path, folder, length);
    if (!slash)
        path[length++] = '\\';
    memcpy(path + length, name, nameSize);
    return TRUE;
}
