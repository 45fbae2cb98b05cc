// The save on OK and Apply: the stored list becomes the rows, as subkeys "0", "1", ... It
// runs with an administrator's rights and another process may change the registry between
// any two of its calls, so it holds every key it works in: the path is walked from
// Software one level at a time without following a link, Networks is kept and emptied
// through its own handle, and each row key is created so that a link in its place is
// opened as the link and refused, never followed. Nothing outside Networks is written.
#include <stdio.h>
#include <string.h>

#include "store/key_tree_removal.h"
#include "store/pair_records.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"
#define VALUE_NAME_CAPACITY 256
// Our two programs take turns at comparing and saving; the name is shared by both.
#define STORE_MUTEX_NAME "Global\\Corvane mDNS pair list"
#define STORE_MUTEX_WAIT_MS 30000

// The byte count leaves out the NUL, as the repeater service's store always had it; the
// registry stores one after the text all the same.
static bool WriteText(HKEY key, const char* valueName, const char* text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text)) == ERROR_SUCCESS;
}

// Creates `name` below `parent`. A link in its place is opened as the link itself, so the
// create can never reach what a link names. True, with `created` saying whether the key is
// new, when `key` holds a key of its own.
static bool CreateOwnKey(HKEY parent, const char* name, HKEY* key, bool* created)
{
    DWORD disposition = 0;
    if (RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, NULL, key, &disposition) !=
        ERROR_SUCCESS)
        return false;
    *created = disposition == REG_CREATED_NEW_KEY;
    if (*created || !OpenKeyMayBeLink(*key)) return true;
    RegCloseKey(*key);
    return false;
}

// Writes one row into its key. A key that was already there (left by a removal that could
// not finish, or put there by another writer) is written too, but what else it holds is
// not known: the row counts as not saved. A link there gets nothing.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row)
{
    char subkeyName[SUBKEY_NAME_TEXT_SIZE];
    snprintf(subkeyName, sizeof subkeyName, PAIR_KEY_NAME_BY_NUMBER, number);
    HKEY pairKey;
    bool created = false;
    if (!CreateOwnKey(networksKey, subkeyName, &pairKey, &created)) return false;
    // Every value is tried, also after one failed: the store keeps as much of the row as it can.
    bool written = WriteText(pairKey, VALUE_SOURCE, row->source);
    written = WriteText(pairKey, VALUE_DESTINATION, row->destination) && written;
    written = WriteText(pairKey, VALUE_DIRECTION, DIRECTION_WRITTEN) && written;
    written = WriteText(pairKey, VALUE_ENABLED, ENABLED_WRITTEN) && written;
    RegCloseKey(pairKey);
    return written && created;
}

// Deletes every value of the open key. False when one stays.
static bool RemoveValuesOf(HKEY key)
{
    char previous[VALUE_NAME_CAPACITY] = "";
    for (bool first = true;; first = false) {
        char name[VALUE_NAME_CAPACITY];
        DWORD nameLength = sizeof name;
        LONG status = RegEnumValueA(key, 0, name, &nameLength, NULL, NULL, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS) return true;
        if (status != ERROR_SUCCESS || nameLength >= sizeof name) return false;
        name[nameLength] = 0;
        // A name that does not survive the code page cannot be deleted by it; it would come back forever.
        if (!first && strcmp(name, previous) == 0) return false;
        if (RegDeleteValueA(key, name) != ERROR_SUCCESS) return false;
        memcpy(previous, name, nameLength + 1);
    }
}

// The held keys from Software down to the product key, each opened relative to the one
// above and none of them a link.
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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_READ, &path->software) != ERROR_SUCCESS) {
        path->software = NULL;
        return false;
    }
    if (!OpenPlainKey(path->software, COMPANY_KEY_NAME, KEY_READ, &path->company)) {
        path->company = NULL;
        return false;
    }
    if (!OpenPlainKey(path->company, PRODUCT_KEY_NAME, KEY_ALL_ACCESS, &path->product)) {
        path->product = NULL;
        return false;
    }
    return true;
}

// Networks as a key of our own below the held product key: kept when it is one, made when
// it is missing, and when it is a link, the link is deleted as itself and a key made in its
// place. `fresh` is true when the key was made now, and so holds nothing.
static bool HoldNetworks(HKEY productKey, HKEY* networksKey, bool* fresh)
{
    DWORD disposition = 0;
    if (RegCreateKeyExA(productKey, NETWORKS_KEY_NAME, 0, NULL, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, NULL,
                        networksKey, &disposition) != ERROR_SUCCESS)
        return false;
    *fresh = disposition == REG_CREATED_NEW_KEY;
    if (*fresh || !OpenKeyMayBeLink(*networksKey)) return true;
    bool removed = DeleteOpenKey(*networksKey);
    RegCloseKey(*networksKey);
    if (!removed || !CreateOwnKey(productKey, NETWORKS_KEY_NAME, networksKey, fresh)) return false;
    if (*fresh) return true;
    // Another writer put a key there between the two calls: not ours to trust.
    RegCloseKey(*networksKey);
    return false;
}

// Empties the held Networks key of its values and its subkeys, through its own handle.
static bool EmptyNetworks(HKEY networksKey, FILE* diagnostics)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, NETWORKS_KEY_PATH);
    bool valuesGone = RemoveValuesOf(networksKey);
    bool subkeysGone = RemoveSubkeysOf(networksKey, treePath, diagnostics);
    // "No more" from an enumeration is taken on trust by neither walk: the key says itself.
    DWORD subkeys = 1, values = 1;
    bool counted = RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                                    NULL) == ERROR_SUCCESS;
    return valuesGone && subkeysGone && counted && subkeys == 0 && values == 0;
}

// Whether the store still is what this program last read or wrote. The Networks key is
// looked at through the held product key, and may be read through a link: reading changes
// nothing.
static bool StoreUnchanged(HKEY productKey)
{
    HKEY networksKey = NULL;
    if (RegOpenKeyExA(productKey, NETWORKS_KEY_NAME, 0, KEY_READ, &networksKey) != ERROR_SUCCESS) networksKey = NULL;
    bool remembered = false;
    bool unchanged = StoreMatchesRemembered(networksKey, &remembered);
    if (networksKey) RegCloseKey(networksKey);
    // Nothing was read before this save (a tool that only writes): nothing can be lost.
    return unchanged || !remembered;
}

// The save proper, with the path held. `compare`: first make sure that no other writer
// changed the store since this program last read or wrote it.
static SaveOutcome ReplacePairList(const PairRowText* rows, int rowCount, FILE* diagnostics, bool compare)
{
    HeldPath path;
    if (!HoldPath(&path)) {
        ReleasePath(&path);
        return SAVE_FAILED;
    }
    if (compare && !StoreUnchanged(path.product)) {
        ReleasePath(&path);
        return SAVE_STORE_CHANGED;
    }
    HKEY networksKey;
    bool fresh = false;
    if (!HoldNetworks(path.product, &networksKey, &fresh)) {
        ReleasePath(&path);
        return SAVE_FAILED;
    }
    // What the removal leaves behind still gets the rows written beside it, but the save
    // then says it failed.
    bool saved = fresh || EmptyNetworks(networksKey, diagnostics);
    for (int row = 0; row < rowCount; ++row)
        if (!WritePair(networksKey, row, &rows[row])) saved = false;
    // What the store holds now is this program's doing, also after a failure.
    RememberNetworks(networksKey);
    RegCloseKey(networksKey);
    ReleasePath(&path);
    return saved ? SAVE_DONE : SAVE_FAILED;
}

SaveOutcome SavePairListChecked(const PairRowText* rows, int rowCount, FILE* diagnostics, bool compare)
{
    // Our two programs never interleave their compare-and-save. A mutex that cannot be had
    // within the wait is no reason to lose the administrator's work: the compare still runs.
    HANDLE mutex = CreateMutexA(NULL, FALSE, STORE_MUTEX_NAME);
    DWORD waited = mutex != NULL ? WaitForSingleObject(mutex, STORE_MUTEX_WAIT_MS) : WAIT_TIMEOUT;
    bool locked = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    SaveOutcome outcome = ReplacePairList(rows, rowCount, diagnostics, compare);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    HKEY productKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) != ERROR_SUCCESS)
        FatalSettingsError();
    RegCloseKey(productKey);
    return outcome;
}

bool SavePairListReportingTo(const PairRowText* rows, int rowCount, FILE* diagnostics)
{
    return SavePairListChecked(rows, rowCount, diagnostics, false) == SAVE_DONE;
}

bool SavePairList(const PairRowText* rows, int rowCount)
{
    return SavePairListReportingTo(rows, rowCount, stdout);
}
