// The save on OK and Apply: remove the stored list, write the rows as subkeys "0", "1", ...
#include <stdio.h>
#include <string.h>

#include "network_pair.h"
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
// Networks key, which spares the registry a walk down the full path for every row.
static bool WritePair(HKEY networksKey, int number, const PairRowText* row)
{
    char valueText[VALUE_TEXT_SIZE];
    memset(valueText, 0, sizeof valueText);
    snprintf(valueText, sizeof valueText, PAIR_KEY_NAME_BY_NUMBER, number);
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

bool SavePairList(const PairRowText* rows, int rowCount)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, NETWORKS_KEY_PATH);
    // A failed removal may leave old pairs beyond the new rows: the save goes on, but
    // reports that the store is not exactly the list.
    bool saved = RemoveKeyTree(HKEY_LOCAL_MACHINE, treePath);

    HKEY networksKey;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, &networksKey) == ERROR_SUCCESS) {
        int subkeyNumber = 0;
        for (int row = 0; row < rowCount; ++row) {
            if (!WritePair(networksKey, subkeyNumber, &rows[row])) saved = false;
            ++subkeyNumber;
        }
        RegCloseKey(networksKey);
    } else {
        saved = false;
    }

    HKEY productKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &productKey) != ERROR_SUCCESS)
        FatalSettingsError();
    RegCloseKey(productKey);
    return saved;
}
