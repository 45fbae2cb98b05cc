// What our programs know of the repeater service's reading: which of its processes was
// running when one of them last saved the list, and which list that process read. Kept
// beside the store (a key of its own next to the product key), never in it: the service
// reads the store, and nothing there may change for this.
#pragma once

#include "store/store.h"

#define RESTART_RECORD_KEY_NAME "mDNS Restart Record"
#define RESTART_RECORD_VALUE_NAME "Record"
// The word the package's uninstall runs mDNSPairs with to remove the record.
#define UNINSTALL_WORD "--uninstalling"

struct RestartRecord {
    DWORD processId;              // the service's process at that save; 0 when none ran
    FILETIME processStarted;      // its creation time, which with the id names it
    FILETIME listWritten;         // the list's newest write time right after that save
    bool readKnown;               // whether `readDigest` says what that process read
    unsigned long long readDigest;
    // The newest write time at which the list's content last changed, when it is known
    // (otherwise zero): a save of the same list moves `listWritten`, not this, so that a
    // process that read the list before such a rewrite still counts as current.
    FILETIME contentSince;
};

// A digest of the pair texts in order, to tell one list from another without keeping it.
unsigned long long PairListDigest(const PairRowText* rows, int rowCount);

// Below "Corvane Software" as a reading's `path` holds it (not through a link). False when
// there is no record, or none that reads as one.
bool ReadRestartRecord(const StorePath* path, RestartRecord* record);
// Replaces the record, likewise; the path must hold "Corvane Software" with the rights to make
// a key below it, as a reading for a change holds it. Never through a link; false when it
// could not be written.
bool WriteRestartRecord(const StorePath* path, const RestartRecord* record);

// Removes the record, as the package's uninstall asks: "Corvane Software" and the record's key
// opened as themselves, a link removed as a link. True when there is none afterwards.
bool RemoveRestartRecord(void);

// The same, walking from HKEY_LOCAL_MACHINE to "Corvane Software" as itself, for a program that
// holds no reading's path.
bool ReadRestartRecordHere(RestartRecord* record);
bool WriteRestartRecordHere(const RestartRecord* record);

// After a save that stored the very list the store held (`before`: its newest write time
// then), notes that the content has not changed since it last did, for the pending restart.
// A save that changed the list leaves the record to the times.
void NoteSameListRewritten(const FILETIME& before, const FILETIME& written);
