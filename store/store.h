// The settings store as the rest of the program sees it: one reading of the store, the pair
// table the start-up load fills from it, the rewrite of the whole list on OK and Apply, the
// key-tree removal, and the fatal error for a store that cannot be used. Each hands back
// values: the programs keep them and word them. The registry layout is in store_names.h.
#pragma once

#include <windows.h>

#include "net/address_text.h"

#define SUBKEY_NAME_SIZE 256
#define KEY_TREE_PATH_SIZE 520
#define ASIDE_NAME_SIZE 32  // the name of a key a save keeps beside Networks

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

// The texts of one row of the pair list, as the page shows them and the save writes them.
struct PairRowText {
    char source[ADDRESS_TEXT_SIZE];
    char destination[ADDRESS_TEXT_SIZE];
};

// The keys of the store, from Software down, and the keys a save keeps beside Networks.
enum StoreKey {
    STORE_KEY_SOFTWARE,
    STORE_KEY_COMPANY,   // "Corvane Software"
    STORE_KEY_PRODUCT,   // "mDNS"
    STORE_KEY_NETWORKS,
    STORE_KEY_PAIR,      // a pair key below Networks, named in `keyName`
    STORE_KEY_ASIDE,     // a key beside Networks that a save builds or keeps, named in `keyName`
};

// Why a key of the store could not be used.
enum StoreTrouble {
    STORE_FINE,
    STORE_MISSING,          // it does not exist
    STORE_LINK,             // it is a registry link, which no save writes through
    STORE_DENIED,           // it may not be opened with the rights needed (`status` says which error)
    STORE_NAME_UNREADABLE,  // a pair key whose name this computer's code page cannot hold
    STORE_OUT_OF_MEMORY,
    STORE_REFUSED,          // a registry call on it failed with `status`
};

struct StoreProblem {
    StoreTrouble trouble;
    StoreKey key;
    LONG status;
    char keyName[SUBKEY_NAME_SIZE];  // a pair key's or an aside key's name, as the code page shows it
};

// How the store differs from what a save of its own rows would leave.
enum StoreDifferenceKind {
    DIFFERS_LEVEL_LINK,           // `keyName` ("Corvane Software", "mDNS", "Networks") is a registry link
    DIFFERS_NETWORKS_MISSING,     // Networks is missing: the list read is aside, in `keyName`
    DIFFERS_NETWORKS_UNREADABLE,  // Networks cannot be read
    DIFFERS_NETWORKS_VALUES,      // Networks has values of its own
    DIFFERS_NETWORKS_UNLISTABLE,  // a subkey of Networks could not be listed
    DIFFERS_FOREIGN_SUBKEY,       // a subkey of Networks that is not named as a row
    DIFFERS_ROW_MISSING,          // no key, or a registry link, where row `keyName` belongs
    DIFFERS_PAIR_UNREADABLE,      // the pair key cannot be read
    DIFFERS_PAIR_SUBKEYS,         // the pair key has subkeys
    DIFFERS_PAIR_ODD_VALUE,       // a value that cannot be read or named
    DIFFERS_PAIR_EXTRA_VALUE,     // a value `valueName` the save does not write
    DIFFERS_PAIR_VALUE_TYPE,      // `valueName` is of type `type`, not REG_SZ
    DIFFERS_PAIR_VALUE_TEXT,      // `valueName` does not hold `expected`
    DIFFERS_PAIR_VALUE_MISSING,   // `valueName` is missing
};

#define DIFFERENCE_VALUE_NAME_SIZE 64

struct StoreDifference {
    StoreDifferenceKind kind;
    char keyName[SUBKEY_NAME_SIZE];  // the pair key (or level) concerned, as the code page shows it
    char valueName[DIFFERENCE_VALUE_NAME_SIZE];
    DWORD type;
    char expected[ADDRESS_TEXT_SIZE];
};

// What the store held when a program read it or last saved it: each pair key's name and
// last write time, Networks' own, and a change notification armed before it was read. A
// writer that adds, removes or rewrites a pair changes one of the times; a write within the
// tick of a recorded time changes none, and the notification sees that one.
struct KeyStamp {
    char name[SUBKEY_NAME_SIZE];
    FILETIME lastWrite;
};
enum StampState {
    STAMPS_NEVER_READ,  // nothing to compare with
    STAMPS_KNOWN,
    STAMPS_UNKNOWN,     // the reading failed: whether another writer was at work cannot be told
};
struct StampSet {
    StampState state;
    KeyStamp* stamps;  // sorted by name as the registry compares names
    DWORD count;
    DWORD capacity;
    FILETIME own;
    bool ownKnown;
    HKEY watched;      // a handle of the key read, with the notification armed, or NULL
    HANDLE changed;    // the notification's event
};
// Frees the set and drops its notification; it is then never read.
void FreeStamps(StampSet* set);

// The keys from Software down to the product key, each opened relative to the one above as
// itself, never through a link, held while a program works below them.
struct StorePath {
    HKEY software;
    HKEY company;
    HKEY product;
    // Networks as itself (a link as a link), held for the save that replaces it, which takes
    // it; NULL when the path is held only to read.
    HKEY networks;
    bool networksIsLink;
    bool throughLink;  // read through a link at "Corvane Software" or "mDNS": no place to write
    // Networks missing, `networks` holds the list the service last read, aside under this name
    // where an interrupted save left it; "" otherwise.
    char networksAside[ASIDE_NAME_SIZE];
};
void ReleaseStorePath(StorePath* path);

// What a program reads the store for.
enum StoreReadPurpose {
    // The configurator's start-up: Networks and its pair keys open with full access, since a
    // process that may not change the store is not to present it for editing.
    READ_TO_EDIT,
    // Reading only.
    READ_TO_SHOW,
    // Reading only, and asking whether a save may change the store, on the path the save
    // walks with the rights it asks for; the path stays held for that save.
    READ_TO_CHANGE,
};

// What an interrupted save left beside Networks: the list the service last read, put aside
// and never put back, and the list that save was putting in place ("" where there is none).
struct InterruptedSave {
    bool networksMissing;         // the save stopped between its two renames
    char oldList[ASIDE_NAME_SIZE];
    DWORD oldPairs;
    char newList[ASIDE_NAME_SIZE];
};

// A key's DACL as RegGetKeySecurity hands it (self-relative), or none.
struct KeySecurity {
    BYTE* descriptor;
    DWORD size;
};

// What the old list's keys had, for the keys a save makes in their place: Networks' own, and
// the one its pair keys shared.
struct ListSecurity {
    KeySecurity networks;
    KeySecurity pairs;  // none when they differ (`pairsDiffer`), or there are none
    bool pairsDiffer;
};

// One reading of the store: one walk to Networks and one enumeration of it, giving
// everything the programs need to show, compare and save the list.
struct StoreReading {
    StoreProblem problem;          // STORE_FINE, or why the store could not be read: nothing below holds
    StoreProblem unsavable;        // READ_TO_CHANGE: STORE_FINE, or why no save may change the store
    NetworkPair* pairs;            // every subkey of Networks in the order the registry enumerates them
    DWORD pairCount;
    PairRowText* rows;             // the same texts in the order of their key numbers ("0", "1", ... "10",
                                   // then names that are not numbers, in enumeration order)
    StoreDifference* differences;  // none: the store is exactly what a save of `rows` leaves
    DWORD differenceCount;
    FILETIME newest;               // the newest last write time of Networks and its pair keys
    bool newestKnown;
    StampSet stamps;               // what a save compares the store with
    InterruptedSave interrupted;   // what an interrupted save left beside Networks
    // Names a save needs that it cannot use as they are, found while reading to change:
    // "Networks (new)" when a save builds under BUILDING_KEY_NAME_2, and why.
    StoreProblem buildingBlocked;
    // READ_TO_CHANGE: an old list an earlier save left aside that may not be removed, which a
    // save leaves where it is (its name and why), or STORE_FINE.
    StoreProblem leftoverStays;
    ListSecurity security;         // READ_TO_CHANGE: what Networks and its pair keys had
    StorePath path;                // the path held: for the save when it may change the store, else to read
};

// Reads the store. False when it could not be read: `problem` says which key and why. Free
// the reading with FreeStoreReading either way.
bool ReadStore(StoreReadPurpose purpose, StoreReading* reading);
void FreeStoreReading(StoreReading* reading);

// The start-up load: fills the pair table from a reading for editing (a table filled before is
// freed). The rest of the reading (its rows in key-number order, its stamps for the save's
// compare) is left in `reading` for the caller, who frees it; the path is not held. An
// unusable store ends the process.
void LoadPairTable(StoreReading* reading);

enum SaveOutcome {
    SAVE_DONE,           // the store holds exactly the rows, read back after writing
    SAVE_FAILED,         // it could not be made to: the old list is as it was (unless `storeTouched`)
    SAVE_STORE_CHANGED,  // another writer changed the pairs before or while this save ran
    SAVE_UNCHECKED,      // whether another writer changed them could not be read: nothing done
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

// What the key-tree removal met on the way: "Key not found." and "Error opening key." for
// the program to say where it says its diagnostics.
struct RemovalNotes {
    int keysNotFound;
    int keysNotOpened;
};

struct SaveRequest {
    // What the store is compared with before anything is removed: what this program last read
    // or wrote, or what the save it confirms found there; NULL replaces whatever is there.
    const StampSet* base;
    // The path a reading holds for this save, or NULL: the save walks it itself. The save takes
    // the path's Networks: the key it replaces is the key the reading read.
    StorePath* path;
    // Waits for the lock as WaitForSingleObject does; NULL: WaitForSingleObject itself.
    DWORD (*waitForLock)(HANDLE mutex, DWORD milliseconds, void* context);
    void (*noteLock)(SaveLockNote note, void* context);  // or NULL
    void* context;
    // The grace of an old list's readers, in milliseconds, or READER_GRACE_BY_SIZE.
    DWORD readerGrace;
    // What the reading of `path` found the old keys' security to be, or NULL: the save reads it.
    const ListSecurity* security;
};

#define READER_GRACE_MIN_MS 250
// The grace by the old list's size: READER_GRACE_MIN_MS, and a second for each thousand
// pairs, at most a minute.
#define READER_GRACE_BY_SIZE 0xFFFFFFFFu
// How long a program that put an old list aside waits for its grace to end, at most, before
// it leaves the list for a later save to remove.
#define READER_GRACE_WAIT_MAX_MS 500

// The mark on an old list held aside: when it was put aside, when its readers' grace ends
// (by the system clock the registry's times use), and what it held then.
struct HoldMark {
    FILETIME heldAt;
    FILETIME graceEnds;
    DWORD keys;    // its pair keys; 0 for a link, which goes at once
    DWORD values;  // its own values, the mark not counted
};

// The old list after a swap, renamed aside and held through its handle for its readers'
// grace, until RetireOldList removes it or leaves it for a later save.
struct HeldOldList {
    HKEY key;  // NULL: none held
    char name[ASIDE_NAME_SIZE];
    HoldMark mark;
    bool marked;  // the mark was written on it
    DWORD since;  // GetTickCount when it was put aside
    DWORD grace;
};

struct SaveResult {
    SaveOutcome outcome;
    // Whether the save changed what the store's Networks key is. One that did not complete
    // changed it only when the old list could not be put back in place.
    bool storeTouched;
    // The name below the product key of an old list left aside, because it could not be
    // removed entirely, or "". The repeater service does not read it; the next save tries again.
    char leftAside[ASIDE_NAME_SIZE];
    // A list aside that another program wrote to after a save put it there: it is kept, since
    // what was written there would be lost with it ("" when none).
    char changedAside[ASIDE_NAME_SIZE];
    // The save found Networks missing and the list the service last read aside, where an
    // interrupted save had put it, and started from that list ("" when not).
    char recoveredFrom[ASIDE_NAME_SIZE];
    // The name the new list was built under, when the first could not be used.
    char builtIn[ASIDE_NAME_SIZE];
    StoreProblem failure;          // SAVE_FAILED: the key that stopped the save, and why
    bool productKeyUsable;         // the product key opened with full access when the save ended
    RemovalNotes notes;
    // The base of a following save: what this one wrote (done), or what it found (changed,
    // unchecked), for a save the administrator confirms.
    StampSet next;
    FILETIME newest;               // done: the newest write time of the list written
    bool newestKnown;
    HeldOldList held;              // done: the old list kept for its readers, for RetireOldList
};

// Replaces the stored list with `rows`, as subkeys "0", "1", ... in row order. The store is
// compared with the request's base first; the rows are written into a new key beside
// Networks and read back; then, unless another writer changed Networks meanwhile, the two are
// swapped by renaming. The old list stays aside, whole, held and marked, for a grace that
// lets a reader who opened it just before the swap read all of it; RetireOldList or a later
// save removes it after. Old lists earlier saves left aside go once their grace has ended,
// unless another program wrote to them. A Networks key that is a link is replaced as a link,
// and what it names is left alone; one this account may not rename is not replaced. With
// Networks missing, the list an interrupted save left aside is the old list. The new keys get
// the old ones' DACLs. Nothing outside the
// product key is ever written or deleted: when "Corvane Software" or the product key is a
// registry link, the save changes nothing and fails. Our two programs take turns at this
// through a named mutex. Free the result with FreeSaveResult.
SaveResult SavePairListOver(const PairRowText* rows, int rowCount, const SaveRequest* request);
void FreeSaveResult(SaveResult* result);

// Removes an old list a save held once its readers' grace has ended, waiting for that at most
// `waitAtMost` milliseconds, through its handle and under the save lock; a list whose grace
// lasts longer is left, marked, for a later save to remove. A list another program wrote to
// meanwhile is kept, its name in `changed`. True when none was held, it is gone or it was
// left for its grace; false, with its name in `left` or `changed`, when it stays. `held` is
// empty afterwards.
bool RetireOldList(HeldOldList* held, DWORD waitAtMost, char left[ASIDE_NAME_SIZE], char changed[ASIDE_NAME_SIZE],
                   RemovalNotes* notes);

// Deletes the key at `path` below `root` and everything below it; a registry link is
// deleted as a link, never followed. True when the key is gone. `path` is a
// KEY_TREE_PATH_SIZE buffer; it is extended while the tree is walked and on return holds
// its original text, less a trailing backslash. "Key not found." and "Error opening key."
// go to standard output.
bool RemoveKeyTree(HKEY root, char* path);
// The same, counting those in `notes` (or nowhere when NULL) instead of writing them.
bool RemoveKeyTreeNoting(HKEY root, char* path, RemovalNotes* notes);

// Copies `source` into a KEY_TREE_PATH_SIZE buffer, always terminated; false when cut.
bool BoundedCopy(char* destination, const char* source);

// Reports an unusable store and ends the process: a message box, and exit code -1. The
// configurator's start-up load raises it, and so does its save when the product key does not
// open with full access afterwards; the companion words the problems it is handed instead.
[[noreturn]] void FatalSettingsError(void);
