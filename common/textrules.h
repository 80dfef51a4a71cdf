// Rules for 8-bit text in the system's ANSI code page, where a character may take two bytes (a
// lead byte and a trail byte, and a trail byte can have the value of "\"). Every walk goes from
// the start of the text, character by character (IsDBCSLeadByte); none looks at bytes alone.
#pragma once
#include "common/platform.h"

#include <stddef.h>

// The length of the longest head of text[0..length) that holds whole characters only and at most
// limit bytes. A lead byte with no trail byte inside length is not a whole character.
size_t WholeCharsLength(const char *text, size_t length, size_t limit);
// Cuts the zero-terminated text to at most limit bytes of whole characters: a character split by
// the cut, and a lead byte left without its trail byte, are dropped.
void CutWholeChars(char *text, size_t limit);
// The last "\" of the text that stands as a character of its own (not as a trail byte), or NULL.
const char *LastSeparator(const char *text);
// folder (length bytes, no zero needed) followed by a "\" unless it ends in one, then name, into
// path (pathSize bytes). FALSE, with path empty, when the folder is empty or the whole does not
// fit: a cut path could name some other file.
BOOL JoinFolderAndName(const char *folder, size_t length, const char *name, char *path, size_t pathSize);
