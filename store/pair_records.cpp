// One pair key read into a record.
#include <stdio.h>
#include <string.h>

#include "store/pair_records.h"
#include "store/registry_values.h"
#include "store/store_names.h"

bool ReadPairRecord(HKEY networksKey, DWORD index, REGSAM access, NetworkPair* pair, FILETIME* lastWrite)
{
    memset(pair, 0, sizeof *pair);
    memset(lastWrite, 0, sizeof *lastWrite);
    pair->subkeyNameLength = SUBKEY_NAME_SIZE;
    if (RegEnumKeyExA(networksKey, index, pair->subkeyName, &pair->subkeyNameLength, NULL, NULL, NULL, lastWrite) !=
        ERROR_SUCCESS) {
        // The record stays empty but still counts, so the page shows an empty row for it.
        memset(pair->subkeyName, 0, sizeof pair->subkeyName);
        return true;
    }
    // Opened below the Networks key rather than by its full path: the ANSI calls refuse
    // paths of more than 260 characters, and a subkey name alone may have 255.
    HKEY pairKey;
    if (RegOpenKeyExA(networksKey, pair->subkeyName, 0, access, &pairKey) != ERROR_SUCCESS) return false;
    ReadTextValue(pairKey, PairValueNames[PAIR_VALUE_SOURCE], pair->sourceAddress, ADDRESS_TEXT_SIZE);
    ReadTextValue(pairKey, PairValueNames[PAIR_VALUE_DESTINATION], pair->destinationAddress, ADDRESS_TEXT_SIZE);
    pair->direction = ReadNumberValue(pairKey, PairValueNames[PAIR_VALUE_DIRECTION]);
    pair->enabled = ReadNumberValue(pairKey, PairValueNames[PAIR_VALUE_ENABLED]);
    RegCloseKey(pairKey);
    return true;
}

