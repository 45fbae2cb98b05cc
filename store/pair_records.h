// Reading one pair key into a record, shared by the start-up load and the save's look at
// what another writer may have changed. Private to the store.
#pragma once

#include "store/store.h"

// Fills `pair` from the subkey at `index` of the open Networks key. A subkey that cannot
// be enumerated leaves an empty record (true); false when it cannot be opened.
bool ReadPairRecord(HKEY networksKey, DWORD index, NetworkPair* pair);

// What the store held when this program last read or wrote it, kept to notice another
// writer. The load and every save record it.
void RememberStore(const NetworkPair* records, DWORD count);
// The same, from the rows a save wrote: "0", "1", ... with Direction 2 and Enabled 1.
void RememberSavedRows(const PairRowText* rows, int rowCount);
void ForgetStore(void);
// Reads the store as it is now and remembers that; forgets when it cannot be read.
void RememberStoreAsItIs(void);
// False when nothing was remembered; else whether the open Networks key (NULL: there is
// none) now holds exactly the remembered records, in enumeration order.
bool StoreMatchesRemembered(HKEY networksKey, bool* remembered);
