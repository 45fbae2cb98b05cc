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
#include "store/store_path.h"
#include "store/store_stamps.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"

// The byte count leaves out the NUL, as the repeater service's store always had it; the
// registry stores one after the text all the same.
static bool WriteText(HKEY key, const char* valueName, const char* text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text)) == ERROR_SUCCESS;
}

// Creates `name` below `parent` and accepts only a key that is new: anything already there
// (a link, another writer's key) is not this save's. A link is opened as itself, never
// followed. The status, ERROR_ALREADY_EXISTS for a key that was there.
static LONG CreateNewKey(HKEY parent, const char* name, REGSAM access, HKEY* key)
{
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_OPEN_LINK, access, NULL, key, &disposition);
    if (status != ERROR_SUCCESS || disposition == REG_CREATED_NEW_KEY) return status;
    RegCloseKey(*key);
    return ERROR_ALREADY_EXISTS;
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
    if (CreateNewKey(networksKey, subkeyName, KEY_SET_VALUE | KEY_QUERY_VALUE, &pairKey) != ERROR_SUCCESS) return false;
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


// How a look at the store came out.
enum Look {
    LOOK_SAME,
    LOOK_CHANGED,
    LOOK_UNKNOWN,  // a read failed: whether another writer was at work cannot be told
    LOOK_FAILED,   // a key could not be made, written or renamed
};

// One save's work, handed from step to step: what it compares with, and what it found and did.
struct SaveWork {
    const SaveRequest* request;
    HKEY product;
    HKEY networks;  // taken from the reading's path, or NULL
    bool networksIsLink;
    SaveResult* result;
};

// Notes what stopped the save, the first cause only; always LOOK_FAILED.
static Look Failed(SaveWork* work, StoreKey key, const char* keyName, LONG status)
{
    if (work->result->failure.trouble == STORE_FINE) ProblemFromStatus(&work->result->failure, key, status, keyName);
    return LOOK_FAILED;
}

// The newest write time of what a save wrote: the new Networks' own and its pair keys'.
static void NoteNewest(SaveResult* result, const StampSet* written)
{
    result->newestKnown = written->state == STAMPS_KNOWN && written->ownKnown;
    result->newest = written->own;
    for (DWORD i = 0; i < written->count; ++i)
        if (LaterTime(&written->stamps[i].lastWrite, &result->newest)) result->newest = written->stamps[i].lastWrite;
}

// Reads what Networks holds now into the result's next base, watched from before the read,
// for a save the administrator may confirm. A link is read through what it names; none is an
// empty list.
static void SeeStore(SaveWork* work)
{
    StampSet* seen = &work->result->next;
    ClearStamps(seen, STAMPS_KNOWN);
    HKEY readKey;
    LONG status = RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) {
        seen->state = STAMPS_UNKNOWN;
        return;
    }
    WatchStamps(seen, readKey);
    ReadStamps(readKey, seen, NULL);
    RegCloseKey(readKey);
}

// Compares Networks with `base`: the notification armed when the base was read, then the
// times. `oldKey` NULL: there is none.
static Look CompareWithBase(SaveWork* work, HKEY oldKey, bool link, const StampSet* base)
{
    if (base->state == STAMPS_UNKNOWN) {
        ClearStamps(&work->result->next, STAMPS_UNKNOWN);
        return LOOK_UNKNOWN;
    }
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    HKEY readKey = oldKey;
    if (oldKey != NULL && link && RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey) != ERROR_SUCCESS)
        readKey = NULL;
    if (readKey != NULL) ReadStamps(readKey, &now, NULL, base->changed != NULL);
    if (readKey != NULL && readKey != oldKey) RegCloseKey(readKey);
    // A base of no list has no key to have watched: the times alone tell.
    bool fired = StampsWatchFired(base);
    Look look = now.state != STAMPS_KNOWN               ? LOOK_UNKNOWN
                : fired || !SameStamps(&now, base)       ? LOOK_CHANGED
                                                        : LOOK_SAME;
    ClearStamps(&now, STAMPS_NEVER_READ);
    if (look == LOOK_UNKNOWN) ClearStamps(&work->result->next, STAMPS_UNKNOWN);
    else if (look == LOOK_CHANGED) SeeStore(work);
    return look;
}

// Whether the new key holds exactly the keys written, none written since, and no values of
// its own.
static Look ReadBack(HKEY newKey, const StampSet* written)
{
    DWORD values = 1;
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    if (written->state != STAMPS_KNOWN || !ReadStamps(newKey, &now, &values)) {
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
static Look BuildAside(SaveWork* work, const AsideNames* names, const PairRowText* rows, int rowCount, HKEY* newKey,
                       StampSet* written)
{
    HKEY productKey = work->product;
    RemovalNotes* notes = &work->result->notes;
    // What an interrupted save left there is a half-built list of ours: it goes first.
    if (names->building && !RemoveAsideKey(productKey, BUILDING_KEY_NAME, notes))
        return Failed(work, STORE_KEY_ASIDE, BUILDING_KEY_NAME, ERROR_ACCESS_DENIED);
    // The new key must be new: anything there now is not this save's to fill.
    LONG status = CreateNewKey(productKey, BUILDING_KEY_NAME, NETWORKS_SWAP_ACCESS | KEY_NOTIFY, newKey);
    if (status != ERROR_SUCCESS) return Failed(work, STORE_KEY_ASIDE, BUILDING_KEY_NAME, status);
    bool allWritten = true;
    for (int row = 0; row < rowCount && allWritten; ++row)
        allWritten = WritePair(*newKey, row, &rows[row], written);
    SortStamps(written);
    Look look = allWritten ? ReadBack(*newKey, written) : LOOK_FAILED;
    // A writer in the key being built is another's change to what this save would store.
    if (look != LOOK_SAME) Failed(work, STORE_KEY_ASIDE, BUILDING_KEY_NAME, ERROR_WRITE_FAULT);
    if (look == LOOK_UNKNOWN) look = LOOK_FAILED;
    if (look != LOOK_SAME) {
        RemoveOpenTree(*newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, notes);
        RegCloseKey(*newKey);
        *newKey = NULL;
    }
    return look;
}

// Swaps the new list in: Networks aside under `asideName`, the new key to Networks. When
// that fails, the old list is put back and the new one removed: LOOK_CHANGED when another
// writer made a Networks in between, LOOK_FAILED when a rename was refused.
static Look SwapIn(SaveWork* work, HKEY oldKey, HKEY newKey, const char* asideName)
{
    bool asideDone = oldKey == NULL || RenameOpenKey(oldKey, asideName);
    if (asideDone && RenameOpenKey(newKey, NETWORKS_KEY_NAME)) return LOOK_SAME;
    if (oldKey != NULL && asideDone && !RenameOpenKey(oldKey, NETWORKS_KEY_NAME)) {
        // The name was taken meanwhile: the old list stays aside, under the name it has.
        work->result->storeTouched = true;
        snprintf(work->result->leftAside, sizeof work->result->leftAside, "%s", asideName);
    }
    RemoveOpenTree(newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, &work->result->notes);
    // An old list deleted under our handle was another writer's doing.
    if (!asideDone) {
        if (RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) == ERROR_KEY_DELETED)
            return LOOK_CHANGED;
        return Failed(work, STORE_KEY_NETWORKS, NULL, ERROR_ACCESS_DENIED);
    }
    HKEY now;
    if (RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &now) != ERROR_SUCCESS)
        return Failed(work, STORE_KEY_ASIDE, BUILDING_KEY_NAME, ERROR_ACCESS_DENIED);
    RegCloseKey(now);
    return LOOK_CHANGED;
}

// The save proper, with the path held.
static Look ReplacePairList(SaveWork* work, const PairRowText* rows, int rowCount)
{
    const SaveRequest* request = work->request;
    SaveResult* result = work->result;
    const StampSet* base = request->base != NULL && request->base->state != STAMPS_NEVER_READ ? request->base : NULL;
    // The Networks a reading held for this save is the one it compared; else it is opened now.
    HKEY oldKey = work->networks;
    bool link = work->networksIsLink;
    LONG status = oldKey != NULL ? ERROR_SUCCESS
                                 : RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK,
                                                 NETWORKS_SWAP_ACCESS, &oldKey);
    if (work->networks == NULL && status == ERROR_SUCCESS) link = OpenKeyMayBeLink(oldKey);
    Look look = LOOK_SAME;
    if (status == ERROR_FILE_NOT_FOUND) {
        ++result->notes.keysNotFound;
        oldKey = NULL;
    } else if (status != ERROR_SUCCESS) {
        // Not ours to replace: refused before anything is written.
        ++result->notes.keysNotOpened;
        oldKey = NULL;
        look = Failed(work, STORE_KEY_NETWORKS, NULL, status);
    }
    if (look == LOOK_SAME && base != NULL) look = CompareWithBase(work, oldKey, link, base);
    // Old lists that earlier saves could not remove are tried again; one that stays costs nothing.
    AsideNames names;
    if (look == LOOK_SAME) {
        FindAsideNames(work->product, &names);
        RemoveReplacedLists(work->product, &names, result->leftAside, &result->notes);
    }
    HKEY newKey = NULL;
    StampSet written = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    DWORD buildStarted = GetTickCount();
    if (look == LOOK_SAME) look = BuildAside(work, &names, rows, rowCount, &newKey, &written);
    DWORD buildMilliseconds = GetTickCount() - buildStarted;
    // The old list's name aside is found before the last look, so that the rename follows it.
    char asideName[ASIDE_NAME_SIZE] = "";
    if (look == LOOK_SAME && oldKey != NULL && !FreeReplacedName(work->product, &names, asideName))
        look = Failed(work, STORE_KEY_ASIDE, REPLACED_KEY_NAME, ERROR_ALREADY_EXISTS);
    // Asked once more just before the swap: nothing of the old list was touched, so any
    // change there is another writer's.
    if (look == LOOK_SAME && base != NULL && StampsWatchFired(base)) {
        look = LOOK_CHANGED;
        SeeStore(work);
    }
    if (look != LOOK_SAME && newKey != NULL) {
        RemoveOpenTree(newKey, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, &result->notes);
        RegCloseKey(newKey);
        newKey = NULL;
    }
    if (look == LOOK_SAME) {
        look = SwapIn(work, oldKey, newKey, asideName);
        if (look == LOOK_CHANGED) SeeStore(work);
    }
    if (look == LOOK_SAME) {
        result->storeTouched = true;
        // From now on the store is compared with what this save wrote, watched from here.
        WatchStamps(&written, newKey);
        written.ownKnown =
            RegQueryInfoKeyA(newKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &written.own) ==
            ERROR_SUCCESS;
        if (!written.ownKnown) ClearStamps(&written, STAMPS_UNKNOWN);
        NoteNewest(result, &written);
        MoveStamps(&result->next, &written);
        // The old tree is held aside for its readers, and removed through that handle.
        DWORD oldKeys = 0;
        if (oldKey != NULL) {
            RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, &oldKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
            // A link's own key has no subkeys: it goes with its first delete.
            HoldOldListForReaders(&result->held, oldKey, link ? 0 : oldKeys, asideName,
                                  ReaderGrace(buildMilliseconds, rowCount, oldKeys, request->leastReaderGrace));
            oldKey = NULL;
        }
    }
    ClearStamps(&written, STAMPS_NEVER_READ);
    if (newKey != NULL) RegCloseKey(newKey);
    if (oldKey != NULL) RegCloseKey(oldKey);
    return look;
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

bool RetireOldList(HeldOldList* held, char left[ASIDE_NAME_SIZE], RemovalNotes* notes)
{
    left[0] = 0;
    // Its readers are waited for without the lock; it is removed under the lock.
    if (!WaitForOldListReaders(held)) return true;
    SaveRequest quiet;
    memset(&quiet, 0, sizeof quiet);
    HANDLE mutex;
    bool locked = TakeLock(&mutex, &quiet);
    bool removed = RemoveHeldOldList(held, notes, left);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    return removed;
}

SaveResult SavePairListOver(const PairRowText* rows, int rowCount, const SaveRequest* request)
{
    SaveResult result;
    memset(&result, 0, sizeof result);
    result.next.state = STAMPS_NEVER_READ;
    SaveWork work = {request, NULL, NULL, false, &result};
    StorePath walked;
    memset(&walked, 0, sizeof walked);
    // Without the lock the compare and the read-back still guard the store: the save goes on.
    HANDLE mutex;
    bool locked = TakeLock(&mutex, request);
    StorePath* path = request->path;
    if (path == NULL && HoldStorePath(PATH_TO_SAVE_MAKING, &walked, &result.failure, NULL)) path = &walked;
    Look look = LOOK_FAILED;
    if (path != NULL) {
        work.product = path->product;
        work.networks = path->networks;
        work.networksIsLink = path->networksIsLink;
        path->networks = NULL;
        look = ReplacePairList(&work, rows, rowCount);
    }
    result.outcome = OutcomeOf(look);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    // The product key must open with full access at the end of every save, as it always had
    // to; a path held for this save holds it so already.
    HKEY productKey;
    result.productKeyUsable =
        request->path != NULL ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) == ERROR_SUCCESS;
    if (result.productKeyUsable && request->path == NULL) RegCloseKey(productKey);
    ReleaseStorePath(&walked);
    return result;
}

void FreeSaveResult(SaveResult* result)
{
    FreeStamps(&result->next);
}
