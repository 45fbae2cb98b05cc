// The console companion's report of an unusable store: on standard error, not in a box,
// naming the key and what to do, and an exit code of its own that a script can tell apart.
#include <stdio.h>
#include <stdlib.h>

#include "console/pairs_commands.h"
#include "resources/program_texts.h"
#include "store/store.h"
#include "store/store_names.h"

void FatalSettingsError(void)
{
    // Which open failed is not handed here; asking again only reads, and tells a missing
    // store from one this account may not change.
    HKEY networksKey;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_ALL_ACCESS, &networksKey);
    if (status == ERROR_SUCCESS) RegCloseKey(networksKey);
    fflush(stdout);
    if (status == ERROR_FILE_NOT_FOUND)
        fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_MISSING);
    else
        fprintf(stderr, TEXT_PAIRS_STORE_UNOPENABLE "\n", (long)(status == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : status));
    exit(PAIRS_STORE_UNUSABLE);
}
