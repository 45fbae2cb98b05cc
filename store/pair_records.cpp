// One pair key read into a record, and the record of what the store held.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/pair_records.h"
#include "store/registry_values.h"
#include "store/store_names.h"

static NetworkPair* Remembered = NULL;
static DWORD RememberedCount = 0;
static bool HaveRemembered = false;

bool ReadPairRecord(HKEY networksKey, DWORD index, NetworkPair* pair)
{
    memset(pair, 0, sizeof *pair);
    pair->subkeyNameLength = SUBKEY_NAME_SIZE;
    if (RegEnumKeyExA(networksKey, index, pair->subkeyName, &pair->subkeyNameLength, NULL, NULL, NULL, NULL) !=
        ERROR_SUCCESS) {
        // The record stays empty but still counts, so the page shows an empty row for it.
        memset(pair->subkeyName, 0, sizeof pair->subkeyName);
        return true;
    }
    // Opened below the Networks key rather than by its full path: the ANSI calls refuse
    // paths of more than 260 characters, and a subkey name alone may have 255.
    HKEY pairKey;
    if (RegOpenKeyExA(networksKey, pair->subkeyName, 0, KEY_ALL_ACCESS, &pairKey) != ERROR_SUCCESS) return false;
    ReadTextValue(pairKey, VALUE_SOURCE, pair->sourceAddress, ADDRESS_TEXT_SIZE);
    ReadTextValue(pairKey, VALUE_DESTINATION, pair->destinationAddress, ADDRESS_TEXT_SIZE);
    pair->direction = ReadNumberValue(pairKey, VALUE_DIRECTION);
    pair->enabled = ReadNumberValue(pairKey, VALUE_ENABLED);
    RegCloseKey(pairKey);
    return true;
}

void ForgetStore(void)
{
    free(Remembered);
    Remembered = NULL;
    RememberedCount = 0;
    HaveRemembered = false;
}

// Room for `count` records; false (nothing remembered) when there is no memory.
static bool MakeRoom(DWORD count)
{
    ForgetStore();
    if (count == 0) return HaveRemembered = true;
    Remembered = (NetworkPair*)calloc(count, sizeof(NetworkPair));
    if (Remembered == NULL) return false;
    RememberedCount = count;
    return HaveRemembered = true;
}

void RememberStore(const NetworkPair* records, DWORD count)
{
    if (MakeRoom(count) && count > 0) memcpy(Remembered, records, count * sizeof(NetworkPair));
}

void RememberSavedRows(const PairRowText* rows, int rowCount)
{
    if (!MakeRoom(rowCount > 0 ? (DWORD)rowCount : 0)) return;
    for (int row = 0; row < rowCount; ++row) {
        NetworkPair* pair = &Remembered[row];
        snprintf(pair->subkeyName, SUBKEY_NAME_SIZE, PAIR_KEY_NAME_BY_NUMBER, row);
        pair->subkeyNameLength = (DWORD)strlen(pair->subkeyName);
        memcpy(pair->sourceAddress, rows[row].source, ADDRESS_TEXT_SIZE);
        memcpy(pair->destinationAddress, rows[row].destination, ADDRESS_TEXT_SIZE);
        pair->direction = ParseDecimal(DIRECTION_WRITTEN);
        pair->enabled = ParseDecimal(ENABLED_WRITTEN);
    }
}

void RememberStoreAsItIs(void)
{
    ForgetStore();
    HKEY networksKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networksKey) != ERROR_SUCCESS) {
        RememberStore(NULL, 0);  // no list at all
        return;
    }
    DWORD count = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL) ==
        ERROR_SUCCESS) {
        NetworkPair* records = (NetworkPair*)calloc(count > 0 ? count : 1, sizeof(NetworkPair));
        bool read = records != NULL;
        for (DWORD index = 0; read && index < count; ++index) read = ReadPairRecord(networksKey, index, &records[index]);
        if (read) RememberStore(records, count);
        free(records);
    }
    RegCloseKey(networksKey);
}

// Records in one order whatever order they were read in: by name as the registry compares
// names (without regard to case), then by their contents.
static int CompareRecords(const void* left, const void* right)
{
    const NetworkPair* a = (const NetworkPair*)left;
    const NetworkPair* b = (const NetworkPair*)right;
    for (size_t i = 0;; ++i) {
        int ca = toupper((unsigned char)a->subkeyName[i]), cb = toupper((unsigned char)b->subkeyName[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) break;
    }
    int order = strcmp(a->sourceAddress, b->sourceAddress);
    if (order == 0) order = strcmp(a->destinationAddress, b->destinationAddress);
    if (order == 0 && a->direction != b->direction) order = a->direction < b->direction ? -1 : 1;
    if (order == 0 && a->enabled != b->enabled) order = a->enabled < b->enabled ? -1 : 1;
    return order;
}

bool StoreMatchesRemembered(HKEY networksKey, bool* remembered)
{
    *remembered = HaveRemembered;
    if (!HaveRemembered) return false;
    // A store without Networks matches a remembered empty list only: its rows are gone.
    if (networksKey == NULL) return RememberedCount == 0;
    DWORD count = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS ||
        count != RememberedCount)
        return false;
    if (count == 0) return true;
    NetworkPair* now = (NetworkPair*)calloc(count, sizeof(NetworkPair));
    if (now == NULL) return false;
    bool same = true;
    for (DWORD index = 0; same && index < count; ++index) same = ReadPairRecord(networksKey, index, &now[index]);
    if (same) {
        qsort(now, count, sizeof(NetworkPair), CompareRecords);
        qsort(Remembered, count, sizeof(NetworkPair), CompareRecords);
        for (DWORD index = 0; same && index < count; ++index) same = CompareRecords(&now[index], &Remembered[index]) == 0;
    }
    free(now);
    return same;
}
