// The one walk from HKEY_LOCAL_MACHINE to the product key, level by level, each level
// opened below the one above as itself and held. Private to the store.
#pragma once

#include "store/store.h"

enum PathUse {
    // To read: a level that is a registry link is followed, as the repeater service follows
    // it, and said in `linkAt`.
    PATH_TO_READ,
    // To save: each level with the rights a save uses there; a link is refused.
    PATH_TO_SAVE,
    // The same, making the product key when it is missing, as the configurator's save makes
    // the path to Networks: a key it makes is new, never a link. "Corvane Software" is not
    // the store's to make.
    PATH_TO_SAVE_MAKING,
};

// What a save asks of the product key: to make, rename and remove its lists, and full
// access at its end, as the configurator always asked.
#define PRODUCT_SAVE_ACCESS KEY_ALL_ACCESS
// What a save asks of Networks: to read it, rename it aside and remove it; it is opened as
// itself, a link as a link.
#define NETWORKS_SWAP_ACCESS (KEY_READ | KEY_WRITE | DELETE)

// Holds the path. False, with the level and the cause in `problem`, when a level is missing,
// may not be opened as asked, or (to save) is a link. `linkAt`, when not NULL, gets the
// first level read through a link, or -1.
bool HoldStorePath(PathUse use, StorePath* path, StoreProblem* problem, int* linkAt);

// Names a level for a person and for the differences.
const char* StoreLevelName(StoreKey level);

// Sets `problem` for `level` from a failed open's status.
void ProblemFromStatus(StoreProblem* problem, StoreKey level, LONG status, const char* keyName);
