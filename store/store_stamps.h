// The stamps of a reading: taken, watched, compared. Private to the store.
#pragma once

#include "store/store.h"

// Empties the set and drops its notification, leaving it in `state`.
void ClearStamps(StampSet* set, StampState state);
// Forgets the names and times, the set unknown; the watch stays, with the key it holds.
void ForgetStamps(StampSet* set);
// Moves `from` into `to`; `from` is left never read.
void MoveStamps(StampSet* to, StampSet* from);
// Every subkey of the open key, sorted; false (and the set unknown) when one cannot be read.
// Names are read in UTF-16 and kept as the ANSI calls give them. `values`, when not NULL,
// gets the key's own number of values from the same look. `watchedBefore`: a notification armed
// before this read sees a key added between the count and the names; otherwise one more look
// past the last name does.
bool ReadStamps(HKEY key, StampSet* set, DWORD* values, bool watchedBefore = false);
// Arms a notification of any change of names or values at or below the open key, on a
// handle of the set's own, before the key is read. False when it could not be armed: the
// times alone then tell.
bool WatchStamps(StampSet* set, HKEY key);
// Whether the set's notification fired: something at or below the key read changed since.
bool StampsWatchFired(const StampSet* set);
// Adds one stamp; false (and the set unknown) when there is no memory.
bool AddStamp(StampSet* set, const char* name, const FILETIME* lastWrite);
void SortStamps(StampSet* set);
// Both known and holding the same names and times, the key's own included.
bool SameStamps(const StampSet* a, const StampSet* b);
bool SameTime(const FILETIME* a, const FILETIME* b);
// Whether `a` is later than `b`.
bool LaterTime(const FILETIME* a, const FILETIME* b);
