#include "hints/hintrules.h"
#include "hints/hintstore.h"

#include "common/textrules.h"

#include <string.h>

BOOL HintFlagIsOff(LONG readStatus, const BYTE *data, DWORD length)
{
    return readStatus == ERROR_SUCCESS && length > 0 && data[0] == '0';
}

const char *HintStateText(LONG readStatus, const BYTE *data, DWORD length)
{
    return HintFlagIsOff(readStatus, data, length) ? "Off" : "On";
}

const char *FlippedHintFlag(LONG readStatus, const BYTE *data, DWORD length)
{
    if (readStatus == ERROR_FILE_NOT_FOUND)
        return "1";
    return HintFlagIsOff(readStatus, data, length) ? "1" : "0";
}

const char *HintFlagForBox(BOOL checkState)
{
    return checkState == 1 ? "1" : "0";
}

DWORD HintTextByteCount(const char *text)
{
    return static_cast<DWORD>(strlen(text) + 1);
}

BOOL HintTextFromData(const BYTE *data, DWORD length, BOOL dataCut, char *text, size_t textSize)
{
    if (textSize == 0)
        return FALSE;
    const BYTE *zero = static_cast<const BYTE *>(memchr(data, 0, length));
    size_t textLength = zero ? static_cast<size_t>(zero - data) : length;
    // A cut never splits a character, and a lead byte left alone at the end is not kept.
    size_t kept = WholeCharsLength(reinterpret_cast<const char *>(data), textLength, textSize - 1);
    memcpy(text, data, kept);
    text[kept] = 0;
    return kept == textLength && (zero || !dataCut);
}

BOOL HintNameMayHaveLostChars(const char *name)
{
    return strchr(name, '?') != NULL;
}

BOOL JoinHintPath(char *path, size_t pathSize, const char *head, const char *tail)
{
    size_t headLength = strlen(head);
    size_t tailLength = strlen(tail);
    if (pathSize == 0)
        return FALSE;
    path[0] = 0;
    if (headLength + tailLength + 1 > pathSize)
        return FALSE;
    memcpy(path, head, headLength);
    memcpy(path + headLength, tail, tailLength + 1);
    return TRUE;
}

// Appends the whole characters of text that fit before the last byte of limit; the line stays
// zero-terminated.
static void AppendCut(char **end, char *limit, const char *text)
{
    size_t kept = WholeCharsLength(text, strlen(text), static_cast<size_t>(limit - *end) - 1);
    memcpy(*end, text, kept);
    *end += kept;
    **end = 0;
}

void FormatAppHintLine(const char *name, const char *description, const char *state, char *line, size_t lineSize)
{
    if (lineSize == 0)
        return;
    char *end = line;
    char *limit = line + lineSize;
    *end = 0;
    AppendCut(&end, limit, name);
    AppendCut(&end, limit, "\t");
    AppendCut(&end, limit, description[0] ? description : "none");
    AppendCut(&end, limit, "\t");
    AppendCut(&end, limit, state[0] ? state : "Off");
}
