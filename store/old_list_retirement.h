// The old list after a swap: kept aside for a while, then removed. Private to the store.
#pragma once

#include <stdio.h>

#include <windows.h>

#include "store/list_aside.h"

// Holds the old list, renamed aside to `name`, through `oldKey` (the handle is the
// retirement's now) until `grace` milliseconds from now have passed.
void HoldOldListForReaders(HKEY oldKey, const char* name, DWORD grace);
// How long readers get: a reader that opened the old Networks just before the swap reads
// `oldKeys` pairs; the build just wrote `rowCount` rows in `buildMilliseconds`.
DWORD ReaderGrace(DWORD buildMilliseconds, int rowCount, DWORD oldKeys);
// Returns once the grace of the old list held has passed; false when none is held.
bool WaitForOldListReaders(void);
// Waits out the grace of the old list held, then removes it through its handle. True when
// none was held or it is gone; false, with its name in `left`, when part of it stays.
bool RemoveHeldOldList(FILE* diagnostics, char left[ASIDE_NAME_SIZE]);
