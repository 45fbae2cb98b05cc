// One reading of the store: the walk to Networks, and one enumeration of it through the
// Unicode calls that gives the records as the start-up load has them, the rows in the order
// of their key numbers, how the store differs from what a save leaves, each pair key's last
// write time and the newest, and a change notification armed before anything was read.
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "store/key_security.h"
#include "store/list_aside.h"
#include "store/pair_row_order.h"
#include "store/reading_beside_networks.h"
#include "store/pair_values.h"
#include "store/registry_links.h"
#include "store/store_names.h"
#include "store/store_path.h"
#include "store/store_stamps.h"

// What each purpose asks of Networks and its pair keys.
static REGSAM ListAccess(StoreReadPurpose purpose)
{
    return purpose == READ_TO_EDIT ? KEY_ALL_ACCESS : KEY_READ;
}

// The subkey's name in the code page, when it comes back from it as it went in (a name the
// code page cannot hold opens nothing, or another key, by its ANSI name) and fits a record.
static bool NameInCodePage(const WCHAR* wide, DWORD length, char* name, bool* fits)
{
    BOOL lost = FALSE;
    int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, (int)length, name, 2 * SUBKEY_NAME_SIZE - 1,
                                    NULL, &lost);
    name[count > 0 ? count : 0] = 0;
    *fits = count < SUBKEY_NAME_SIZE;
    WCHAR back[2 * SUBKEY_NAME_SIZE];
    int backLength = count > 0 ? MultiByteToWideChar(CP_ACP, 0, name, count, back, 2 * SUBKEY_NAME_SIZE) : 0;
    return !lost && backLength == (int)length && memcmp(back, wide, length * sizeof(WCHAR)) == 0;
}

// The record of a pair key that is a link, read through what it names, as the repeater
// service reads it.
static bool ReadThroughLink(HKEY networksKey, REGSAM access, StoreReading* reading, NetworkPair* pair)
{
    memset(pair->sourceAddress, 0, sizeof pair->sourceAddress);
    memset(pair->destinationAddress, 0, sizeof pair->destinationAddress);
    pair->direction = pair->enabled = 0;
    HKEY pairKey;
    LONG status = RegOpenKeyExA(networksKey, pair->subkeyName, 0, access, &pairKey);
    if (status != ERROR_SUCCESS) {
        ProblemFromStatus(&reading->problem, STORE_KEY_PAIR, status, pair->subkeyName);
        return false;
    }
    bool link = false;
    ReadPairValues(pairKey, pair, false, NULL, &link);
    RegCloseKey(pairKey);
    return true;
}

// The record's name, and the stamp and newest time its key's last write gives.
static void NoteName(StoreReading* reading, NetworkPair* pair, const char* name, const FILETIME& lastWrite)
{
    memcpy(pair->subkeyName, name, strlen(name) + 1);
    pair->subkeyNameLength = (DWORD)strlen(name);
    if (LaterTime(&lastWrite, &reading->newest)) reading->newest = lastWrite;
    if (reading->stamps.state == STAMPS_KNOWN) AddStamp(&reading->stamps, name, &lastWrite);
}

// One subkey of Networks into record `index`. A subkey that cannot be listed leaves the
// record empty and still counted; one that cannot be opened stops the reading.
static bool ReadPairKey(HKEY networksKey, DWORD index, REGSAM access, StoreReading* reading, DifferenceList* differences)
{
    NetworkPair* pair = &reading->pairs[index];
    WCHAR wideName[SUBKEY_NAME_SIZE];
    DWORD wideLength = SUBKEY_NAME_SIZE;
    FILETIME lastWrite = {0, 0};
    char name[2 * SUBKEY_NAME_SIZE];
    bool fits = false;
    LONG status = RegEnumKeyExW(networksKey, index, wideName, &wideLength, NULL, NULL, NULL, &lastWrite);
    bool named = status == ERROR_SUCCESS && wideLength < SUBKEY_NAME_SIZE;
    if (named && !NameInCodePage(wideName, wideLength, name, &fits)) {
        reading->problem.trouble = STORE_NAME_UNREADABLE;
        reading->problem.key = STORE_KEY_PAIR;
        snprintf(reading->problem.keyName, sizeof reading->problem.keyName, "%.*s", SUBKEY_NAME_SIZE - 1, name);
        return false;
    }
    if (!named || !fits) {
        AddDifference(differences, DIFFERS_NETWORKS_UNLISTABLE, "");
        ForgetStamps(&reading->stamps);
        reading->newestKnown = false;
        return true;
    }
    NoteName(reading, pair, name, lastWrite);
    // Opened as itself; a link is read through what it names, as the repeater service reads it.
    HKEY pairKey;
    status = RegOpenKeyExA(networksKey, name, REG_OPTION_OPEN_LINK, access, &pairKey);
    if (status != ERROR_SUCCESS) {
        ProblemFromStatus(&reading->problem, STORE_KEY_PAIR, status, name);
        return false;
    }
    DWORD number;
    bool rowName = RowNumberOf(name, reading->pairCount, &number);
    if (!rowName) AddDifference(differences, DIFFERS_FOREIGN_SUBKEY, name);
    bool link = false;
    DWORD before = differences->count;
    ReadPairValues(pairKey, pair, rowName, differences, &link);
    RegCloseKey(pairKey);
    if (!link) return true;
    // A link holds none of the save's values: it is no row's key, whatever it names.
    differences->count = before;
    if (rowName) AddDifference(differences, DIFFERS_ROW_MISSING, name);
    return ReadThroughLink(networksKey, access, reading, pair);
}

// Row numbers below the count that no key is named for (a key that is a link was noted
// where it was read).
static void NoteMissingRows(const StoreReading* reading, DifferenceList* differences)
{
    bool* named = (bool*)calloc(reading->pairCount > 0 ? reading->pairCount : 1, sizeof(bool));
    if (named == NULL) {
        differences->outOfMemory = true;
        return;
    }
    for (DWORD i = 0; i < reading->pairCount; ++i) {
        DWORD number;
        if (RowNumberOf(reading->pairs[i].subkeyName, reading->pairCount, &number)) named[number] = true;
    }
    for (DWORD number = 0; number < reading->pairCount; ++number) {
        char name[16];
        snprintf(name, sizeof name, PAIR_KEY_NAME_BY_NUMBER, (int)number);
        if (!named[number]) AddDifference(differences, DIFFERS_ROW_MISSING, name);
    }
    free(named);
}

// Enumerates Networks, open in `networksKey`, into the reading; `itself` is Networks opened
// as itself, which differs when it is a link.
static bool ReadNetworks(HKEY itself, HKEY networksKey, REGSAM access, StoreReading* reading,
                         DifferenceList* differences)
{
    // Armed before the first read, on a handle of the watch's own: whatever changes below
    // Networks from here on is another writer's, and a save finds it out even when it moved
    // no time. The key the save renames is never the handle watched. A link is watched as
    // itself: through it, the watch would cover what it names, which may hold the save's own
    // keys; what the link names is compared by its times.
    bool watched = WatchStamps(&reading->stamps, itself);
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                         &reading->newest) != ERROR_SUCCESS) {
        // The count stays 0: an empty table, but not a known empty list.
        AddDifference(differences, DIFFERS_NETWORKS_UNREADABLE, "");
        ForgetStamps(&reading->stamps);
        return true;
    }
    reading->stamps.own = reading->newest;
    reading->stamps.ownKnown = true;
    reading->newestKnown = true;
    if (values != 0) AddDifference(differences, DIFFERS_NETWORKS_VALUES, "");
    size_t records = subkeys;  // a 32-bit count can overflow a 32-bit size
    if (subkeys > 0) {
        reading->pairs = records <= SIZE_MAX / sizeof(NetworkPair) ? (NetworkPair*)calloc(records, sizeof(NetworkPair)) : NULL;
        if (reading->pairs == NULL) {
            reading->problem.trouble = STORE_OUT_OF_MEMORY;
            reading->problem.key = STORE_KEY_NETWORKS;
            return false;
        }
    }
    reading->pairCount = subkeys;
    for (DWORD index = 0; index < subkeys; ++index)
        if (!ReadPairKey(networksKey, index, access, reading, differences)) return false;
    // Unwatched, the count was one look and the names another: a key added between must show.
    WCHAR extra[SUBKEY_NAME_SIZE];
    DWORD extraLength = SUBKEY_NAME_SIZE;
    if (!watched && reading->stamps.state == STAMPS_KNOWN &&
        RegEnumKeyExW(networksKey, subkeys, extra, &extraLength, NULL, NULL, NULL, NULL) != ERROR_NO_MORE_ITEMS)
        ForgetStamps(&reading->stamps);
    SortStamps(&reading->stamps);
    NoteMissingRows(reading, differences);
    return true;
}

// Opens `name` below the product key: as itself with `access`, and for its content through
// a link, with `contentAccess`, when it is one. `content` may be `key`.
static LONG OpenNetworks(HKEY productKey, const char* name, REGSAM access, REGSAM contentAccess, HKEY* key,
                         HKEY* content, bool* link)
{
    *key = *content = NULL;
    *link = false;
    LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key);
    if (status != ERROR_SUCCESS) {
        *key = NULL;
        return status;
    }
    // The save asks again, twice, before it writes anything.
    *link = OpenKeyMayBeLinkToRead(*key);
    if (!*link) {
        *content = *key;
        return ERROR_SUCCESS;
    }
    status = RegOpenKeyExA(productKey, name, 0, contentAccess, content);
    if (status != ERROR_SUCCESS) *content = NULL;
    return status;
}

// Networks missing: the list the service last read, where a save interrupted between its two
// renames left it, is read in its place; the reading says where both lists are.
static LONG OpenInterrupted(StoreReading* reading, REGSAM access, REGSAM contentAccess, HKEY* key, HKEY* content,
                            bool* link)
{
    if (!FindInterruptedLists(reading, access)) return ERROR_FILE_NOT_FOUND;
    const char* oldList = reading->interrupted.oldList;
    LONG status = OpenNetworks(reading->path.product, oldList, access, contentAccess, key, content, link);
    if (status == ERROR_SUCCESS)
        snprintf(reading->path.networksAside, sizeof reading->path.networksAside, "%s", oldList);
    return status;
}

// Networks for the reading: to change it, it must open with what the save asks of it, and when
// this account may not, the reading says why no save may change it and opens it to read.
static LONG OpenNetworksFor(StoreReading* reading, bool held, REGSAM access, HKEY* networksKey, HKEY* content,
                            bool* link)
{
    HKEY product = reading->path.product;
    LONG status = held ? OpenNetworks(product, NETWORKS_KEY_NAME, NETWORKS_SWAP_ACCESS, access, networksKey, content, link)
                       : ERROR_ACCESS_DENIED;
    if (held && status == ERROR_FILE_NOT_FOUND)
        status = OpenInterrupted(reading, NETWORKS_SWAP_ACCESS, access, networksKey, content, link);
    if (held && status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        ProblemFromStatus(&reading->unsavable, STORE_KEY_NETWORKS, status, NULL);
    if (held && status != ERROR_ACCESS_DENIED) return status;
    if (*networksKey != NULL && *networksKey != *content) RegCloseKey(*networksKey);
    if (*content != NULL) RegCloseKey(*content);
    reading->path.networksAside[0] = 0;
    status = OpenNetworks(product, NETWORKS_KEY_NAME, access, access, networksKey, content, link);
    if (status == ERROR_FILE_NOT_FOUND) status = OpenInterrupted(reading, access, access, networksKey, content, link);
    return status;
}

// A save takes Networks as the reading opened it: the key it replaces is the key read. What
// no save takes is closed.
static void KeepNetworksForTheSave(StoreReading* reading, bool forASave, HKEY networksKey, HKEY content, bool link)
{
    if (forASave && reading->unsavable.trouble == STORE_FINE) {
        reading->path.networks = networksKey;
        reading->path.networksIsLink = link;
    } else if (networksKey != NULL && networksKey != content) {
        RegCloseKey(networksKey);
    }
    if (content != NULL && content != reading->path.networks) RegCloseKey(content);
}

bool ReadStore(StoreReadPurpose purpose, StoreReading* reading)
{
    memset(reading, 0, sizeof *reading);
    reading->stamps.state = STAMPS_KNOWN;
    DifferenceList differences = {NULL, 0, 0, false};
    int linkAt = -1;
    bool held = purpose == READ_TO_CHANGE && HoldStorePath(PATH_TO_SAVE, &reading->path, &reading->unsavable, NULL);
    // A store no save may change is still read, through whatever links the service follows.
    if (!held && !HoldStorePath(PATH_TO_READ, &reading->path, &reading->problem, &linkAt)) {
        ClearStamps(&reading->stamps, STAMPS_NEVER_READ);
        return false;
    }
    if (linkAt >= 0) AddDifference(&differences, DIFFERS_LEVEL_LINK, StoreLevelName((StoreKey)linkAt));
    REGSAM access = ListAccess(purpose);
    HKEY networksKey = NULL, content = NULL;
    bool link = false;
    LONG status = OpenNetworksFor(reading, held, access, &networksKey, &content, &link);
    bool read = status == ERROR_SUCCESS;
    if (!read) ProblemFromStatus(&reading->problem, STORE_KEY_NETWORKS, status, NULL);
    if (read && reading->interrupted.networksMissing)
        AddDifference(&differences, DIFFERS_NETWORKS_MISSING, reading->interrupted.oldList);
    if (read && link) AddDifference(&differences, DIFFERS_LEVEL_LINK, NETWORKS_KEY_NAME);
    if (read && held) NoteWhatBlocksASave(reading, networksKey, link);
    if (read) read = ReadNetworks(networksKey, content, access, reading, &differences);
    if (read) NoteListLeftAside(reading);
    // Whether a save can give the new pair keys the security the old ones had: only when they agree.
    if (read && held) ReadListSecurity(networksKey, link, &reading->security);
    KeepNetworksForTheSave(reading, read && held, networksKey, content, link);
    if (read && (!OrderRows(reading) || differences.outOfMemory)) {
        reading->problem.trouble = STORE_OUT_OF_MEMORY;
        reading->problem.key = STORE_KEY_NETWORKS;
        read = false;
    }
    reading->differences = differences.items;
    reading->differenceCount = differences.count;
    if (!read) {
        ClearStamps(&reading->stamps, STAMPS_NEVER_READ);
        ReleaseStorePath(&reading->path);
    }
    return read;
}

void FreeStoreReading(StoreReading* reading)
{
    free(reading->pairs);
    free(reading->rows);
    free(reading->differences);
    FreeStamps(&reading->stamps);
    FreeListSecurity(&reading->security);
    ReleaseStorePath(&reading->path);
    reading->pairs = NULL;
    reading->rows = NULL;
    reading->differences = NULL;
    reading->pairCount = reading->differenceCount = 0;
}
