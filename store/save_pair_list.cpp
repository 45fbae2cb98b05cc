// The save on OK and Apply: the stored list becomes the rows, as subkeys "0", "1", ... It
// runs with an administrator's rights while other writers (the configurator elsewhere,
// reg.exe, Group Policy) may change the registry between any two of its calls, so it holds
// every key it works in and loses no one's work silently: the path is walked from Software
// one level at a time without following a link; the pair keys are compared with what this
// program last read, and each is removed only if it is one of those, unchanged; Networks is
// deleted as itself and made anew, and must be new; each row key is created below it and
// must be new; and what was written is read back.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/key_tree_removal.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"
#include "store/store_stamps.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"
// Enough to read a pair key's time and subkeys and to delete it; links are opened as links.
#define PAIR_REMOVAL_ACCESS (KEY_READ | DELETE)

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
// (Reading the four values back would cost more than the whole rest of the save under Wine.)
// False when the row is not all there as written.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row, StampSet* written)
{
    char subkeyName[SUBKEY_NAME_TEXT_SIZE];
    snprintf(subkeyName, sizeof subkeyName, PAIR_KEY_NAME_BY_NUMBER, number);
    HKEY pairKey;
    if (!CreateNewKey(networksKey, subkeyName, KEY_SET_VALUE | KEY_QUERY_VALUE, &pairKey)) return false;
    const char* texts[PAIR_VALUE_COUNT];
    PairValueTexts(row, texts);
    // Every value is tried, also after one failed: the store keeps as much of the row as it can.
    bool rowWritten = true;
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which)
        rowWritten = WriteText(pairKey, PairValueNames[which], texts[which]) && rowWritten;
    FILETIME lastWrite;
    DWORD subkeys = 1, values = 0;
    bool stamped = RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                                    &lastWrite) == ERROR_SUCCESS;
    bool holds = stamped && subkeys == 0 && values == PAIR_VALUE_COUNT;
    RegCloseKey(pairKey);
    // A row with more than was written, though every write succeeded, was changed by someone
    // else: it is not stamped, so the read-back sees a key this save does not know.
    if (!stamped) ClearStamps(written, STAMPS_UNKNOWN);
    else if (written->state == STAMPS_KNOWN && (holds || !rowWritten)) AddStamp(written, subkeyName, &lastWrite);
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
    LOOK_FAILED,   // a key could not be opened or removed
};

// Compares the Networks key's pair keys with `base`, and keeps what it saw in LastSeen for
// a save the administrator may confirm. `networksKey` NULL: there is none.
static Look CompareWithBase(HKEY networksKey, const StampSet* base, WideKeyName** wideNames)
{
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0};
    if (networksKey != NULL) ReadStamps(networksKey, &now, wideNames);
    Look look = now.state != STAMPS_KNOWN ? LOOK_UNKNOWN : SameStamps(&now, base) ? LOOK_SAME : LOOK_CHANGED;
    if (look != LOOK_SAME) MoveStamps(&LastSeen, &now);
    ClearStamps(&now, STAMPS_NEVER_READ);
    return look;
}

// Removes one pair key through the handle it was checked by, when it is one that `base`
// holds, unchanged; any other stops the save. A key that nested keys below it is emptied
// first, links as links. The key is named as the registry keeps its name, in UTF-16: a name
// that the code page cannot hold would open nothing, or another key, by its ANSI name.
static Look RemoveComparedPair(HKEY networksKey, const WCHAR* wideName, const StampSet* base, FILE* diagnostics)
{
    HKEY pairKey;
    LONG status = RegOpenKeyExW(networksKey, wideName, REG_OPTION_OPEN_LINK, PAIR_REMOVAL_ACCESS, &pairKey);
    if (status == ERROR_FILE_NOT_FOUND) return LOOK_CHANGED;  // gone since it was listed: not our doing
    if (status != ERROR_SUCCESS) {
        if (diagnostics) fprintf(diagnostics, "Error opening key.\n");
        return LOOK_FAILED;
    }
    // The name as the ANSI calls gave it to the load, for the stamps and the path.
    char name[SUBKEY_NAME_SIZE * 2];
    int length = WideCharToMultiByte(CP_ACP, 0, wideName, -1, name, sizeof name, NULL, NULL);
    if (length <= 0) name[0] = 0;
    Look look = LOOK_SAME;
    if (base != NULL) {
        FILETIME lastWrite;
        const KeyStamp* stamp = FindStamp(base, name);
        if (RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &lastWrite) !=
            ERROR_SUCCESS)
            look = LOOK_UNKNOWN;
        else if (stamp == NULL || !SameTime(&stamp->lastWrite, &lastWrite))
            look = LOOK_CHANGED;
    }
    if (look == LOOK_SAME) {
        char treePath[KEY_TREE_PATH_SIZE];
        BoundedCopy(treePath, NETWORKS_KEY_PATH "\\");
        size_t pathLength = strlen(treePath);
        if (pathLength + strlen(name) < KEY_TREE_PATH_SIZE) memcpy(treePath + pathLength, name, strlen(name) + 1);
        bool removed = DeleteOpenKey(pairKey) || (RemoveSubkeysOf(pairKey, treePath, diagnostics) && DeleteOpenKey(pairKey));
        if (!removed) look = LOOK_FAILED;
    }
    RegCloseKey(pairKey);
    return look;
}

// Empties the held Networks key of its subkeys, always the first that remains. With a
// base, only those of the base go, each unchanged, and every one of them must have been
// met. Values on Networks go with the key itself.
static Look EmptyNetworks(HKEY networksKey, const StampSet* base, FILE* diagnostics)
{
    WCHAR previous[SUBKEY_NAME_SIZE] = {0};
    DWORD removed = 0;
    for (;;) {
        WCHAR name[SUBKEY_NAME_SIZE];
        DWORD nameLength = SUBKEY_NAME_SIZE;
        LONG status = RegEnumKeyExW(networksKey, 0, name, &nameLength, NULL, NULL, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || nameLength >= SUBKEY_NAME_SIZE) return LOOK_FAILED;
        name[nameLength] = 0;
        // A key that a successful removal left in place would be handed to us forever.
        if (memcmp(name, previous, (nameLength + 1) * sizeof(WCHAR)) == 0) return LOOK_FAILED;
        Look look = RemoveComparedPair(networksKey, name, base, diagnostics);
        if (look == LOOK_UNKNOWN && removed > 0) look = LOOK_FAILED;
        if (look != LOOK_SAME) return look;
        memcpy(previous, name, (nameLength + 1) * sizeof(WCHAR));
        ++removed;
    }
    // A compared key that is gone was deleted by someone else.
    return base == NULL || removed == base->count ? LOOK_SAME : LOOK_CHANGED;
}

// Removes the pair keys the compare listed, each through the handle it is checked by. A key
// added since stays, and keeps Networks from being deleted.
static Look EmptyComparedNetworks(HKEY networksKey, const WideKeyName* names, DWORD count, const StampSet* base,
                                  FILE* diagnostics)
{
    for (DWORD index = 0; index < count; ++index) {
        Look look = RemoveComparedPair(networksKey, names[index], base, diagnostics);
        // "Could not tell" means nothing was done; once a key is gone, it is a failure.
        if (look == LOOK_UNKNOWN && index > 0) look = LOOK_FAILED;
        if (look != LOOK_SAME) return look;
    }
    return LOOK_SAME;
}

// The stamps the save compares with, or NULL for none.
static const StampSet* BaseOf(SaveBase base)
{
    const StampSet* set = base == SAVE_OVER_LAST_READ ? &LastRead : base == SAVE_OVER_LAST_SEEN ? &LastSeen : NULL;
    // The administrator confirmed replacing a store that could not be read: nothing to compare.
    if (base == SAVE_OVER_LAST_SEEN && set->state == STAMPS_UNKNOWN) return NULL;
    return set != NULL && set->state != STAMPS_NEVER_READ ? set : NULL;
}

// Compares the old Networks key and removes it. `oldKey` is Networks as itself (perhaps a
// link), or NULL when there is none. A link is compared through what it names, and
// deleted as the link.
static Look RemoveOldNetworks(HKEY productKey, HKEY oldKey, const StampSet* base, FILE* diagnostics)
{
    bool link = oldKey != NULL && OpenKeyMayBeLink(oldKey);
    if (base != NULL && base->state == STAMPS_UNKNOWN) {
        ClearStamps(&LastSeen, STAMPS_UNKNOWN);
        return LOOK_UNKNOWN;
    }
    // The keys the compare listed, by their names as the registry keeps them: the removal
    // takes exactly these, and needs no second walk.
    WideKeyName* compared = NULL;
    if (base != NULL) {
        HKEY readKey = oldKey;
        if (link && RegOpenKeyExA(productKey, NETWORKS_KEY_NAME, 0, KEY_READ, &readKey) != ERROR_SUCCESS)
            readKey = NULL;  // a link to nothing lists nothing
        Look look = CompareWithBase(readKey, base, link ? NULL : &compared);
        if (link && readKey != NULL) RegCloseKey(readKey);
        if (look != LOOK_SAME) {
            free(compared);
            return look;
        }
    }
    if (oldKey == NULL) return LOOK_SAME;
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, NETWORKS_KEY_PATH);
    // What a link holds below itself is nobody's list; the pairs it names stay where they are.
    Look emptied = link              ? (RemoveSubkeysOf(oldKey, treePath, diagnostics) ? LOOK_SAME : LOOK_FAILED)
                   : compared != NULL ? EmptyComparedNetworks(oldKey, compared, base->count, base, diagnostics)
                                      : EmptyNetworks(oldKey, base, diagnostics);
    free(compared);
    if (emptied == LOOK_CHANGED || emptied == LOOK_UNKNOWN) ReadStamps(oldKey, &LastSeen);
    if (emptied != LOOK_SAME) return emptied;
    if (DeleteOpenKey(oldKey)) return LOOK_SAME;
    // A key added since the walk keeps Networks in place.
    DWORD subkeys = 0;
    bool counted = RegQueryInfoKeyA(oldKey, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
                   ERROR_SUCCESS;
    if (counted && subkeys > 0) {
        ReadStamps(oldKey, &LastSeen);
        return LOOK_CHANGED;
    }
    return LOOK_FAILED;
}

// Whether the new Networks key holds exactly the keys written, none written since, and no
// values of its own.
static Look ReadBack(HKEY networksKey, const StampSet* written)
{
    DWORD values = 1;
    StampSet now = {STAMPS_KNOWN, NULL, 0, 0};
    if (written->state != STAMPS_KNOWN || !ReadStamps(networksKey, &now) ||
        RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS) {
        ClearStamps(&now, STAMPS_NEVER_READ);
        return LOOK_UNKNOWN;
    }
    Look look = SameStamps(&now, written) && values == 0 ? LOOK_SAME : LOOK_CHANGED;
    if (look == LOOK_CHANGED) MoveStamps(&LastSeen, &now);
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

// Writes the rows below a Networks key made now, reads them back, and remembers what was
// verified.
static SaveOutcome WriteNewList(HKEY productKey, const PairRowText* rows, int rowCount)
{
    HKEY networksKey;
    // Anything already there means another writer got there first: not ours to fill.
    if (!CreateNewKey(productKey, NETWORKS_KEY_NAME, KEY_READ | KEY_CREATE_SUB_KEY, &networksKey)) {
        ClearStamps(&LastRead, STAMPS_UNKNOWN);
        return SAVE_FAILED;
    }
    StampSet written = {STAMPS_KNOWN, NULL, 0, 0};
    bool allWritten = true;
    for (int row = 0; row < rowCount; ++row)
        if (!WritePair(networksKey, row, &rows[row], &written)) allWritten = false;
    SortStamps(&written);
    Look look = ReadBack(networksKey, &written);
    RegCloseKey(networksKey);
    // From now on the store is compared with what this save wrote, as far as it is known.
    if (look == LOOK_UNKNOWN) ClearStamps(&written, STAMPS_UNKNOWN);
    MoveStamps(&LastRead, &written);
    if (look == LOOK_CHANGED) return SAVE_STORE_CHANGED;
    return allWritten && look == LOOK_SAME ? SAVE_DONE : SAVE_FAILED;
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
    LONG status = RegOpenKeyExA(path.product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &oldKey);
    SaveOutcome outcome = SAVE_DONE;
    if (status == ERROR_FILE_NOT_FOUND) {
        if (request->diagnostics) fprintf(request->diagnostics, "Key not found.\n");
        oldKey = NULL;
    } else if (status != ERROR_SUCCESS) {
        if (request->diagnostics) fprintf(request->diagnostics, "Error opening key.\n");
        outcome = SAVE_FAILED;
        oldKey = NULL;
    }
    if (outcome == SAVE_DONE) outcome = OutcomeOf(RemoveOldNetworks(path.product, oldKey, base, request->diagnostics));
    if (oldKey != NULL) RegCloseKey(oldKey);
    if (outcome == SAVE_DONE) outcome = WriteNewList(path.product, rows, rowCount);
    ReleasePath(&path);
    return outcome;
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

SaveOutcome SavePairListChecked(const PairRowText* rows, int rowCount, const SaveRequest* request)
{
    // Without the lock the compare and the read-back still guard the store: the save goes on.
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
    SaveRequest request = {SAVE_OVER_ANYTHING, stdout, NULL, NULL, NULL};
    return SavePairListChecked(rows, rowCount, &request) == SAVE_DONE;
}
