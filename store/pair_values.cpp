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

// One value as RegEnumValueW gives it; when only its data did not fit, its name and type,
// marked too large.
struct EnumeratedValue {
    WCHAR name[VALUE_NAME_UNITS];
    DWORD nameLength;
    DWORD type;
    WCHAR data[VALUE_DATA_UNITS];
    DWORD size;
    bool tooLarge;
};

static LONG EnumerateValue(HKEY key, DWORD index, EnumeratedValue* value)
{
    value->nameLength = VALUE_NAME_UNITS;
    value->size = sizeof value->data;
    value->type = REG_NONE;
    LONG status =
        RegEnumValueW(key, index, value->name, &value->nameLength, NULL, &value->type, (BYTE*)value->data, &value->size);
    value->tooLarge = status == ERROR_MORE_DATA && value->nameLength < VALUE_NAME_UNITS;
    if (value->tooLarge) {
        value->nameLength = VALUE_NAME_UNITS;
        value->size = 0;
        status = RegEnumValueW(key, index, value->name, &value->nameLength, NULL, &value->type, NULL, &value->size);
    }
    if (status == ERROR_SUCCESS && value->nameLength >= VALUE_NAME_UNITS) status = ERROR_MORE_DATA;
    return status;
}

// The save's four values as they were found, compared once the addresses are read.
struct FoundValues {
    bool seen[PAIR_VALUE_COUNT];
    DWORD type[PAIR_VALUE_COUNT];
    DWORD size[PAIR_VALUE_COUNT];
    BYTE data[PAIR_VALUE_COUNT][2 * (ADDRESS_TEXT_SIZE + 1)];
    bool fits[PAIR_VALUE_COUNT];
};

static void NoteFound(FoundValues* found, int which, const EnumeratedValue& value)
{
    found->seen[which] = true;
    found->type[which] = value.type;
    found->fits[which] = !value.tooLarge && value.size <= sizeof found->data[which];
    found->size[which] = found->fits[which] ? value.size : 0;
    if (found->fits[which]) memcpy(found->data[which], value.data, value.size);
}

// Every way the values found differ from what a save of the record's texts writes.
static void CompareFound(const NetworkPair* pair, const FoundValues& found, DifferenceList* differences)
{
    const char* texts[PAIR_VALUE_COUNT];
    PairRowText row;
    memcpy(row.source, pair->sourceAddress, ADDRESS_TEXT_SIZE);
    memcpy(row.destination, pair->destinationAddress, ADDRESS_TEXT_SIZE);
    PairValueTexts(&row, texts);
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which) {
        const char* valueName = PairValueNames[which];
        if (!found.seen[which]) AddDifference(differences, DIFFERS_PAIR_VALUE_MISSING, pair->subkeyName, valueName);
        else if (found.type[which] != REG_SZ)
            AddDifference(differences, DIFFERS_PAIR_VALUE_TYPE, pair->subkeyName, valueName, found.type[which]);
        else if (!found.fits[which] || !HoldsText(found.data[which], found.size[which], texts[which]))
            AddDifference(differences, DIFFERS_PAIR_VALUE_TEXT, pair->subkeyName, valueName, 0, texts[which]);
    }
}

// Whether the value is the one a link is followed through.
static bool IsLinkValue(const EnumeratedValue& value)
{
    if (value.type != REG_LINK || value.nameLength != strlen(LINK_VALUE_NAME)) return false;
    char shown[VALUE_NAME_UNITS * 2];
    Narrowed(value.name, value.nameLength, shown, sizeof shown);
    return strcmp(shown, LINK_VALUE_NAME) == 0;
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
    FoundValues found;
    memset(&found, 0, sizeof found);
    for (DWORD index = 0; index < values; ++index) {
        EnumeratedValue value;
        LONG status = EnumerateValue(pairKey, index, &value);
        // Uncounted, the values are read until there are none: a failure ends them too.
        if (status != ERROR_SUCCESS && !counted && status != ERROR_MORE_DATA) break;
        if (status != ERROR_SUCCESS) {
            if (compare) AddDifference(differences, DIFFERS_PAIR_ODD_VALUE, keyName);
            continue;
        }
        // A key opened as itself that holds the value a link is followed through may be one.
        if (IsLinkValue(value)) *link = true;
        int which = ValueNamed(value.name, value.nameLength, false);
        if (which >= 0) FillField(pair, which, value.type, (const BYTE*)value.data, value.size, !value.tooLarge);
        if (!compare) continue;
        int exact = ValueNamed(value.name, value.nameLength, true);
        if (exact >= 0) {
            NoteFound(&found, exact, value);
            continue;
        }
        char shownName[2 * VALUE_NAME_UNITS];
        Narrowed(value.name, value.nameLength, shownName, sizeof shownName);
        AddDifference(differences, DIFFERS_PAIR_EXTRA_VALUE, keyName, shownName);
    }
    if (compare) CompareFound(pair, found, differences);
}
