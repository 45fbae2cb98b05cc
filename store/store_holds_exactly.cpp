// Whether the store is, byte for byte, what a save of a list leaves: the test behind every
// "nothing needed changing". It reads only, and takes nothing it cannot look at on trust.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

#define PAIR_VALUE_COUNT 4
// Longer than any value name or text the save writes, so a longer one shows as different.
#define VALUE_NAME_CAPACITY 32
#define VALUE_DATA_CAPACITY 32
#define ROW_NAME_CAPACITY 16

// The text the save stores, counted without its NUL; the registry may have added one.
static bool HoldsText(const BYTE* data, DWORD size, const char* text)
{
    size_t length = strlen(text);
    if (size == length + 1 && data[length] == 0) size = (DWORD)length;
    return size == length && memcmp(data, text, length) == 0;
}

static bool PairKeyHolds(HKEY pairKey, const PairRowText* row)
{
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS ||
        subkeys != 0 || values != PAIR_VALUE_COUNT)
        return false;
    const char* names[PAIR_VALUE_COUNT] = {VALUE_SOURCE, VALUE_DESTINATION, VALUE_DIRECTION, VALUE_ENABLED};
    const char* texts[PAIR_VALUE_COUNT] = {row->source, row->destination, DIRECTION_WRITTEN, ENABLED_WRITTEN};
    bool seen[PAIR_VALUE_COUNT] = {false, false, false, false};
    for (DWORD index = 0; index < PAIR_VALUE_COUNT; ++index) {
        char name[VALUE_NAME_CAPACITY];
        BYTE data[VALUE_DATA_CAPACITY];
        DWORD nameLength = sizeof name, size = sizeof data, type = REG_NONE;
        if (RegEnumValueA(pairKey, index, name, &nameLength, NULL, &type, data, &size) != ERROR_SUCCESS ||
            nameLength >= sizeof name || type != REG_SZ || size > sizeof data)
            return false;
        name[nameLength] = 0;
        // Names compare exactly: the save writes them with this case.
        int which = 0;
        while (which < PAIR_VALUE_COUNT && strcmp(name, names[which]) != 0) ++which;
        if (which == PAIR_VALUE_COUNT || seen[which] || !HoldsText(data, size, texts[which])) return false;
        seen[which] = true;
    }
    return true;
}

// The subkeys of Networks are exactly "0" to "rowCount - 1": as many as the rows, each
// named as the save names a row number. Names are unique, so none is missing.
static bool RowKeysAreNumbered(HKEY networksKey, DWORD rowCount)
{
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS ||
        subkeys != rowCount || values != 0)
        return false;
    for (DWORD index = 0; index < rowCount; ++index) {
        char name[ROW_NAME_CAPACITY], expected[ROW_NAME_CAPACITY];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(networksKey, index, name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS ||
            nameLength >= sizeof name)
            return false;
        name[nameLength] = 0;
        unsigned long number = strtoul(name, NULL, 10);
        snprintf(expected, sizeof expected, PAIR_KEY_NAME_BY_NUMBER, (int)number);
        if (strcmp(name, expected) != 0 || number >= rowCount) return false;
    }
    return true;
}

static bool NetworksHolds(HKEY networksKey, const PairRowText* rows, int rowCount)
{
    if (!RowKeysAreNumbered(networksKey, (DWORD)rowCount)) return false;
    for (int row = 0; row < rowCount; ++row) {
        char name[ROW_NAME_CAPACITY];
        snprintf(name, sizeof name, PAIR_KEY_NAME_BY_NUMBER, row);
        HKEY pairKey;
        if (!OpenPlainKey(networksKey, name, KEY_READ, &pairKey)) return false;
        bool holds = PairKeyHolds(pairKey, &rows[row]);
        RegCloseKey(pairKey);
        if (!holds) return false;
    }
    return true;
}

bool StoreHoldsExactly(const PairRowText* rows, int rowCount)
{
    if (rowCount < 0) return false;
    // Each level below Software is held while the next is opened, and none may be a link.
    const char* levels[] = {COMPANY_KEY_NAME, PRODUCT_KEY_NAME, NETWORKS_KEY_NAME};
    HKEY held[4];
    int heldCount = 0;
    bool holds = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_READ, &held[0]) == ERROR_SUCCESS;
    if (holds) heldCount = 1;
    for (const char* level : levels) {
        if (!holds) break;
        holds = OpenPlainKey(held[heldCount - 1], level, KEY_READ, &held[heldCount]);
        if (holds) ++heldCount;
    }
    if (holds) holds = NetworksHolds(held[heldCount - 1], rows, rowCount);
    while (heldCount > 0) RegCloseKey(held[--heldCount]);
    return holds;
}
