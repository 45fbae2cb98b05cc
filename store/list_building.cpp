// The new list, built in a key of its own beside Networks and read back before any swap, and
// what stops a save.
#include <stdio.h>
#include <string.h>

#include "store/save_work.h"
#include "store/store_names.h"
#include "store/store_path.h"
#include "store/store_stamps.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"

// Notes what stopped the save, the first cause only; always LOOK_FAILED.
Look Failed(SaveWork* work, StoreKey key, const char* keyName, LONG status)
{
    if (work->result->failure.trouble == STORE_FINE) ProblemFromStatus(&work->result->failure, key, status, keyName);
    return LOOK_FAILED;
}

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
// `security`: the DACL the old pair keys shared, which the new one is given; the first row
// finds out whether the new keys get it anyway, and clears it for the rest when they do.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row, StampSet* written,
                      const KeySecurity** security)
{
    char subkeyName[SUBKEY_NAME_TEXT_SIZE];
    snprintf(subkeyName, sizeof subkeyName, PAIR_KEY_NAME_BY_NUMBER, number);
    HKEY pairKey;
    REGSAM access = KEY_SET_VALUE | KEY_QUERY_VALUE | (*security != NULL ? READ_CONTROL | WRITE_DAC : 0);
    if (CreateNewKey(networksKey, subkeyName, access, &pairKey) != ERROR_SUCCESS) return false;
    if (*security != NULL) {
        KeySecurity given = {NULL, 0};
        bool read = number == 0 && ReadKeySecurity(pairKey, &given);
        bool same = read && SameKeySecurity(&given, *security);
        bool kept = same || KeepKeySecurity(pairKey, *security, read ? &given : NULL);
        FreeKeySecurity(&given);
        if (same) *security = NULL;
        if (!kept) {
            RegCloseKey(pairKey);
            return false;
        }
    }
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

Look BuildAside(SaveWork* work, AsideNames* names, const PairRowText* rows, int rowCount, HKEY* newKey,
                StampSet* written)
{
    HKEY productKey = work->product;
    RemovalNotes* notes = &work->result->notes;
    LONG status;
    if (!TakeBuildingName(productKey, names, notes, &work->building, &status))
        return Failed(work, STORE_KEY_ASIDE, work->building, status);
    if (strcmp(work->building, BUILDING_KEY_NAME) != 0)
        snprintf(work->result->builtIn, sizeof work->result->builtIn, "%s", work->building);
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, work->building);
    // The new key must be new: anything there now is not this save's to fill.
    status = CreateNewKey(productKey, work->building, NETWORKS_SWAP_ACCESS | KEY_NOTIFY | WRITE_DAC, newKey);
    if (status != ERROR_SUCCESS) return Failed(work, STORE_KEY_ASIDE, work->building, status);
    // The new Networks gets the old one's DACL, and the pair keys theirs, before anything is written.
    bool allWritten = KeepKeySecurity(*newKey, &work->security->networks, NULL);
    const KeySecurity* pairSecurity = work->security->pairs.size != 0 ? &work->security->pairs : NULL;
    for (int row = 0; row < rowCount && allWritten; ++row)
        allWritten = WritePair(*newKey, row, &rows[row], written, &pairSecurity);
    SortStamps(written);
    Look look = allWritten ? ReadBack(*newKey, written) : LOOK_FAILED;
    // A writer in the key being built is another's change to what this save would store.
    if (look != LOOK_SAME) Failed(work, STORE_KEY_ASIDE, work->building, ERROR_WRITE_FAULT);
    if (look == LOOK_UNKNOWN) look = LOOK_FAILED;
    if (look != LOOK_SAME) {
        RemoveOpenTree(*newKey, path, notes);
        RegCloseKey(*newKey);
        *newKey = NULL;
    }
    return look;
}
