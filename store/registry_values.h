// Reading the values of one pair key defensively: the store is also written by hand,
// so a value may be missing, too long, unterminated or of another type.
#pragma once

#include <windows.h>

// Reads a string value into a field of `fieldSize` bytes. The field ends up holding the
// value's text (up to its first NUL), or stays empty when the read fails or the text does
// not fit with its NUL. Returns true when the field holds the value.
bool ReadTextValue(HKEY key, const char* valueName, char* field, DWORD fieldSize);

// Reads a number stored as decimal text; a missing or unreadable value reads as 0.
LONG ReadNumberValue(HKEY key, const char* valueName);

// The C library's atoi, with out-of-range numbers clamped instead of undefined.
LONG ParseDecimal(const char* text);
