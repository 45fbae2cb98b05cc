// Reading one pair key into a record, shared by the start-up load and the save's look at
// what another writer may have changed. Private to the store.
#pragma once

#include "store/store.h"

// Fills `pair` from the subkey at `index` of the open Networks key, and `lastWrite` with
// that subkey's last write time. A subkey that cannot be enumerated leaves an empty record
// (true); false when it cannot be opened.
bool ReadPairRecord(HKEY networksKey, DWORD index, NetworkPair* pair, FILETIME* lastWrite);

// What the Networks key held when this program last read or wrote it, kept to notice
// another writer: the load and every save record it.
void RememberStore(const NetworkPair* records, const FILETIME* lastWrites, DWORD count);
// The same, read from the open Networks key (NULL: there is none); forgets when it cannot.
void RememberNetworks(HKEY networksKey);
void ForgetStore(void);
// False when nothing is remembered; else whether the open Networks key (NULL: there is
// none) still holds the remembered subkeys, none written since.
bool StoreMatchesRemembered(HKEY networksKey, bool* remembered);
