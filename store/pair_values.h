// One pair key's values as the store reads them: through the Unicode calls, then as the ANSI
// calls would hand them to the record, and beside what a save writes. Private to the store.
#pragma once

#include <windows.h>

#include "store/store.h"

// The C library's atoi, with out-of-range numbers clamped instead of undefined.
LONG ParseDecimal(const char* text);

// Where a pair key's differences go.
struct DifferenceList {
    StoreDifference* items;
    DWORD count;
    DWORD capacity;
    bool outOfMemory;
};
void AddDifference(DifferenceList* list, StoreDifferenceKind kind, const char* keyName, const char* valueName = "",
                   DWORD type = 0, const char* expected = "");

// Reads the values of the open pair key into `pair` (its name already there), as the start-up
// load reads them: an address that does not fit its field with its NUL stays empty, a number
// that cannot be read is 0. `compare`: also notes in `differences` every way the key differs
// from what a save of the record's texts writes. `link`: the key, opened as itself, holds
// the value through which a registry link is followed, so it may be one.
void ReadPairValues(HKEY pairKey, NetworkPair* pair, bool compare, DifferenceList* differences, bool* link);
