// The hint store's pure rules: what a list line looks like, how a stored flag reads, what a flip
// and a save write, the byte counts written, and how stored bytes become text. No registry call.
#pragma once
#include "common/platform.h"

#include <stddef.h>

#define HINT_FLAG_VALUE "Need3DOn2D"
#define HINT_DESCRIPTION_VALUE "Description"

// Whether a read of the flag found it off: the read succeeded and the first data byte is "0".
// Every other outcome (no data bytes, a failed read) reads as on, and no byte beyond length is
// looked at.
BOOL HintFlagIsOff(LONG readStatus, const BYTE *data, DWORD length);
// The list's state text for a flag value that the record holds: "Off" or "On".
const char *HintStateText(LONG readStatus, const BYTE *data, DWORD length);
// What a flip writes: "1" for a flag that reads off, and for a missing one (readStatus 2), which
// the list showed as "Off"; "0" for every other, an empty one (listed "On") included.
const char *FlippedHintFlag(LONG readStatus, const BYTE *data, DWORD length);
// What a save writes for the box's check state: "1" only for BST_CHECKED (1).
const char *HintFlagForBox(BOOL checkState);
// Byte count of a text written as REG_SZ: its characters and the terminating zero.
DWORD HintTextByteCount(const char *text);

// The text of a value's data: up to the first zero byte or the end of the data, whichever comes
// first, cut to the whole characters that fit textSize. dataCut tells that the data itself was
// only the head of a longer value. Returns FALSE when the text was cut.
BOOL HintTextFromData(const BYTE *data, DWORD length, BOOL dataCut, char *text, size_t textSize);
// Whether a record name read through the ANSI calls may have lost characters: it holds "?", which
// the conversion puts for every character the code page cannot spell (and which no double-byte
// character holds as its trail byte). A name with a "?" of its own counts too.
BOOL HintNameMayHaveLostChars(const char *name);
// head followed by tail in path; FALSE (and path empty) when they do not fit in pathSize.
BOOL JoinHintPath(char *path, size_t pathSize, const char *head, const char *tail);
