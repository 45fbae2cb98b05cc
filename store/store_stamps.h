// What the Networks key held when this program last read or wrote it: each pair key's
// name and last write time, the key's own, and a change notification armed on it before it
// was read. A writer that adds, removes or rewrites a pair changes one of the times, so one
// enumeration tells whether the store is still as this program left it; but Windows' clock
// moves once per tick, and a write in the tick of a recorded time changes no time: the
// notification sees that one. Private to the store.
#pragma once

#include "store/store.h"

struct KeyStamp {
    char name[SUBKEY_NAME_SIZE];
    FILETIME lastWrite;
};

// Three states, never two: a program that never read the store, one that knows it, and
// one whose last read or verification failed.
enum StampState {
    STAMPS_NEVER_READ,
    STAMPS_KNOWN,
    STAMPS_UNKNOWN,
};

struct StampSet {
    StampState state;
    KeyStamp* stamps;  // sorted by name as the registry compares names
    DWORD count;
    DWORD capacity;
    FILETIME own;      // the Networks key's own: a value on it set, a pair key made or gone
    bool ownKnown;
    HKEY watched;      // a handle of the key read, with the notification armed, or NULL
    HANDLE changed;    // the notification's event
};

// What the load read or the last save verified it wrote.
extern StampSet LastRead;
// What the last save that found the store changed saw there, for a save the administrator
// then confirmed.
extern StampSet LastSeen;

// Also drops the set's notification.
void ClearStamps(StampSet* set, StampState state);
// Moves `from` into `to`; `from` is left never read.
void MoveStamps(StampSet* to, StampSet* from);
// Every subkey of the open key, sorted; false (and the set unknown) when one cannot be read.
// Names are read in UTF-16 and kept as the ANSI calls give them.
bool ReadStamps(HKEY networksKey, StampSet* set);
// Arms a notification of any change of names or values at or below the open key, on a
// handle of the set's own, before the key is read. False when it could not be armed: the
// times alone then tell.
bool WatchStamps(StampSet* set, HKEY networksKey);
// Whether the set's notification fired: something at or below the key read changed since.
bool StampsWatchFired(const StampSet* set);
// Adds one stamp; false (and the set unknown) when there is no memory.
bool AddStamp(StampSet* set, const char* name, const FILETIME* lastWrite);
void SortStamps(StampSet* set);
// Both known and holding the same names and times, the key's own included.
bool SameStamps(const StampSet* a, const StampSet* b);
bool SameTime(const FILETIME* a, const FILETIME* b);
