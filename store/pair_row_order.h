// The rows of a reading in the order of their key numbers, and which names are a row's.
// Private to the store.
#pragma once

#include "store/store.h"

// A name as the save writes row `number`s: ASCII digits, no leading zero, below `rowCount`.
bool RowNumberOf(const char* name, DWORD rowCount, DWORD* number);
// The reading's rows from its records: "0", "1", ... "10" by number, then names that are not
// numbers, in enumeration order; equal numbers ("1", "01") keep theirs. False without memory.
bool OrderRows(StoreReading* reading);
