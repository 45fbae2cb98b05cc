// What a reading notes beside Networks. Private to the store.
#pragma once

#include "store/store.h"

// Networks missing: notes in the reading's `interrupted` where an interrupted save left the
// lists. True when the list the service last read is there and opens with `access`.
bool FindInterruptedLists(StoreReading* reading, REGSAM access);
// Beside a Networks with no pairs, a list an interrupted save left aside, in the reading's
// `interrupted`: it may be the only copy of the list the service read.
void NoteListLeftAside(StoreReading* reading);
// Reading to change: a building name a save may not use (`buildingBlocked`, or `unsavable`
// when neither may be used), and an old list aside that may not be removed (`leftoverStays`).
// `networksKey` is Networks as itself; `link` whether it is a link.
void NoteWhatBlocksASave(StoreReading* reading, HKEY networksKey, bool link);
