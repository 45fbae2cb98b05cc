// One pair key read into a record, and the record of what the store held.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/pair_records.h"
#include "store/registry_values.h"
#include "store/store_names.h"

// The Networks key as this program last read or wrote it: each subkey's name and last
// write time. A writer that adds, removes or rewrites a pair changes one of them, and the
// comparison needs no more than one enumeration.
struct KeyStamp {
    char name[SUBKEY_NAME_SIZE];
    FILETIME lastWrite;
};

static KeyStamp* Remembered = NULL;
static DWORD RememberedCount = 0;
static bool HaveRemembered = false;

bool ReadPairRecord(HKEY networksKey, DWORD index, NetworkPair* pair, FILETIME* lastWrite)
{
    memset(pair, 0, sizeof *pair);
    memset(lastWrite, 0, sizeof *lastWrite);
    pair->subkeyNameLength = SUBKEY_NAME_SIZE;
    if (RegEnumKeyExA(networksKey, index, pair->subkeyName, &pair->subkeyNameLength, NULL, NULL, NULL, lastWrite) !=
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

// Names compare as the registry compares them, without regard to case.
static int CompareStamps(const void* left, const void* right)
{
    const KeyStamp* a = (const KeyStamp*)left;
    const KeyStamp* b = (const KeyStamp*)right;
    for (size_t i = 0;; ++i) {
        int ca = toupper((unsigned char)a->name[i]), cb = toupper((unsigned char)b->name[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) break;
    }
    if (a->lastWrite.dwHighDateTime != b->lastWrite.dwHighDateTime)
        return a->lastWrite.dwHighDateTime < b->lastWrite.dwHighDateTime ? -1 : 1;
    if (a->lastWrite.dwLowDateTime != b->lastWrite.dwLowDateTime)
        return a->lastWrite.dwLowDateTime < b->lastWrite.dwLowDateTime ? -1 : 1;
    return 0;
}

void RememberStore(const NetworkPair* records, const FILETIME* lastWrites, DWORD count)
{
    ForgetStore();
    Remembered = (KeyStamp*)calloc(count > 0 ? count : 1, sizeof(KeyStamp));
    if (Remembered == NULL) return;
    for (DWORD i = 0; i < count; ++i) {
        memcpy(Remembered[i].name, records[i].subkeyName, SUBKEY_NAME_SIZE);
        Remembered[i].lastWrite = lastWrites[i];
    }
    qsort(Remembered, count, sizeof(KeyStamp), CompareStamps);
    RememberedCount = count;
    HaveRemembered = true;
}

// Every subkey's name and time, sorted; NULL (and a count of 0) when they cannot be read.
static KeyStamp* ReadStamps(HKEY networksKey, DWORD* count)
{
    *count = 0;
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
        ERROR_SUCCESS)
        return NULL;
    KeyStamp* stamps = (KeyStamp*)calloc(subkeys > 0 ? subkeys : 1, sizeof(KeyStamp));
    if (stamps == NULL) return NULL;
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD nameLength = SUBKEY_NAME_SIZE;
        if (RegEnumKeyExA(networksKey, index, stamps[index].name, &nameLength, NULL, NULL, NULL,
                          &stamps[index].lastWrite) != ERROR_SUCCESS) {
            free(stamps);
            return NULL;
        }
    }
    qsort(stamps, subkeys, sizeof(KeyStamp), CompareStamps);
    *count = subkeys;
    return stamps;
}

void RememberNetworks(HKEY networksKey)
{
    ForgetStore();
    DWORD count = 0;
    KeyStamp* stamps = networksKey != NULL ? ReadStamps(networksKey, &count) : NULL;
    if (networksKey != NULL && stamps == NULL) return;  // not known: the next save will not trust it
    Remembered = stamps;
    RememberedCount = count;
    HaveRemembered = true;
}

bool StoreMatchesRemembered(HKEY networksKey, bool* remembered)
{
    *remembered = HaveRemembered;
    if (!HaveRemembered) return false;
    // A store without Networks matches a remembered empty list only: its rows are gone.
    if (networksKey == NULL) return RememberedCount == 0;
    DWORD count = 0;
    KeyStamp* now = ReadStamps(networksKey, &count);
    bool same = now != NULL && count == RememberedCount;
    for (DWORD i = 0; same && i < count; ++i) same = CompareStamps(&now[i], &Remembered[i]) == 0;
    free(now);
    return same;
}
