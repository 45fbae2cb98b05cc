// A reader that opened Networks just before the swap (the repeater service starting, a
// script, our own companion) still reads the old key after it. Removing that key's pairs
// under such a reader would show it part of a list, so the old list stays aside, whole, for
// a grace that covers a reader's pass over it. The grace is written on the list itself:
// every program's save then leaves the list alone until it ends, whichever program put it
// aside, and the first save after it removes it, unless a writer changed the list meanwhile.
#include "store/old_list_retirement.h"

#include <stdio.h>
#include <string.h>

#include "store/store_names.h"

// A reader of the registry reads thousands of pairs a second; a millisecond a pair covers
// one that is held up, and nobody waits for the grace but a later save.
#define READER_GRACE_PER_THOUSAND_MS 1000
#define READER_GRACE_MAX_MS 60000
#define MARK_SIZE 24
#define FILETIME_TICKS_PER_MS 10000ULL

DWORD ReaderGrace(DWORD oldKeys, DWORD fixed)
{
    if (fixed != READER_GRACE_BY_SIZE) return fixed;
    unsigned long long grace = READER_GRACE_MIN_MS + (unsigned long long)oldKeys * READER_GRACE_PER_THOUSAND_MS / 1000;
    return grace > READER_GRACE_MAX_MS ? READER_GRACE_MAX_MS : (DWORD)grace;
}

static unsigned long long Ticks(const FILETIME& time)
{
    return (unsigned long long)time.dwHighDateTime << 32 | time.dwLowDateTime;
}

static FILETIME FromTicks(unsigned long long ticks)
{
    FILETIME time = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    return time;
}

static void PutDword(BYTE* at, DWORD value)
{
    for (int i = 0; i < 4; ++i) at[i] = (BYTE)(value >> (8 * i));
}

static DWORD GetDword(const BYTE* at)
{
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}

// ERROR_SUCCESS with the mark, ERROR_FILE_NOT_FOUND for a key without one (or with a value of
// that name that is no mark of ours), or why it could not be read.
static LONG ReadMark(HKEY key, HoldMark* mark)
{
    BYTE data[MARK_SIZE];
    DWORD type = REG_NONE, size = sizeof data;
    LONG status = RegQueryValueExA(key, HOLD_MARK_VALUE_NAME, NULL, &type, data, &size);
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && (type != REG_BINARY || size != MARK_SIZE)))
        return ERROR_FILE_NOT_FOUND;
    if (status != ERROR_SUCCESS) return status;
    mark->heldAt = {GetDword(data), GetDword(data + 4)};
    mark->graceEnds = {GetDword(data + 8), GetDword(data + 12)};
    mark->keys = GetDword(data + 16);
    mark->values = GetDword(data + 20);
    return ERROR_SUCCESS;
}

static bool WriteMark(HKEY key, const HoldMark& mark)
{
    BYTE data[MARK_SIZE];
    PutDword(data, mark.heldAt.dwLowDateTime);
    PutDword(data + 4, mark.heldAt.dwHighDateTime);
    PutDword(data + 8, mark.graceEnds.dwLowDateTime);
    PutDword(data + 12, mark.graceEnds.dwHighDateTime);
    PutDword(data + 16, mark.keys);
    PutDword(data + 20, mark.values);
    return RegSetValueExA(key, HOLD_MARK_VALUE_NAME, 0, REG_BINARY, data, sizeof data) == ERROR_SUCCESS;
}

// Whether the list still holds what it held when it was put aside: as many pair keys, none
// written since, and no value but the mark added. A write within the clock tick of the
// mark's time is not seen.
static AsideListState SinceMarked(HKEY key, const HoldMark& mark, bool markStored)
{
    DWORD keys = 0, values = 0;
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &keys, NULL, NULL, &values, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
        return ASIDE_UNKNOWN;
    if (keys != mark.keys || values != mark.values + (markStored ? 1 : 0)) return ASIDE_CHANGED;
    for (DWORD index = 0; index < keys; ++index) {
        WCHAR name[SUBKEY_NAME_SIZE];
        DWORD length = SUBKEY_NAME_SIZE;
        FILETIME lastWrite;
        LONG status = RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, &lastWrite);
        if (status == ERROR_NO_MORE_ITEMS) return ASIDE_CHANGED;
        if (status != ERROR_SUCCESS) return ASIDE_UNKNOWN;
        if (Ticks(lastWrite) > Ticks(mark.heldAt)) return ASIDE_CHANGED;
    }
    return ASIDE_RETIRED;
}

AsideListState LookAtAsideList(HKEY key, const HeldOldList* held)
{
    HoldMark stored;
    LONG status = held != NULL ? ERROR_SUCCESS : ReadMark(key, &stored);
    if (status == ERROR_FILE_NOT_FOUND) return ASIDE_UNMARKED;
    if (status != ERROR_SUCCESS) return ASIDE_UNKNOWN;
    bool markStored = held != NULL ? held->marked : true;
    const HoldMark& mark = held != NULL ? held->mark : stored;
    // Its holder times the grace itself; another program by the mark. A grace that ends further
    // ahead than any grace lasts was written before the clock was set back: it has ended.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ends = Ticks(mark.graceEnds), at = Ticks(now);
    if (held == NULL && ends > at && ends - at <= READER_GRACE_MAX_MS * FILETIME_TICKS_PER_MS) return ASIDE_IN_GRACE;
    return SinceMarked(key, mark, markStored);
}

bool RemoveAsideList(HKEY key, const char* path, RemovalNotes* notes, bool leaf)
{
    if (!leaf) RegDeleteValueA(key, HOLD_MARK_VALUE_NAME);
    return RemoveOpenTree(key, path, notes, leaf);
}

void HoldOldListForReaders(HeldOldList* held, HKEY oldKey, DWORD keys, DWORD values, const char* name, DWORD grace)
{
    held->key = oldKey;
    snprintf(held->name, sizeof held->name, "%s", name);
    GetSystemTimeAsFileTime(&held->mark.heldAt);
    held->mark.graceEnds = FromTicks(Ticks(held->mark.heldAt) + grace * FILETIME_TICKS_PER_MS);
    held->mark.keys = keys;
    held->mark.values = values;
    held->since = GetTickCount();
    held->grace = grace;
    // Unmarked, it is still this program's to remove; another's save may take it for an
    // interrupted one's.
    held->marked = grace > 0 && WriteMark(oldKey, held->mark);
}

bool RemoveHeldOldList(HeldOldList* held, RemovalNotes* notes, char left[ASIDE_NAME_SIZE], char changed[ASIDE_NAME_SIZE])
{
    if (held->key == NULL) return true;
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, held->name);
    bool removed = false;
    AsideListState state = held->grace > 0 && held->mark.keys > 0 ? LookAtAsideList(held->key, held) : ASIDE_RETIRED;
    // One that another program's save removed meanwhile is gone all the same.
    if (RegQueryInfoKeyA(held->key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
        ERROR_KEY_DELETED)
        removed = true;
    else if (state == ASIDE_CHANGED)
        snprintf(changed, ASIDE_NAME_SIZE, "%s", held->name);
    else if (state != ASIDE_UNKNOWN)
        removed = RemoveAsideList(held->key, path, notes, held->mark.keys == 0);
    if (!removed && changed[0] == 0) snprintf(left, ASIDE_NAME_SIZE, "%s", held->name);
    RegCloseKey(held->key);
    memset(held, 0, sizeof *held);
    return removed;
}
