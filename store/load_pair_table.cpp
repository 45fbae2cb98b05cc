// The start-up load: every subkey of the Networks key becomes one record of the pair table,
// in the order in which the registry enumerates them.
#include <stdlib.h>

#include "store/store.h"

NetworkPair* PairTable = NULL;
DWORD PairTableCount = 0;

void LoadPairTable(StoreReading* reading)
{
    if (!ReadStore(READ_TO_EDIT, reading)) {
        FreeStoreReading(reading);
        FatalSettingsError();
    }
    free(PairTable);
    PairTable = reading->pairs;
    PairTableCount = reading->pairCount;
    reading->pairs = NULL;
    ReleaseStorePath(&reading->path);
}
