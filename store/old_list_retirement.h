// The old list after a swap: kept aside for its readers' grace, marked so that every
// program's save knows it, then removed by whichever program comes next. Private to the store.
#pragma once

#include "store/list_aside.h"

// How long readers get: a reader that opened the old Networks just before the swap reads
// `oldKeys` pairs. READER_GRACE_MIN_MS plus READER_GRACE_PER_THOUSAND_MS for each thousand,
// at most READER_GRACE_MAX_MS; `fixed` other than READER_GRACE_BY_SIZE is taken as it is.
DWORD ReaderGrace(DWORD oldKeys, DWORD fixed);

// What a list aside holds now, by its mark.
enum AsideListState {
    ASIDE_UNMARKED,  // no mark: put aside by a save that was interrupted, or by an older one
    ASIDE_IN_GRACE,  // its readers' grace has not ended: no save removes it yet
    ASIDE_CHANGED,   // another program wrote to it after it was put aside: no save removes it
    ASIDE_RETIRED,   // its grace ended and it is as it was put aside: any save removes it
    ASIDE_UNKNOWN,   // what it holds now could not be read: it stays, said as left aside
};
// Looks at a list aside, open as itself with KEY_READ: by the mark its holder `held` knows, or
// (NULL) by the key's own.
AsideListState LookAtAsideList(HKEY key, const HeldOldList* held);

// Removes a list aside, open as itself with KEY_READ, KEY_SET_VALUE and DELETE: its mark first,
// so that what a removal stopped partway leaves is a leftover of ours, not a changed list.
bool RemoveAsideList(HKEY key, const char* path, RemovalNotes* notes, bool leaf);
// Holds the old list, renamed aside to `name`, through `oldKey` (the handle is `held`'s now),
// and marks it with its grace from now.
void HoldOldListForReaders(HeldOldList* held, HKEY oldKey, DWORD keys, DWORD values, const char* name, DWORD grace);
// Removes the held list through its handle, unless another program wrote to it (its name then
// goes to `changed`). True when none was held or it is gone; false, with its name in `left`,
// when part of it stays. `held` is empty after.
bool RemoveHeldOldList(HeldOldList* held, RemovalNotes* notes, char left[ASIDE_NAME_SIZE],
                       char changed[ASIDE_NAME_SIZE]);
