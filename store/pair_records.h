// Reading one pair key into a record, for the start-up load. Private to the store.
#pragma once

#include "store/store.h"

// Fills `pair` from the subkey at `index` of the open Networks key (opened with `access`), and `lastWrite` with
// that subkey's last write time. A subkey that cannot be enumerated leaves an empty record
// (true) with an empty name, which no registry key has; false when it cannot be opened.
bool ReadPairRecord(HKEY networksKey, DWORD index, REGSAM access, NetworkPair* pair, FILETIME* lastWrite);

