// The save on OK and Apply: the stored list becomes the rows, as subkeys "0", "1", ... It
// runs with an administrator's rights while other writers (the configurator elsewhere,
// reg.exe, Group Policy) and readers (the repeater service) may use the registry between any
// two of its calls. So it holds every key it works in, and builds the new list aside: the
// path is walked from Software one level at a time without following a link; Networks is
// compared with what this program last read (the pair keys' times, its own, and the change
// notification armed when it was read); the rows are written into a new key beside it and
// read back; and only then, the notification asked once more, the two are swapped by
// renaming. The old tree stays aside, held, while a reader may still be reading it, and is
// then removed through the handle that held it. Until the swap nothing of the old list is
// touched, so a save that cannot finish leaves it as it was; a reader sees the old list or
// the new one, never part of one.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/list_aside.h"
#include "store/old_list_retirement.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"
#include "store/store_stamps.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"
// Enough to read, rename and delete Networks; it is opened as itself, a link as a link.
#define NETWORKS_SWAP_ACCESS (KEY_READ | KEY_WRITE | DELETE)

// The byte count leaves out the NUL, as the repeater service's store always had it; the
// registry stores one after the text all the same.
static bool WriteText(HKEY key, const char* valueName, const char* text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text)) == ERROR_SUCCESS;
}

// Creates `name` below `parent` and accepts only a key that is new: anything already there
// (a link, another writer's key) is not this save's. A link is opened as itself, never
// followed.
static bool CreateNewKey(HKEY parent, const char* name, REGSAM access, HKEY* key)
{
    DWORD disposition = 0;
    if (RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_OPEN_LINK, access, NULL, key, &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition == REG_CREATED_NEW_KEY) return true;
    RegCloseKey(*key);
    return false;
}

// Writes one row into a new key and stamps it with the key's last write time, taken through
// the handle that wrote it, right after the last value: a writer that changes the row later
// shows in the read-back at the end, and one that added a value shows in the count now.
// (Reading the four values back would cost more than the whole rest of the save under Wine;
// and the key is the one being built beside Networks, which no reader of the list opens.)
// False when the row is not all there as written.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row, StampSet* written)
{
    char subkeyName[SUBKEY_NAME_TEXT_SIZE];
    snprintf(subkeyName, sizeof subkeyName, PAIR_KEY_NAME_BY_NUMBER, number);
    HKEY pairKey;
    if (!CreateNewKey(networksKey, subkeyName, KEY_SET_VALUE | KEY_QUERY_VALUE, &pairKey)) return false;
    const char* texts[PAIR_VALUE_COUNT];
    PairValueTexts(row, texts);
    bool rowWritten = true;
    for (int which = 0; which < PAIR_VALUE_COUNT && rowWritten; ++which)
        rowWritten = WriteText(pairKey, PairValueNames[which], texts[which]);
    FILETIME lastWrite;
    DWORD subkeys = 1, values = 0;
    bool stamped = RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                                    &lastWrite) == ERROR_SUCCESS;
    bool holds = stamped && subkeys == 0 && values == PAIR_VALUE_COUNT;
    RegCloseKey(pairKey);
    // A row with more than was written was changed by someone else: it is not stamped, so
    // the read-back sees a key this save does not know.
    if (!stamped) ClearStamps(written, STAMPS_UNKNOWN);
    else if (written->state == STAMPS_KNOWN && holds) AddStamp(written, subkeyName, &lastWrite);
    return rowWritten;
}

// The held keys from Software down to the product key, each opened relative to the one
// above, none of them a link, each with only the rights the save uses there.
struct HeldPath {
    HKEY software;
    HKEY company;
    HKEY product;
};

static void ReleasePath(HeldPath* path)
{
    if (path->product) RegCloseKey(path->product);
    if (path->company) RegCloseKey(path->company);
    if (path->software) RegCloseKey(path->software);
}

static bool HoldPath(HeldPath* path)
{
    path->software = path->company = path->product = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_QUERY_VALUE, &path->software) != ERROR_SUCCESS) {
        path->software = NULL;
        return false;
    }
    if (!OpenPlainKey(path->software, COMPANY_KEY_NAME, KEY_QUERY_VALUE, &path->company)) {
        path->company = NULL;
        return false;
    }
    if (!OpenPlainKey(path->company, PRODUCT_KEY_NAME, KEY_CREATE_SUB_KEY, &path->product)) {
        path->product = NULL;
        return false;
    }
    return true;
}

// How a look at the store came out.
enum Look {
    LOOK_SAME,
    LOOK_CHANGED,
    LOOK_UNKNOWN,  // a read failed: whether another writer was at work cannot be told
    LOOK_FAILED,   // a key could not be made, written or renamed
};

// What the last save left behind, for the program to say.
static bool g_storeTouched = false;
static char g_leftAside[ASIDE_NAME_SIZE] = "";

// The stamps the save compares with, or NULL for none.
static const StampSet* BaseOf(SaveBase base)
{
    const StampSet* set = base == SAVE_OVER_LAST_READ ? &LastRead : base == SAVE_OVER_LAST_SEEN ? &LastSeen : NULL;
    // The administrator confirmed replacing a store that could not be read: nothing to compare.
    if (base == SAVE_OVER_LAST_SEEN && set->state == STAMPS_UNKNOWN) return NULL;
    return set != NULL && set->state != STAMPS_NEVER_READ ? set : NULL;
}

// Reads what Networks holds now into LastSeen, watched from before the read, for a save the
// administrator may confirm. A link is read through what it names; none is an empty list.
static void SeeStore(HKEY productKey)
{
    ClearStamps(&LastSeen, STAMPS_KNOWN);
    HKEY readKey;
    LONG status = RegOpenKeyExA(productKey, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) {
        LastSeen.state = STAMPS_UNKNOWN;
        return;
    }
    WatchStamps(&LastSeen, readKey);
    ReadStamps(readKey, &LastSeen);
    RegCloseKey(readKey);
}

// Compares Networks with `base`: the notification armed when the base was read, then the
// times. `oldKey` NULL: there is none.
static Look CompareWithBase(HKEY productKey, HKEY oldKey, bool link, const StampSet* base)
{
    if (base->state == STAMPS_UNKNOWN) {
        ClearStamps(&LastSeen, STAMPS_UNKNOWN);
        return LOOK_UNKNOWN;
    }
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    HKEY readKey = oldKey;
    if (oldKey != NULL && link && RegOpenKeyExA(productKey, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey) != ERROR_SUCCESS)
        readKey = NULL;
    if (readKey != NULL) ReadStamps(readKey, &now);
    if (readKey != NULL && readKey != oldKey) RegCloseKey(readKey);
    // A base of no list has no key to have watched: the times alone tell.
    bool fired = StampsWatchFired(base);
    Look look = now.state != STAMPS_KNOWN               ? LOOK_UNKNOWN
                : fired || !SameStamps(&now, base)       ? LOOK_CHANGED
                                                        : LOOK_SAME;
    ClearStamps(&now, STAMPS_NEVER_READ);
    if (look == LOOK_UNKNOWN) ClearStamps(&LastSeen, STAMPS_UNKNOWN);
    else if (look == LOOK_CHANGED) SeeStore(productKey);
    return look;
}

// Whether the new key holds exactly the keys written, none written since, and no values of
// its own.
static Look ReadBack(HKEY newKey, const StampSet* written)
{
    DWORD values = 1;
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    if (written->state != STAMPS_KNOWN || !ReadStamps(newKey, &now) ||
        RegQueryInfoKeyA(newKey, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
        ClearStamps(&now, STAMPS_NEVER_READ);
        return LOOK_UNKNOWN;
    }
    // Its own time is the key's, not a pair's: the rows alone are compared here.
    now.ownKnown = false;
    Look look = SameStamps(&now, written) && values == 0 ? LOOK_SAME : LOOK_CHANGED;
    ClearStamps(&now, STAMPS_NEVER_READ);
    return look;
}

static SaveOutcome OutcomeOf(Look look)
{
    switch (look) {
    case LOOK_SAME: return SAVE_DONE;
    case LOOK_CHANGED: return SAVE_STORE_CHANGED;
    case LOOK_UNKNOWN: return SAVE_UNCHECKED;
    default: return SAVE_FAILED;
    }
}

// Builds the rows in a key made now beside Networks, and reads them back. `written` gets
// their stamps. The key stays open in `newKey` when the look is LOOK_SAME.
static Look BuildAside(HKEY productKey, const PairRowText* rows, int rowCount, HKEY* newKey, StampSet* written,
                       FILE* diagnostics)
{
    // What an interrupted save left there is a half-built list of ours: it goes first.
    if (!RemoveAsideKey(productKey, BUILDING_KEY_NAME, diagnostics)) return LOOK_FAILED;
    // The new key must be new: anything there now is not this save's to fill.
    if (!CreateNewKey(productKey, BUILDING_KEY_NAME, NETWORKS_SWAP_ACCESS | KEY_NOTIFY, newKey)) return LOOK_FAILED;
    bool allWritten = true;
    for (int row = 0; row < rowCount && allWritten; ++row)
        allWritten = WritePair(*newKey, row, &rows[row], written);
    SortStamps(written);
    Look look = allWritten ? ReadBack(*newKey, written) : LOOK_FAILED;
    // A writer in the key being built is another's change to what this save would store.
    if (look == LOOK_UNKNOWN) look = LOOK_FAILED;
    if (look != LOOK_SAME) {
        RemoveOpenTree(*newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, diagnostics);
        RegCloseKey(*newKey);
        *newKey = NULL;
    }
    return look;
}

// Swaps the new list in: Networks aside under `asideName`, the new key to Networks. When
// that fails, the old list is put back and the new one removed: LOOK_CHANGED when another
// writer made a Networks in between, LOOK_FAILED when a rename was refused.
static Look SwapIn(HKEY productKey, HKEY oldKey, HKEY newKey, const char* asideName, FILE* diagnostics)
{
    bool asideDone = oldKey == NULL || RenameOpenKey(oldKey, asideName);
    if (asideDone && RenameOpenKey(newKey, NETWORKS_KEY_NAME)) return LOOK_SAME;
    if (oldKey != NULL && asideDone && !RenameOpenKey(oldKey, NETWORKS_KEY_NAME)) {
        // The name was taken meanwhile: the old list stays aside, under the name it has.
        g_storeTouched = true;
        snprintf(g_leftAside, sizeof g_leftAside, "%s", asideName);
    }
    RemoveOpenTree(newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, diagnostics);
    // An old list deleted under our handle was another writer's doing.
    if (!asideDone) return RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
                                   ERROR_KEY_DELETED
                               ? LOOK_CHANGED
                               : LOOK_FAILED;
    HKEY now;
    if (RegOpenKeyExA(productKey, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &now) != ERROR_SUCCESS)
        return LOOK_FAILED;
    RegCloseKey(now);
    return LOOK_CHANGED;
}

// The save proper, with the path held.
static SaveOutcome ReplacePairList(const PairRowText* rows, int rowCount, const SaveRequest* request)
{
    HeldPath path;
    if (!HoldPath(&path)) {
        ReleasePath(&path);
        return SAVE_FAILED;
    }
    const StampSet* base = BaseOf(request->base);
    HKEY oldKey = NULL;
    LONG status = RegOpenKeyExA(path.product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, NETWORKS_SWAP_ACCESS, &oldKey);
    Look look = LOOK_SAME;
    if (status == ERROR_FILE_NOT_FOUND) {
        if (request->diagnostics) fprintf(request->diagnostics, "Key not found.\n");
        oldKey = NULL;
    } else if (status != ERROR_SUCCESS) {
        // Not ours to replace: refused before anything is written.
        if (request->diagnostics) fprintf(request->diagnostics, "Error opening key.\n");
        oldKey = NULL;
        look = LOOK_FAILED;
    }
    bool link = oldKey != NULL && OpenKeyMayBeLink(oldKey);
    if (look == LOOK_SAME && base != NULL) look = CompareWithBase(path.product, oldKey, link, base);
    // Old lists that earlier saves could not remove are tried again; one that stays costs nothing.
    if (look == LOOK_SAME && RemoveHeldOldList(request->diagnostics, g_leftAside))
        RemoveReplacedLists(path.product, g_leftAside, request->diagnostics);
    HKEY newKey = NULL;
    StampSet written = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    DWORD buildStarted = GetTickCount();
    if (look == LOOK_SAME) look = BuildAside(path.product, rows, rowCount, &newKey, &written, request->diagnostics);
    DWORD buildMilliseconds = GetTickCount() - buildStarted;
    // The old list's name aside is found before the last look, so that the rename follows it.
    char asideName[ASIDE_NAME_SIZE] = "";
    if (look == LOOK_SAME && oldKey != NULL && !FreeReplacedName(path.product, asideName)) look = LOOK_FAILED;
    // Asked once more just before the swap: nothing of the old list was touched, so any
    // change there is another writer's.
    if (look == LOOK_SAME && base != NULL && StampsWatchFired(base)) {
        look = LOOK_CHANGED;
        SeeStore(path.product);
    }
    if (look != LOOK_SAME && newKey != NULL) {
        RemoveOpenTree(newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, request->diagnostics);
        RegCloseKey(newKey);
        newKey = NULL;
    }
    if (look == LOOK_SAME) {
        look = SwapIn(path.product, oldKey, newKey, asideName, request->diagnostics);
        if (look == LOOK_CHANGED) SeeStore(path.product);
    }
    if (look == LOOK_SAME) {
        g_storeTouched = true;
        // From now on the store is compared with what this save wrote, watched from here.
        WatchStamps(&written, newKey);
        written.ownKnown =
            RegQueryInfoKeyA(newKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &written.own) ==
            ERROR_SUCCESS;
        if (!written.ownKnown) ClearStamps(&written, STAMPS_UNKNOWN);
        MoveStamps(&LastRead, &written);
        // The old tree is held aside for its readers, and removed through that handle.
        DWORD oldKeys = 0;
        if (oldKey != NULL) {
            RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, &oldKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
            HoldOldListForReaders(oldKey, asideName, ReaderGrace(buildMilliseconds, rowCount, oldKeys));
            oldKey = NULL;
        }
        if (!request->retireLater) RemoveHeldOldList(request->diagnostics, g_leftAside);
    }
    ClearStamps(&written, STAMPS_NEVER_READ);
    if (newKey != NULL) RegCloseKey(newKey);
    if (oldKey != NULL) RegCloseKey(oldKey);
    ReleasePath(&path);
    return OutcomeOf(look);
}

// Takes the lock that our programs share, saying what keeps it; false when it is not held.
static bool TakeLock(HANDLE* mutex, const SaveRequest* request)
{
    SaveLockNote failure = SAVE_LOCK_UNAVAILABLE;
    *mutex = CreateMutexA(NULL, FALSE, STORE_MUTEX_NAME);
    if (*mutex == NULL) {
        if (GetLastError() == ERROR_INVALID_HANDLE) failure = SAVE_LOCK_NAME_TAKEN;
    } else {
        DWORD waited = WaitForSingleObject(*mutex, 0);
        if (waited == WAIT_TIMEOUT) {
            if (request->noteLock) request->noteLock(SAVE_LOCK_WAITING, request->context);
            waited = request->waitForLock ? request->waitForLock(*mutex, SAVE_LOCK_WAIT_MS, request->context)
                                          : WaitForSingleObject(*mutex, SAVE_LOCK_WAIT_MS);
        }
        // An abandoned lock is ours now; the compare shows whatever its holder left.
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
        if (waited == WAIT_TIMEOUT) failure = SAVE_LOCK_TIMED_OUT;
    }
    if (request->noteLock) request->noteLock(failure, request->context);
    return false;
}

bool RetireOldLists(void)
{
    g_leftAside[0] = 0;
    // Its readers are waited for without the lock; it is removed under the lock.
    if (!WaitForOldListReaders()) return true;
    const SaveRequest quiet = {SAVE_OVER_ANYTHING, NULL, NULL, NULL, NULL, false};
    HANDLE mutex;
    bool locked = TakeLock(&mutex, &quiet);
    bool removed = RemoveHeldOldList(NULL, g_leftAside);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    return removed;
}

SaveOutcome SavePairListChecked(const PairRowText* rows, int rowCount, const SaveRequest* request)
{
    // Without the lock the compare and the read-back still guard the store: the save goes on.
    g_storeTouched = false;
    g_leftAside[0] = 0;
    HANDLE mutex;
    bool locked = TakeLock(&mutex, request);
    SaveOutcome outcome = ReplacePairList(rows, rowCount, request);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    // The product key must open with full access at the end of every save, as it always had to.
    HKEY productKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) != ERROR_SUCCESS)
        FatalSettingsError();
    RegCloseKey(productKey);
    return outcome;
}

bool SavePairList(const PairRowText* rows, int rowCount)
{
    SaveRequest request = {SAVE_OVER_ANYTHING, stdout, NULL, NULL, NULL, false};
    return SavePairListChecked(rows, rowCount, &request) == SAVE_DONE;
}

bool SaveTouchedStore(void)
{
    return g_storeTouched;
}

const char* SaveLeftOldListAside(void)
{
    return g_leftAside[0] != 0 ? g_leftAside : NULL;
}
