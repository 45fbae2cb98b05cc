// The start-up load: every subkey of the Networks key becomes one record of the pair
// table, in the order in which the registry enumerates them.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "store/store.h"
#include "store/pair_records.h"
#include "store/store_names.h"

NetworkPair* PairTable = NULL;
DWORD PairTableCount = 0;

void LoadPairTable(void)
{
    HKEY networksKey;
    // Full access although the load only reads: a process that may not write the store
    // is not allowed to go on and present it for editing.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_ALL_ACCESS, &networksKey) != ERROR_SUCCESS)
        FatalSettingsError();

    PairTableCount = 0;
    DWORD subkeyCount = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeyCount, NULL, NULL, NULL, NULL, NULL, NULL,
                         NULL) == ERROR_SUCCESS)
        PairTableCount = subkeyCount;

    if (PairTableCount > 0) {
        NetworkPair* grown = NULL;
        size_t records = PairTableCount;  // a 32-bit count can overflow a 32-bit size
        if (records <= SIZE_MAX / sizeof(NetworkPair))
            grown = (NetworkPair*)realloc(PairTable, records * sizeof(NetworkPair));
        if (grown == NULL) {
            RegCloseKey(networksKey);
            FatalSettingsError();
        }
        PairTable = grown;
        memset(PairTable, 0, PairTableCount * sizeof(NetworkPair));
    }
    // Each pair key's last write time, kept to notice another writer before a save.
    FILETIME* lastWrites = (FILETIME*)calloc(PairTableCount > 0 ? PairTableCount : 1, sizeof(FILETIME));
    for (DWORD index = 0; index < PairTableCount; ++index) {
        FILETIME unused;
        if (!ReadPairRecord(networksKey, index, &PairTable[index], lastWrites ? &lastWrites[index] : &unused)) {
            RegCloseKey(networksKey);
            FatalSettingsError();
        }
    }
    RegCloseKey(networksKey);
    if (lastWrites != NULL) RememberStore(PairTable, lastWrites, PairTableCount);
    else ForgetStore();
    free(lastWrites);
}

void ResetPairTable(void)
{
    free(PairTable);
    PairTable = NULL;
    PairTableCount = 0;
    ForgetStore();
}
