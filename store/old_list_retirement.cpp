// A reader that opened Networks just before the swap (the repeater service starting, a
// script, our own companion) still reads the old key after it. Removing that key's pairs
// under such a reader would show it part of a list, so the old list stays aside, whole and
// held, for a grace that covers a reader's pass over it, and is removed after.
#include "store/old_list_retirement.h"

#include <stdio.h>
#include <string.h>

#include "store/store_names.h"

// A reader may be slower than the save that wrote the list, or be held up for a moment.
#define READER_GRACE_FACTOR 2
#define READER_GRACE_MAX_MS 60000

DWORD ReaderGrace(DWORD buildMilliseconds, int rowCount, DWORD oldKeys, DWORD least)
{
    // Per pair, a reader's pass costs less than the build's writes did.
    unsigned long long pass = (unsigned long long)buildMilliseconds * oldKeys / (rowCount > 0 ? (DWORD)rowCount : 1);
    unsigned long long grace = least + READER_GRACE_FACTOR * pass;
    return grace > READER_GRACE_MAX_MS ? READER_GRACE_MAX_MS : (DWORD)grace;
}

void HoldOldListForReaders(HeldOldList* held, HKEY oldKey, DWORD keys, const char* name, DWORD grace)
{
    held->key = oldKey;
    held->keys = keys;
    snprintf(held->name, sizeof held->name, "%s", name);
    held->since = GetTickCount();
    held->grace = grace;
}

bool WaitForOldListReaders(const HeldOldList* held)
{
    if (held->key == NULL) return false;
    DWORD elapsed = GetTickCount() - held->since;
    if (elapsed < held->grace) Sleep(held->grace - elapsed);
    return true;
}

bool RemoveHeldOldList(HeldOldList* held, RemovalNotes* notes, char left[ASIDE_NAME_SIZE])
{
    if (held->key == NULL) return true;
    WaitForOldListReaders(held);
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, held->name);
    // One that another program's save removed meanwhile is gone all the same.
    bool removed = RemoveOpenTree(held->key, path, notes, held->keys == 0) ||
                   RegQueryInfoKeyA(held->key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
                       ERROR_KEY_DELETED;
    if (!removed) snprintf(left, ASIDE_NAME_SIZE, "%s", held->name);
    RegCloseKey(held->key);
    memset(held, 0, sizeof *held);
    return removed;
}
