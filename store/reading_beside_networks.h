// What a reading notes beside Networks. Private to the store.
#pragma once

#include "store/store.h"

// Beside a Networks with no pairs, a list an interrupted save left aside, in the reading's
// `interrupted`: it may be the only copy of the list the service read.
void NoteListLeftAside(StoreReading* reading);
// Reading to change: a building name a save may not use (`buildingBlocked`, or `unsavable`
// when neither may be used), and an old list aside that may not be removed (`leftoverStays`).
// `networksKey` is Networks as itself; `link` whether it is a link.
void NoteWhatBlocksASave(StoreReading* reading, HKEY networksKey, bool link);
