// The pair keys' names and last write times, as a program read or wrote them.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "store/store_stamps.h"

static void DropWatch(StampSet* set)
{
    if (set->watched != NULL) RegCloseKey(set->watched);
    if (set->changed != NULL) CloseHandle(set->changed);
    set->watched = NULL;
    set->changed = NULL;
}

void ClearStamps(StampSet* set, StampState state)
{
    free(set->stamps);
    DropWatch(set);
    set->stamps = NULL;
    set->count = set->capacity = 0;
    set->ownKnown = false;
    set->state = state;
}

void ForgetStamps(StampSet* set)
{
    free(set->stamps);
    set->stamps = NULL;
    set->count = set->capacity = 0;
    set->ownKnown = false;
    set->state = STAMPS_UNKNOWN;
}

void FreeStamps(StampSet* set)
{
    ClearStamps(set, STAMPS_NEVER_READ);
}

void MoveStamps(StampSet* to, StampSet* from)
{
    ClearStamps(to, from->state);
    *to = *from;
    from->stamps = NULL;
    from->watched = NULL;
    from->changed = NULL;
    ClearStamps(from, STAMPS_NEVER_READ);
}

bool WatchStamps(StampSet* set, HKEY key)
{
    DropWatch(set);
    // A handle of our own to the same key, opened as itself: the caller's may close first.
    if (RegOpenKeyExA(key, "", REG_OPTION_OPEN_LINK, KEY_NOTIFY, &set->watched) != ERROR_SUCCESS) {
        set->watched = NULL;
        return false;
    }
    set->changed = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (set->changed == NULL ||
        RegNotifyChangeKeyValue(set->watched, TRUE,
                                REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY,
                                set->changed, TRUE) != ERROR_SUCCESS) {
        DropWatch(set);
        return false;
    }
    return true;
}

bool StampsWatchFired(const StampSet* set)
{
    // A wait that fails is not a quiet key.
    return set->changed != NULL && WaitForSingleObject(set->changed, 0) != WAIT_TIMEOUT;
}

// Names compare as the registry compares them, without regard to case.
static int CompareNames(const char* a, const char* b)
{
    for (size_t i = 0;; ++i) {
        int ca = toupper((unsigned char)a[i]), cb = toupper((unsigned char)b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

static int CompareStampNames(const void* left, const void* right)
{
    return CompareNames(((const KeyStamp*)left)->name, ((const KeyStamp*)right)->name);
}

bool SameTime(const FILETIME* a, const FILETIME* b)
{
    return a->dwHighDateTime == b->dwHighDateTime && a->dwLowDateTime == b->dwLowDateTime;
}

bool LaterTime(const FILETIME* a, const FILETIME* b)
{
    return a->dwHighDateTime != b->dwHighDateTime ? a->dwHighDateTime > b->dwHighDateTime
                                                  : a->dwLowDateTime > b->dwLowDateTime;
}

bool AddStamp(StampSet* set, const char* name, const FILETIME* lastWrite)
{
    if (set->count == set->capacity) {
        DWORD capacity = set->capacity < 16 ? 16 : set->capacity * 2;
        KeyStamp* grown = (KeyStamp*)realloc(set->stamps, capacity * sizeof(KeyStamp));
        if (grown == NULL) {
            ForgetStamps(set);
            return false;
        }
        set->stamps = grown;
        set->capacity = capacity;
    }
    KeyStamp* stamp = &set->stamps[set->count++];
    memset(stamp, 0, sizeof *stamp);
    strncpy(stamp->name, name, SUBKEY_NAME_SIZE - 1);
    stamp->lastWrite = *lastWrite;
    return true;
}

void SortStamps(StampSet* set)
{
    if (set->count > 1) qsort(set->stamps, set->count, sizeof(KeyStamp), CompareStampNames);
}

bool ReadStamps(HKEY networksKey, StampSet* set, DWORD* values, bool watchedBefore)
{
    // The notification stays: it was armed before this read.
    ForgetStamps(set);
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, values, NULL, NULL, NULL, &set->own) !=
        ERROR_SUCCESS)
        return false;
    KeyStamp* stamps = (KeyStamp*)calloc(subkeys > 0 ? subkeys : 1, sizeof(KeyStamp));
    bool read = stamps != NULL;
    for (DWORD index = 0; read && index < subkeys; ++index) {
        WCHAR name[SUBKEY_NAME_SIZE];
        DWORD nameLength = SUBKEY_NAME_SIZE;
        read = RegEnumKeyExW(networksKey, index, name, &nameLength, NULL, NULL, NULL, &stamps[index].lastWrite) ==
                   ERROR_SUCCESS &&
               nameLength < SUBKEY_NAME_SIZE;
        if (!read) break;
        name[nameLength] = 0;
        int length = WideCharToMultiByte(CP_ACP, 0, name, -1, stamps[index].name, SUBKEY_NAME_SIZE, NULL, NULL);
        if (length <= 0) stamps[index].name[0] = 0;
    }
    // The count was one look and the names another: a key added in between must show.
    WCHAR extra[SUBKEY_NAME_SIZE];
    DWORD extraLength = SUBKEY_NAME_SIZE;
    if (read && !watchedBefore &&
        RegEnumKeyExW(networksKey, subkeys, extra, &extraLength, NULL, NULL, NULL, NULL) != ERROR_NO_MORE_ITEMS)
        read = false;
    if (!read) {
        free(stamps);
        return false;
    }
    set->stamps = stamps;
    set->count = set->capacity = subkeys;
    set->ownKnown = true;
    set->state = STAMPS_KNOWN;
    SortStamps(set);
    return true;
}

bool SameStamps(const StampSet* a, const StampSet* b)
{
    if (a->state != STAMPS_KNOWN || b->state != STAMPS_KNOWN || a->count != b->count) return false;
    if (a->ownKnown != b->ownKnown || (a->ownKnown && !SameTime(&a->own, &b->own))) return false;
    for (DWORD i = 0; i < a->count; ++i)
        if (CompareNames(a->stamps[i].name, b->stamps[i].name) != 0 ||
            !SameTime(&a->stamps[i].lastWrite, &b->stamps[i].lastWrite))
            return false;
    return true;
}
