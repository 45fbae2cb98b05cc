// The save on OK and Apply: remove the stored list, write the rows as subkeys "0", "1", ...
#include <stdio.h>

#include "store/store.h"
#include "store/registry_links.h"
#include "store/store_names.h"

#define SUBKEY_NAME_TEXT_SIZE 16  // "0" to "2147483647"

// The byte count leaves out the NUL, as the repeater service's store always had it.
static bool WriteText(HKEY key, const char* valueName, const char* text)
{
    return RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text)) ==
           ERROR_SUCCESS;
}

// Creates "Software\Corvane Software\mDNS\Networks\<number>" by its name below the open
// Networks key, which spares the registry a walk down the full path for every row. Where
// old keys may remain (`keysMayRemain`), a link in the row's place is left alone.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row, bool keysMayRemain)
{
    char subkeyName[SUBKEY_NAME_TEXT_SIZE];
    snprintf(subkeyName, sizeof subkeyName, PAIR_KEY_NAME_BY_NUMBER, number);
    if (keysMayRemain && KeyMayBeLink(networksKey, subkeyName)) return false;
    HKEY pairKey;
    // Without a key there is nothing to write the values into.
    if (RegCreateKeyA(networksKey, subkeyName, &pairKey) != ERROR_SUCCESS) return false;
    // Every value is tried, also after one failed: the store keeps as much of the row as it can.
    bool written = WriteText(pairKey, VALUE_SOURCE, row->source);
    written = WriteText(pairKey, VALUE_DESTINATION, row->destination) && written;
    written = WriteText(pairKey, VALUE_DIRECTION, DIRECTION_WRITTEN) && written;
    written = WriteText(pairKey, VALUE_ENABLED, ENABLED_WRITTEN) && written;
    RegCloseKey(pairKey);
    return written;
}

// Removes the stored list and writes the rows in its place. True only when the store then
// holds exactly the rows: the old tree was removed and every key and value was written.
static bool ReplacePairList(const PairRowText* rows, int rowCount, FILE* diagnostics)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, NETWORKS_KEY_PATH);
    bool removed = RemoveKeyTreeReportingTo(HKEY_LOCAL_MACHINE, treePath, diagnostics);
    // What a removal left behind, whatever it reported, still gets the rows written over
    // it, but never through a link that stayed: that would write outside the store.
    if (KeyMayBeLink(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH)) return false;

    HKEY networksKey;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        NULL, &networksKey, &disposition) != ERROR_SUCCESS)
        return false;
    // A Networks key that is already there was not removed, whatever the removal said.
    bool freshList = removed && disposition == REG_CREATED_NEW_KEY;
    bool saved = freshList;
    for (int row = 0; row < rowCount; ++row) {
        if (!WritePair(networksKey, row, &rows[row], !freshList)) saved = false;
    }
    RegCloseKey(networksKey);
    return saved;
}

bool SavePairListReportingTo(const PairRowText* rows, int rowCount, FILE* diagnostics)
{
    bool saved = ReplacePairList(rows, rowCount, diagnostics);
    HKEY productKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) != ERROR_SUCCESS)
        FatalSettingsError();
    RegCloseKey(productKey);
    return saved;
}

bool SavePairList(const PairRowText* rows, int rowCount)
{
    return SavePairListReportingTo(rows, rowCount, stdout);
}
