// A pair key's values, read once through RegEnumValueW. The record gets what RegQueryValueExA
// would have given the start-up load (string data in the code page, anything else as bytes,
// into a 16- or 1024-byte buffer); the comparison sees the names and texts as the registry
// keeps them, so that one the code page only maps onto ours shows as the difference it is.
#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "store/pair_values.h"
#include "store/store_names.h"

#define NUMBER_BUFFER_SIZE 1024
// Room for any data the record could take: a number's 1024 bytes, each a UTF-16 unit.
#define VALUE_DATA_UNITS (2 * NUMBER_BUFFER_SIZE + 2)
#define VALUE_NAME_UNITS 32  // longer than any name the save writes
// Values beyond any the save writes; a key with more is read no further.
#define MOST_VALUES_READ 4096
#define LINK_VALUE_NAME "SymbolicLinkValue"

LONG ParseDecimal(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long magnitude = 0;
    const long long limit = negative ? -(long long)INT_MIN : INT_MAX;
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10 + (*p++ - '0');
        if (magnitude > limit) {
            magnitude = limit;
            while (*p >= '0' && *p <= '9') ++p;
        }
    }
    return (LONG)(negative ? -magnitude : magnitude);
}

void AddDifference(DifferenceList* list, StoreDifferenceKind kind, const char* keyName, const char* valueName,
                   DWORD type, const char* expected)
{
    if (list->count == list->capacity) {
        DWORD capacity = list->capacity < 8 ? 8 : list->capacity * 2;
        StoreDifference* grown = (StoreDifference*)realloc(list->items, capacity * sizeof(StoreDifference));
        if (grown == NULL) {
            list->outOfMemory = true;
            return;
        }
        list->items = grown;
        list->capacity = capacity;
    }
    StoreDifference* difference = &list->items[list->count++];
    memset(difference, 0, sizeof *difference);
    difference->kind = kind;
    strncpy(difference->keyName, keyName, sizeof difference->keyName - 1);
    strncpy(difference->valueName, valueName, sizeof difference->valueName - 1);
    difference->type = type;
    strncpy(difference->expected, expected, sizeof difference->expected - 1);
}

static bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The bytes RegQueryValueExA hands over for the data, into `bytes` of `capacity`: string data
// in the code page, anything else as it is. Their count, or -1 when they do not fit.
static int AnsiBytes(DWORD type, const BYTE* data, DWORD size, char* bytes, int capacity)
{
    if (!IsStringType(type)) {
        if (size > (DWORD)capacity) return -1;
        memcpy(bytes, data, size);
        return (int)size;
    }
    int units = (int)(size / sizeof(WCHAR));
    if (units == 0) return 0;
    int needed = WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)data, units, NULL, 0, NULL, NULL);
    if (needed <= 0 || needed > capacity) return -1;
    return WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)data, units, bytes, capacity, NULL, NULL);
}

// An address field of ADDRESS_TEXT_SIZE bytes: the text up to its first NUL, or empty when
// the data does not fit in the field with its NUL.
static void FillAddress(char* field, DWORD type, const BYTE* data, DWORD size)
{
    char scratch[ADDRESS_TEXT_SIZE + 1];
    memset(field, 0, ADDRESS_TEXT_SIZE);
    int count = AnsiBytes(type, data, size, scratch, ADDRESS_TEXT_SIZE);
    if (count < 0) return;
    scratch[count] = 0;
    size_t length = strlen(scratch);
    if (length < ADDRESS_TEXT_SIZE) memcpy(field, scratch, length + 1);
}

static LONG NumberOf(DWORD type, const BYTE* data, DWORD size)
{
    char text[NUMBER_BUFFER_SIZE + 1];
    int count = AnsiBytes(type, data, size, text, NUMBER_BUFFER_SIZE);
    if (count < 0) return 0;
    text[count] = 0;
    return ParseDecimal(text);
}

static int Widened(const char* text, WCHAR* wide, int capacity)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, capacity);
    return length > 0 ? length - 1 : -1;
}

// Which of the row's values `name` is: exactly (the save writes them with this case), or as
// the ANSI calls find a name, whatever its case. -1 for none.
static int ValueNamed(const WCHAR* name, DWORD length, bool exactCase)
{
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which) {
        const char* ours = PairValueNames[which];
        if (strlen(ours) != length) continue;
        DWORD i = 0;
        for (; i < length; ++i) {
            WCHAR unit = name[i], expected = (WCHAR)(unsigned char)ours[i];
            if (!exactCase && unit < 128) unit = (WCHAR)toupper(unit), expected = (WCHAR)toupper(expected);
            if (unit != expected) break;
        }
        if (i == length) return which;
    }
    return -1;
}

// String data in UTF-16, counted with or without the NUL the registry may have added.
static bool HoldsText(const BYTE* data, DWORD size, const char* text)
{
    WCHAR expected[ADDRESS_TEXT_SIZE + 1];
    int length = Widened(text, expected, ADDRESS_TEXT_SIZE + 1);
    if (length < 0 || size % sizeof(WCHAR) != 0) return false;
    int units = (int)(size / sizeof(WCHAR));
    const WCHAR* stored = (const WCHAR*)data;
    if (units == length + 1 && stored[length] == 0) units = length;
    return units == length && memcmp(stored, expected, (size_t)length * sizeof(WCHAR)) == 0;
}

static void Narrowed(const WCHAR* wide, DWORD length, char* text, int size)
{
    int count = WideCharToMultiByte(CP_ACP, 0, wide, (int)length, text, size - 1, NULL, NULL);
    text[count > 0 ? count : 0] = 0;
}

// The record's field for a value the ANSI calls would find by `which`'s name.
static void FillField(NetworkPair* pair, int which, DWORD type, const BYTE* data, DWORD size, bool read)
{
    switch (which) {
    case PAIR_VALUE_SOURCE:
        if (read) FillAddress(pair->sourceAddress, type, data, size);
        break;
    case PAIR_VALUE_DESTINATION:
        if (read) FillAddress(pair->destinationAddress, type, data, size);
        break;
    case PAIR_VALUE_DIRECTION: pair->direction = read ? NumberOf(type, data, size) : 0; break;
    default: pair->enabled = read ? NumberOf(type, data, size) : 0; break;
    }
}

void ReadPairValues(HKEY pairKey, NetworkPair* pair, bool compare, DifferenceList* differences, bool* link)
{
    *link = false;
    const char* keyName = pair->subkeyName;
    DWORD subkeys = 0, values = MOST_VALUES_READ;
    bool counted =
        RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    if (compare && !counted) AddDifference(differences, DIFFERS_PAIR_UNREADABLE, keyName);
    if (compare && counted && subkeys != 0) AddDifference(differences, DIFFERS_PAIR_SUBKEYS, keyName);
    if (values > MOST_VALUES_READ) values = MOST_VALUES_READ;
    bool seen[PAIR_VALUE_COUNT] = {false, false, false, false};
    // The texts a save would write, known once the addresses are read: compared at the end.
    struct Stored {
        DWORD type;
        DWORD size;
        BYTE data[2 * (ADDRESS_TEXT_SIZE + 1)];
        bool fits;
    } stored[PAIR_VALUE_COUNT];
    for (DWORD index = 0; index < values; ++index) {
        WCHAR name[VALUE_NAME_UNITS];
        WCHAR data[VALUE_DATA_UNITS];
        DWORD nameLength = VALUE_NAME_UNITS, size = sizeof data, type = REG_NONE;
        LONG status = RegEnumValueW(pairKey, index, name, &nameLength, NULL, &type, (BYTE*)data, &size);
        if (status == ERROR_NO_MORE_ITEMS && !counted) break;
        bool tooLarge = status == ERROR_MORE_DATA && nameLength < VALUE_NAME_UNITS;
        if (tooLarge) {
            // Only the data was too large: the name tells whose field stays empty.
            nameLength = VALUE_NAME_UNITS;
            size = 0;
            status = RegEnumValueW(pairKey, index, name, &nameLength, NULL, &type, NULL, &size);
        }
        if (status != ERROR_SUCCESS || nameLength >= VALUE_NAME_UNITS) {
            if (compare) AddDifference(differences, DIFFERS_PAIR_ODD_VALUE, keyName);
            if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA && !counted) break;
            continue;
        }
        // A key opened as itself that holds the value a link is followed through may be one.
        if (type == REG_LINK && nameLength == strlen(LINK_VALUE_NAME)) {
            char shown[VALUE_NAME_UNITS * 2];
            Narrowed(name, nameLength, shown, sizeof shown);
            if (strcmp(shown, LINK_VALUE_NAME) == 0) *link = true;
        }
        int which = ValueNamed(name, nameLength, false);
        if (which >= 0) FillField(pair, which, type, (const BYTE*)data, size, !tooLarge);
        if (!compare) continue;
        char shownName[2 * VALUE_NAME_UNITS];
        Narrowed(name, nameLength, shownName, sizeof shownName);
        int exact = ValueNamed(name, nameLength, true);
        if (exact < 0) {
            AddDifference(differences, DIFFERS_PAIR_EXTRA_VALUE, keyName, shownName);
            continue;
        }
        seen[exact] = true;
        stored[exact].type = type;
        stored[exact].fits = !tooLarge && size <= sizeof stored[exact].data;
        stored[exact].size = stored[exact].fits ? size : 0;
        if (stored[exact].fits) memcpy(stored[exact].data, data, size);
    }
    if (!compare) return;
    const char* texts[PAIR_VALUE_COUNT];
    PairRowText row;
    memcpy(row.source, pair->sourceAddress, ADDRESS_TEXT_SIZE);
    memcpy(row.destination, pair->destinationAddress, ADDRESS_TEXT_SIZE);
    PairValueTexts(&row, texts);
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which) {
        const char* valueName = PairValueNames[which];
        if (!seen[which]) AddDifference(differences, DIFFERS_PAIR_VALUE_MISSING, keyName, valueName);
        else if (stored[which].type != REG_SZ)
            AddDifference(differences, DIFFERS_PAIR_VALUE_TYPE, keyName, valueName, stored[which].type);
        else if (!stored[which].fits || !HoldsText(stored[which].data, stored[which].size, texts[which]))
            AddDifference(differences, DIFFERS_PAIR_VALUE_TEXT, keyName, valueName, 0, texts[which]);
    }
}
