// The save on OK and Apply: remove the stored list, write the rows as subkeys "0", "1", ...
#include <stdio.h>
#include <string.h>

#include "network_pair.h"
#include "registry_links.h"
#include "save_pair_list.h"
#include "store_names.h"

#define VALUE_TEXT_SIZE 256

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
    char valueText[VALUE_TEXT_SIZE];
    memset(valueText, 0, sizeof valueText);
    snprintf(valueText, sizeof valueText, PAIR_KEY_NAME_BY_NUMBER, number);
    if (keysMayRemain && KeyMayBeLink(networksKey, valueText)) return false;
    HKEY pairKey;
    // Without a key there is nothing to write the values into.
    if (RegCreateKeyA(networksKey, valueText, &pairKey) != ERROR_SUCCESS) return false;
    bool written = WriteText(pairKey, VALUE_SOURCE, row->source ? row->source : "");
    written = WriteText(pairKey, VALUE_DESTINATION, row->destination ? row->destination : "") && written;
    snprintf(valueText, sizeof valueText, "%s", DIRECTION_WRITTEN);
    written = WriteText(pairKey, VALUE_DIRECTION, valueText) && written;
    snprintf(valueText, sizeof valueText, "%s", ENABLED_WRITTEN);
    written = WriteText(pairKey, VALUE_ENABLED, valueText) && written;
    RegCloseKey(pairKey);
    return written;
}

// Removes the stored list and writes the rows in its place. True only when the store then
// holds exactly the rows: the old tree was removed and every key and value was written.
static bool ReplacePairList(const PairRowText* rows, int rowCount)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, NETWORKS_KEY_PATH);
    bool removed = RemoveKeyTree(HKEY_LOCAL_MACHINE, treePath);
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

bool SavePairList(const PairRowText* rows, int rowCount)
{
    bool saved = ReplacePairList(rows, rowCount);
    HKEY productKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) != ERROR_SUCCESS)
        FatalSettingsError();
    RegCloseKey(productKey);
    return saved;
}
