// The settings store as the rest of the program sees it: the stored pairs loaded at
// start-up, the rewrite of the whole list on OK and Apply, the key-tree removal, and the
// fatal error for a store that cannot be used. The registry layout is in store_names.h.
#pragma once

#include <windows.h>

#include <stdio.h>

#include "net/address_text.h"

#define SUBKEY_NAME_SIZE 256
#define KEY_TREE_PATH_SIZE 520

// One stored pair as the start-up load reads it.
struct NetworkPair {
    char subkeyName[SUBKEY_NAME_SIZE];
    DWORD subkeyNameLength;
    char sourceAddress[ADDRESS_TEXT_SIZE];
    char destinationAddress[ADDRESS_TEXT_SIZE];
    LONG direction;
    LONG enabled;
};

// Filled once by LoadPairTable; never freed before the process ends.
extern NetworkPair* PairTable;
extern DWORD PairTableCount;

// Reads every pair below the Networks key. An unusable store ends the process.
void LoadPairTable(void);
// The same, opening the keys with `access` (KEY_READ for a program that only reads).
void LoadPairTableWithAccess(REGSAM access);
// When the pair list was last written: the newest of the Networks key's last write time (a
// pair key made or deleted) and each pair key's (a value set). False when it cannot be read.
bool NewestPairWrite(FILETIME* newest);
// Empties the pair table, for tests and tools that load more than once.
void ResetPairTable(void);

// The texts of one row of the pair list, as the page shows them and the save writes them.
struct PairRowText {
    char source[ADDRESS_TEXT_SIZE];
    char destination[ADDRESS_TEXT_SIZE];
};

// How the rows of the pair table are ordered: as the registry enumerated them (the page
// shows them so), or by their subkey names read as numbers: "0", "1", "2", ... "10", then
// names that are not numbers, in enumeration order. The second reads back a list as the
// save wrote it.
enum PairRowOrder {
    ENUMERATION_ORDER,
    KEY_NUMBER_ORDER,
};

// The texts of every record of the pair table into `rows` (PairTableCount of them). False
// when there was no memory to order them.
bool CopyPairTableRows(PairRowText* rows, PairRowOrder order);

enum SaveOutcome {
    SAVE_DONE,           // the store holds exactly the rows, read back after writing
    SAVE_FAILED,         // it could not be made to: the old list is as it was (SaveTouchedStore)
    SAVE_STORE_CHANGED,  // another writer changed the pairs before or while this save ran
    SAVE_UNCHECKED,      // whether another writer changed them could not be read: nothing done
};

// What the save compares the store with before it removes anything.
enum SaveBase {
    // What this program last read or verified it wrote. A program that never read the
    // store compares with nothing.
    SAVE_OVER_LAST_READ,
    // What the last save that answered "changed" or "unchecked" found there: the
    // administrator has seen that answer and chosen to replace it.
    SAVE_OVER_LAST_SEEN,
    // Nothing: whatever the store holds is replaced (SavePairList).
    SAVE_OVER_ANYTHING,
};

// What the save says about its lock on the way, for the program to pass on.
enum SaveLockNote {
    SAVE_LOCK_WAITING,     // another program is saving: waiting for it
    SAVE_LOCK_TIMED_OUT,   // it did not finish within the wait: saving with the compare alone
    SAVE_LOCK_NAME_TAKEN,  // the lock's name holds an object of another kind: likewise
    SAVE_LOCK_UNAVAILABLE, // the lock could not be made or waited for: likewise
};
#define SAVE_LOCK_WAIT_MS 30000
// The lock our two programs take turns at saving under.
#define STORE_MUTEX_NAME "Global\\Corvane mDNS pair list"

struct SaveRequest {
    SaveBase base;
    FILE* diagnostics;  // the key removal's "Key not found." and "Error opening key.", or NULL
    // Waits for the lock as WaitForSingleObject does; NULL: WaitForSingleObject itself.
    DWORD (*waitForLock)(HANDLE mutex, DWORD milliseconds, void* context);
    void (*noteLock)(SaveLockNote note, void* context);  // or NULL
    void* context;
    // The old list stays aside after the swap until RetireOldLists (or the next save) removes
    // it, rather than the save waiting for its readers itself.
    bool retireLater;
};

// Replaces the stored list with `rows`, as subkeys "0", "1", ... in row order. The store is
// compared with `base` first; the rows are written into a new key beside Networks and read
// back; then, unless another writer changed Networks meanwhile, the two are swapped by
// renaming. The old list stays aside, whole, for a grace that lets a reader who opened it
// just before the swap read all of it (at least READER_GRACE_MIN_MS, longer for a long list),
// and is then removed through the handle that held it. A Networks key that is a link is
// replaced as a link; one this account may not rename is not replaced. Nothing outside the product key is
// ever written or deleted: when "Corvane Software" or the product key is a registry link,
// the save changes nothing and fails. Our two programs take turns at this through a named
// mutex. Ends the process when the product key cannot be opened with full access afterwards.
SaveOutcome SavePairListChecked(const PairRowText* rows, int rowCount, const SaveRequest* request);
// After a save: whether it changed what the store's Networks key is. A save that did not
// complete changed it only when the old list could not be put back in place.
bool SaveTouchedStore(void);
// After a save: the name below the product key of an old list it left aside, because the list
// could not be removed entirely (a key refusing to be deleted, one nested too deep), or NULL.
// The repeater service does not read it; the next save tries to remove it again.
const char* SaveLeftOldListAside(void);

// Waits out the grace of the old list the last save swapped out, then removes it. True when
// no old list is held, or it is gone; false when part of it stays aside, under the name
// SaveLeftOldListAside gives. A program whose save left it for later calls this before it ends.
bool RetireOldLists(void);
#define READER_GRACE_MIN_MS 250
// Tests under the real platform, where waits take time, shorten the least grace.
void SetReaderGraceFloor(DWORD milliseconds);

// The save over anything, diagnostics on standard output, for tools and tests that have
// not read the store. True when the store holds the rows.
bool SavePairList(const PairRowText* rows, int rowCount);

// True when the store is exactly what a save of `rows` leaves: Networks a key of its own
// (nothing from "Corvane Software" down is a link) with no values, its subkeys exactly "0" to
// "rowCount - 1" without subkeys, each with the four values as REG_SZ and the save's texts.
// Reads only.
bool StoreHoldsExactly(const PairRowText* rows, int rowCount);
// The same, telling `report` every way the store differs ("Networks\0\Enabled does not
// hold "1""), not only the first.
typedef void (*StoreDifferenceReport)(void* context, const char* difference);
bool StoreHoldsExactlyReporting(const PairRowText* rows, int rowCount, StoreDifferenceReport report, void* context);
// The same, and in the same enumeration the newest last write time of Networks and its pair
// keys (`newestKnown` false when they could not all be read).
bool LookAtStoredList(const PairRowText* rows, int rowCount, StoreDifferenceReport report, void* context,
                      FILETIME* newest, bool* newestKnown);

// Whether a save could change the store at all, asked before planning one: "Corvane
// Software" and the product key plain keys (not links), and the product key open to the
// save's rights. False, with the cause for a person in `why`.
bool StoreCanBeSaved(char* why, size_t whySize);

// Deletes the key at `path` below `root` and everything below it; a registry link is
// deleted as a link, never followed. True when the key is gone. `path` is a
// KEY_TREE_PATH_SIZE buffer; it is extended while the tree is walked and on return holds
// its original text, less a trailing backslash. Diagnostics go to standard output.
bool RemoveKeyTree(HKEY root, char* path);
// The same, with the diagnostics written to `diagnostics`, or nowhere when NULL.
bool RemoveKeyTreeReportingTo(HKEY root, char* path, FILE* diagnostics);

// Copies `source` into a KEY_TREE_PATH_SIZE buffer, always terminated; false when cut.
bool BoundedCopy(char* destination, const char* source);

// Reports an unusable store and ends the process. Each program provides its own report: the
// configurator's (store/fatal_settings_error.cpp) shows a message box and exits with -1.
[[noreturn]] void FatalSettingsError(void);
