// The start-up load: every subkey of the Networks key becomes one record of the pair
// table, in the order in which the registry enumerates them.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "store/store.h"
#include "store/pair_records.h"
#include "store/store_stamps.h"
#include "store/store_names.h"

NetworkPair* PairTable = NULL;
DWORD PairTableCount = 0;

void LoadPairTable(void)
{
    // Full access although the load only reads: a process that may not write the store
    // is not allowed to go on and present it for editing.
    LoadPairTableWithAccess(KEY_ALL_ACCESS);
}

void LoadPairTableWithAccess(REGSAM access)
{
    HKEY networksKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, access, &networksKey) != ERROR_SUCCESS)
        FatalSettingsError();

    // Armed before the first read: whatever changes below Networks from here on is another
    // writer's, and the save finds it out even when it moved no time.
    StampSet read = {STAMPS_KNOWN, NULL, 0, 0, {0, 0}, false, NULL, NULL};
    WatchStamps(&read, networksKey);

    PairTableCount = 0;
    DWORD subkeyCount = 0;
    bool counted = RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeyCount, NULL, NULL, NULL, NULL, NULL, NULL,
                                    &read.own) == ERROR_SUCCESS;
    read.ownKnown = counted;
    if (counted) PairTableCount = subkeyCount;

    if (PairTableCount > 0) {
        NetworkPair* grown = NULL;
        size_t records = PairTableCount;  // a 32-bit count can overflow a 32-bit size
        if (records <= SIZE_MAX / sizeof(NetworkPair))
            grown = (NetworkPair*)realloc(PairTable, records * sizeof(NetworkPair));
        if (grown == NULL) {
            RegCloseKey(networksKey);
            ClearStamps(&read, STAMPS_NEVER_READ);
            FatalSettingsError();
        }
        PairTable = grown;
        memset(PairTable, 0, PairTableCount * sizeof(NetworkPair));
    }
    // Each pair key's name and last write time, kept to notice another writer before a
    // save. A count or a name that could not be read leaves the store unknown, not empty.
    if (!counted) ClearStamps(&read, STAMPS_UNKNOWN);
    for (DWORD index = 0; index < PairTableCount; ++index) {
        FILETIME lastWrite;
        if (!ReadPairRecord(networksKey, index, access, &PairTable[index], &lastWrite)) {
            RegCloseKey(networksKey);
            ClearStamps(&read, STAMPS_NEVER_READ);
            FatalSettingsError();
        }
        if (PairTable[index].subkeyName[0] == 0) ClearStamps(&read, STAMPS_UNKNOWN);
        if (read.state == STAMPS_KNOWN) AddStamp(&read, PairTable[index].subkeyName, &lastWrite);
    }
    RegCloseKey(networksKey);
    SortStamps(&read);
    MoveStamps(&LastRead, &read);
}

void ResetPairTable(void)
{
    free(PairTable);
    PairTable = NULL;
    PairTableCount = 0;
    ClearStamps(&LastRead, STAMPS_NEVER_READ);
    ClearStamps(&LastSeen, STAMPS_NEVER_READ);
}
