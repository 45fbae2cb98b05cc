// The old list after a swap: kept aside for a while, then removed. Private to the store.
#pragma once

#include "store/list_aside.h"

// How long readers get: a reader that opened the old Networks just before the swap reads
// `oldKeys` pairs; the build just wrote `rowCount` rows in `buildMilliseconds`. Never less
// than `least` milliseconds.
DWORD ReaderGrace(DWORD buildMilliseconds, int rowCount, DWORD oldKeys, DWORD least);
// Holds the old list, renamed aside to `name`, through `oldKey` (the handle is `held`'s now)
// until `grace` milliseconds from now have passed.
void HoldOldListForReaders(HeldOldList* held, HKEY oldKey, DWORD keys, const char* name, DWORD grace);
// Returns once the grace of the old list held has passed; false when none is held.
bool WaitForOldListReaders(const HeldOldList* held);
// Waits out the grace, then removes the list through its handle. True when none was held or
// it is gone; false, with its name in `left`, when part of it stays. `held` is empty after.
bool RemoveHeldOldList(HeldOldList* held, RemovalNotes* notes, char left[ASIDE_NAME_SIZE]);
