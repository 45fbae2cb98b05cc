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
#include "store/save_lock.h"
#include "store/save_work.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"
#include "store/store_path.h"
#include "store/store_stamps.h"


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
    HKEY itself, readKey;
    LONG status = RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_READ, &itself);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) {
        seen->state = STAMPS_UNKNOWN;
        return;
    }
    // Watched as itself: through a link, the watch would cover the target's whole subtree,
    // which may hold the keys this save makes.
    WatchStamps(seen, itself);
    readKey = itself;
    if (OpenKeyMayBeLinkToRead(itself) && RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey) != ERROR_SUCCESS)
        readKey = NULL;
    if (readKey != NULL) ReadStamps(readKey, seen, NULL);
    else seen->state = STAMPS_UNKNOWN;
    if (readKey != NULL && readKey != itself) RegCloseKey(readKey);
    RegCloseKey(itself);
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
    const char* name = work->networksAside[0] ? work->networksAside : NETWORKS_KEY_NAME;
    if (oldKey != NULL && link && RegOpenKeyExA(work->product, name, 0, KEY_READ, &readKey) != ERROR_SUCCESS)
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

static SaveOutcome OutcomeOf(Look look)
{
    switch (look) {
    case LOOK_SAME: return SAVE_DONE;
    case LOOK_CHANGED: return SAVE_STORE_CHANGED;
    case LOOK_UNKNOWN: return SAVE_UNCHECKED;
    default: return SAVE_FAILED;
    }
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
    char building[KEY_TREE_PATH_SIZE];
    snprintf(building, sizeof building, "%s\\%s", PRODUCT_KEY_PATH, work->building);
    RemoveOpenTree(newKey, building, &work->result->notes);
    // An old list deleted under our handle was another writer's doing.
    if (!asideDone) {
        if (RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) == ERROR_KEY_DELETED)
            return LOOK_CHANGED;
        return Failed(work, STORE_KEY_NETWORKS, NULL, ERROR_ACCESS_DENIED);
    }
    HKEY now;
    if (RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &now) != ERROR_SUCCESS)
        return Failed(work, STORE_KEY_ASIDE, work->building, ERROR_ACCESS_DENIED);
    RegCloseKey(now);
    return LOOK_CHANGED;
}

// Networks as the save replaces it: the one a reading held for this save (the one it compared),
// or opened now as itself. None there is noted and is no failure; one that may not be opened
// to be replaced is refused before anything is written. Networks missing, the list an
// interrupted save put aside is the old list, where it is. The key a link at Networks names
// is left alone, even when it has one of the save's own names.
static Look TakeOldList(SaveWork* work, AsideNames* names, HKEY* oldKey, bool* link)
{
    *oldKey = work->networks;
    *link = work->networksIsLink;
    LONG status = ERROR_SUCCESS;
    if (*oldKey == NULL && work->networksAside[0] == 0) {
        status = RegOpenKeyExA(work->product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, NETWORKS_SWAP_ACCESS, oldKey);
        if (status == ERROR_SUCCESS) *link = OpenKeyMayBeLink(*oldKey);
        else *oldKey = NULL;
    }
    if (status == ERROR_FILE_NOT_FOUND &&
        OpenInterruptedList(work->product, names, NETWORKS_SWAP_ACCESS, oldKey, work->networksAside)) {
        *link = OpenKeyMayBeLink(*oldKey);
        status = ERROR_SUCCESS;
    }
    if (work->networksAside[0] != 0) {
        snprintf(work->result->recoveredFrom, sizeof work->result->recoveredFrom, "%s", work->networksAside);
        snprintf(names->kept, sizeof names->kept, "%s", work->networksAside);
    } else if (*oldKey != NULL && *link && !LinkTargetLastName(*oldKey, names->kept, sizeof names->kept)) {
        names->keepAll = true;
    }
    if (status == ERROR_SUCCESS) return LOOK_SAME;
    if (status == ERROR_FILE_NOT_FOUND) {
        ++work->result->notes.keysNotFound;
        return LOOK_SAME;
    }
    ++work->result->notes.keysNotOpened;
    return Failed(work, STORE_KEY_NETWORKS, NULL, status);
}

// After the swap: what this save wrote becomes the base of the next, watched from here, and the
// old tree is held aside for its readers (removed later through that handle). `oldKey` is the
// result's from here on.
static void KeepWhatTheSwapLeft(SaveWork* work, HKEY newKey, StampSet* written, HKEY oldKey, bool link,
                                const char* asideName)
{
    SaveResult* result = work->result;
    result->storeTouched = true;
    WatchStamps(written, newKey);
    written->ownKnown =
        RegQueryInfoKeyA(newKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &written->own) ==
        ERROR_SUCCESS;
    if (!written->ownKnown) ClearStamps(written, STAMPS_UNKNOWN);
    NoteNewest(result, written);
    MoveStamps(&result->next, written);
    if (oldKey == NULL) return;
    DWORD oldKeys = 0, oldValues = 0;
    RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, &oldKeys, NULL, NULL, &oldValues, NULL, NULL, NULL, NULL);
    // A link's own key has no subkeys, and its readers read what it names: it goes at once, as
    // does an empty list.
    if (link) oldKeys = 0;
    HoldOldListForReaders(&result->held, oldKey, oldKeys, oldValues, asideName,
                          oldKeys == 0 ? 0 : ReaderGrace(oldKeys, work->request->readerGrace));
}

// Whether a list an interrupted save left aside is to be kept: beside a Networks that holds
// no pairs (made again by a repair, say), it is the only copy of the list the service read.
static bool KeepInterruptedLists(SaveWork* work, HKEY oldKey, bool link)
{
    if (work->networksAside[0] != 0 || oldKey == NULL) return true;
    DWORD keys = 1;
    return !link && RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, &keys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
                        ERROR_SUCCESS && keys == 0;
}

// Builds the new list aside with the old keys' security: as the reading of this path found it,
// or read now.
static Look BuildWithTheOldSecurity(SaveWork* work, AsideNames* names, HKEY oldKey, bool link, const PairRowText* rows,
                                    int rowCount, HKEY* newKey, StampSet* written)
{
    ListSecurity read;
    memset(&read, 0, sizeof read);
    work->security = work->request->security;
    if (work->security == NULL || work->request->path == NULL) {
        ReadListSecurity(oldKey, link, &read);
        work->security = &read;
    }
    Look look = BuildAside(work, names, rows, rowCount, newKey, written);
    FreeListSecurity(&read);
    work->security = NULL;
    return look;
}

// The old list's name aside, found before the last look so that the rename follows it (a list
// an interrupted save put aside stays where it is); then that last look, just before the swap:
// nothing of the old list was touched, so any change there is another writer's.
static Look LookBeforeTheSwap(SaveWork* work, AsideNames* names, HKEY oldKey, const StampSet* base, Look look,
                              char asideName[ASIDE_NAME_SIZE])
{
    if (work->networksAside[0] != 0) snprintf(asideName, ASIDE_NAME_SIZE, "%s", work->networksAside);
    else if (look == LOOK_SAME && oldKey != NULL && !FreeReplacedName(work->product, names, asideName))
        look = Failed(work, STORE_KEY_ASIDE, REPLACED_KEY_NAME, ERROR_ALREADY_EXISTS);
    if (look == LOOK_SAME && base != NULL && StampsWatchFired(base)) {
        look = LOOK_CHANGED;
        SeeStore(work);
    }
    return look;
}

// The save proper, with the path held.
static Look ReplacePairList(SaveWork* work, const PairRowText* rows, int rowCount)
{
    SaveResult* result = work->result;
    const StampSet* base =
        work->request->base != NULL && work->request->base->state != STAMPS_NEVER_READ ? work->request->base : NULL;
    AsideNames names;
    FindAsideNames(work->product, &names);
    HKEY oldKey;
    bool link;
    Look look = TakeOldList(work, &names, &oldKey, &link);
    if (look == LOOK_SAME && base != NULL) look = CompareWithBase(work, oldKey, link, base);
    // Old lists that earlier saves left aside go once their readers' grace has ended; one that
    // stays costs nothing.
    if (look == LOOK_SAME)
        RemoveReplacedLists(work->product, &names, KeepInterruptedLists(work, oldKey, link), result->leftAside,
                            result->changedAside, &result->notes);
    HKEY newKey = NULL;
    StampSet written = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    if (look == LOOK_SAME) look = BuildWithTheOldSecurity(work, &names, oldKey, link, rows, rowCount, &newKey, &written);
    char asideName[ASIDE_NAME_SIZE] = "";
    look = LookBeforeTheSwap(work, &names, oldKey, base, look, asideName);
    char building[KEY_TREE_PATH_SIZE];
    snprintf(building, sizeof building, "%s\\%s", PRODUCT_KEY_PATH, work->building);
    if (look != LOOK_SAME && newKey != NULL) RemoveOpenTree(newKey, building, &result->notes);
    if (look == LOOK_SAME) {
        look = SwapIn(work, work->networksAside[0] != 0 ? NULL : oldKey, newKey, asideName);
        if (look == LOOK_CHANGED) SeeStore(work);
    }
    if (look == LOOK_SAME) {
        KeepWhatTheSwapLeft(work, newKey, &written, oldKey, link, asideName);
        oldKey = NULL;
    }
    ClearStamps(&written, STAMPS_NEVER_READ);
    if (newKey != NULL) RegCloseKey(newKey);
    if (oldKey != NULL) RegCloseKey(oldKey);
    return look;
}

SaveResult SavePairListOver(const PairRowText* rows, int rowCount, const SaveRequest* request)
{
    SaveResult result;
    memset(&result, 0, sizeof result);
    result.next.state = STAMPS_NEVER_READ;
    SaveWork work;
    memset(&work, 0, sizeof work);
    work.request = request;
    work.building = BUILDING_KEY_NAME;
    work.result = &result;
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
        snprintf(work.networksAside, sizeof work.networksAside, "%s", path->networksAside);
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
