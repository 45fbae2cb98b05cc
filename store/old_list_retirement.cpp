// A reader that opened Networks just before the swap (the repeater service starting, a
// script, our own companion) still reads the old key after it. Removing that key's pairs
// under such a reader would show it part of a list, so the old list stays aside, whole and
// held, for a grace that covers a reader's pass over it, and is removed after.
#include "store/old_list_retirement.h"

#include "store/store.h"
#include "store/store_names.h"

// A reader may be slower than the save that wrote the list, or be held up for a moment.
#define READER_GRACE_FACTOR 2
#define READER_GRACE_MAX_MS 60000

static DWORD g_graceFloor = READER_GRACE_MIN_MS;

static struct {
    HKEY key;
    char name[ASIDE_NAME_SIZE];
    DWORD since;
    DWORD grace;
} g_held = {NULL, "", 0, 0};

void SetReaderGraceFloor(DWORD milliseconds)
{
    g_graceFloor = milliseconds;
}

DWORD ReaderGrace(DWORD buildMilliseconds, int rowCount, DWORD oldKeys)
{
    // Per pair, a reader's pass costs less than the build's writes did.
    unsigned long long pass = (unsigned long long)buildMilliseconds * oldKeys / (rowCount > 0 ? (DWORD)rowCount : 1);
    unsigned long long grace = g_graceFloor + READER_GRACE_FACTOR * pass;
    return grace > READER_GRACE_MAX_MS ? READER_GRACE_MAX_MS : (DWORD)grace;
}

void HoldOldListForReaders(HKEY oldKey, const char* name, DWORD grace)
{
    g_held.key = oldKey;
    snprintf(g_held.name, sizeof g_held.name, "%s", name);
    g_held.since = GetTickCount();
    g_held.grace = grace;
}

bool WaitForOldListReaders(void)
{
    if (g_held.key == NULL) return false;
    DWORD elapsed = GetTickCount() - g_held.since;
    if (elapsed < g_held.grace) Sleep(g_held.grace - elapsed);
    return true;
}

bool RemoveHeldOldList(FILE* diagnostics, char left[ASIDE_NAME_SIZE])
{
    if (g_held.key == NULL) return true;
    WaitForOldListReaders();
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, g_held.name);
    // One that another program's save removed meanwhile is gone all the same.
    bool removed = RemoveOpenTree(g_held.key, path, diagnostics) ||
                   RegQueryInfoKeyA(g_held.key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
                       ERROR_KEY_DELETED;
    if (!removed) snprintf(left, ASIDE_NAME_SIZE, "%s", g_held.name);
    RegCloseKey(g_held.key);
    g_held.key = NULL;
    return removed;
}
