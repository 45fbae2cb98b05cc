// Whether the store is, byte for byte, what a save of a list leaves: the test behind every
// "nothing changed", and the list of what differs for a dry run. It reads only, and takes
// nothing it cannot look at on trust.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

// Longer than any value name or text the save writes, so a longer one shows as different.
#define VALUE_NAME_CAPACITY 32
#define VALUE_DATA_CAPACITY 32
#define ROW_NAME_CAPACITY 16
#define DIFFERENCE_TEXT_SIZE 160

// Where differences go: nowhere (the first one ends the look), or to a report.
struct Look {
    StoreDifferenceReport report;
    void* context;
    bool exact;
    FILETIME* newest;  // or NULL: the newest last write time of Networks and its subkeys
    bool newestKnown;
};

static void NoteWriteTime(Look* look, const FILETIME& time)
{
    if (look->newest == NULL) return;
    FILETIME* newest = look->newest;
    bool later = time.dwHighDateTime != newest->dwHighDateTime ? time.dwHighDateTime > newest->dwHighDateTime
                                                               : time.dwLowDateTime > newest->dwLowDateTime;
    if (later) *newest = time;
}

#if defined(__GNUC__)
#define PRINTF_LIKE(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define PRINTF_LIKE(formatIndex, firstArgument)
#endif

// Notes a difference. True when the look goes on: only a report wants them all.
static bool Differ(Look* look, const char* format, ...) PRINTF_LIKE(2, 3);
static bool Differ(Look* look, const char* format, ...)
{
    look->exact = false;
    if (look->report == NULL) return false;
    char text[DIFFERENCE_TEXT_SIZE];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    look->report(look->context, text);
    return true;
}

// Names and texts are read through the Unicode calls, so that one the code page only maps
// onto ours (a fullwidth digit, a letter without its accent) shows as the difference it is.
#define WIDE_NAME_CAPACITY 32
#define WIDE_DATA_CAPACITY (2 * VALUE_DATA_CAPACITY)

// `text` in UTF-16 as the registry keeps what the save writes; its length without the NUL.
static int Widened(const char* text, WCHAR* wide, int capacity)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, capacity);
    return length > 0 ? length - 1 : -1;
}

// A name or text read back, in the code page, for the report only.
static void Narrowed(const WCHAR* wide, int length, char* text, int size)
{
    int count = WideCharToMultiByte(CP_ACP, 0, wide, length, text, size - 1, NULL, NULL);
    text[count > 0 ? count : 0] = 0;
}

static bool SameWide(const WCHAR* a, int lengthA, const WCHAR* b, int lengthB)
{
    return lengthA == lengthB && memcmp(a, b, (size_t)lengthA * sizeof(WCHAR)) == 0;
}

// Which of the row's values `name` is, exactly (the save writes them with this case), or -1.
static int ValueNamed(const WCHAR* name, int length)
{
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which) {
        WCHAR expected[WIDE_NAME_CAPACITY];
        int expectedLength = Widened(PairValueNames[which], expected, WIDE_NAME_CAPACITY);
        if (SameWide(name, length, expected, expectedLength)) return which;
    }
    return -1;
}

// String data in UTF-16, counted with or without the NUL the registry may have added.
static bool HoldsWideText(const BYTE* data, DWORD size, const char* text)
{
    WCHAR expected[ADDRESS_TEXT_SIZE + 1];
    int length = Widened(text, expected, ADDRESS_TEXT_SIZE + 1);
    if (length < 0 || size % sizeof(WCHAR) != 0) return false;
    int units = (int)(size / sizeof(WCHAR));
    const WCHAR* stored = (const WCHAR*)data;
    if (units == length + 1 && stored[length] == 0) units = length;
    return SameWide(stored, units, expected, length);
}

static void LookAtPairKey(Look* look, HKEY pairKey, const char* keyName, const PairRowText* row)
{
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(pairKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL) !=
        ERROR_SUCCESS) {
        Differ(look, "Networks\\%s cannot be read", keyName);
        return;
    }
    if (subkeys != 0 && !Differ(look, "Networks\\%s has subkeys", keyName)) return;
    const char* texts[PAIR_VALUE_COUNT];
    PairValueTexts(row, texts);
    bool seen[PAIR_VALUE_COUNT] = {false, false, false, false};
    for (DWORD index = 0; index < values; ++index) {
        WCHAR name[WIDE_NAME_CAPACITY];
        WCHAR data[WIDE_DATA_CAPACITY / sizeof(WCHAR)];
        DWORD nameLength = WIDE_NAME_CAPACITY, size = sizeof data, type = REG_NONE;
        LONG status = RegEnumValueW(pairKey, index, name, &nameLength, NULL, &type, (LPBYTE)data, &size);
        if (status != ERROR_SUCCESS || nameLength >= WIDE_NAME_CAPACITY) {
            if (!Differ(look, "Networks\\%s has a value that is not one the save writes", keyName)) return;
            continue;
        }
        char shownName[VALUE_NAME_CAPACITY * 2];
        Narrowed(name, (int)nameLength, shownName, sizeof shownName);
        int which = ValueNamed(name, (int)nameLength);
        bool fine = true;
        if (which < 0) fine = Differ(look, "Networks\\%s has an extra value \"%s\"", keyName, shownName);
        else if (type != REG_SZ)
            fine = Differ(look, "Networks\\%s\\%s is of type %lu, not REG_SZ", keyName, shownName, (unsigned long)type);
        else if (!HoldsWideText((const BYTE*)data, size, texts[which]))
            fine = Differ(look, "Networks\\%s\\%s does not hold \"%s\"", keyName, shownName, texts[which]);
        if (!fine) return;
        if (which >= 0) seen[which] = true;
    }
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which)
        if (!seen[which] && !Differ(look, "Networks\\%s has no value \"%s\"", keyName, PairValueNames[which])) return;
}

// A subkey name as the save writes a row number (ASCII digits, no leading zero), below the
// row count.
static bool IsRowName(const WCHAR* name, int length, int rowCount)
{
    if (length < 1 || length > 10 || (name[0] == '0' && length > 1)) return false;
    unsigned long long number = 0;
    for (int i = 0; i < length; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        number = number * 10 + (name[i] - '0');
    }
    return number < (unsigned long long)rowCount;
}

static void LookAtNetworks(Look* look, HKEY networksKey, const PairRowText* rows, int rowCount)
{
    DWORD subkeys = 0, values = 0;
    FILETIME networksWritten;
    if (RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                         &networksWritten) != ERROR_SUCCESS) {
        Differ(look, "Networks cannot be read");
        return;
    }
    NoteWriteTime(look, networksWritten);
    look->newestKnown = true;
    if (values != 0 && !Differ(look, "Networks has values of its own")) return;
    // Names are unique: as many subkeys as rows, each a row's name, is every row's key once.
    if (subkeys != (DWORD)rowCount && !Differ(look, "Networks has %lu subkeys, not %d", (unsigned long)subkeys, rowCount))
        return;
    for (DWORD index = 0; index < subkeys; ++index) {
        WCHAR name[SUBKEY_NAME_SIZE];
        DWORD nameLength = SUBKEY_NAME_SIZE;
        FILETIME written;
        if (RegEnumKeyExW(networksKey, index, name, &nameLength, NULL, NULL, NULL, &written) != ERROR_SUCCESS) {
            look->newestKnown = false;
            if (!Differ(look, "Networks cannot be listed")) return;
            break;
        }
        NoteWriteTime(look, written);
        char shownName[SUBKEY_NAME_SIZE * 2];
        Narrowed(name, (int)nameLength, shownName, sizeof shownName);
        if (!IsRowName(name, (int)nameLength, rowCount) &&
            !Differ(look, "Networks has a subkey \"%s\" that is not a row's", shownName))
            return;
    }
    for (int row = 0; row < rowCount; ++row) {
        char name[ROW_NAME_CAPACITY];
        snprintf(name, sizeof name, PAIR_KEY_NAME_BY_NUMBER, row);
        HKEY pairKey;
        if (!OpenPlainKey(networksKey, name, KEY_READ, &pairKey)) {
            if (!Differ(look, "Networks\\%s is missing or a registry link", name)) return;
            continue;
        }
        LookAtPairKey(look, pairKey, name, &rows[row]);
        RegCloseKey(pairKey);
        if (!look->exact && look->report == NULL) return;
    }
}

bool LookAtStoredList(const PairRowText* rows, int rowCount, StoreDifferenceReport report, void* context,
                      FILETIME* newest, bool* newestKnown)
{
    if (newest != NULL) newest->dwLowDateTime = newest->dwHighDateTime = 0;
    Look look = {report, context, rowCount >= 0, newest, false};
    if (rowCount < 0) return false;
    // Each level below Software is held while the next is opened, and none may be a link.
    const char* levels[] = {COMPANY_KEY_NAME, PRODUCT_KEY_NAME, NETWORKS_KEY_NAME};
    HKEY held[4];
    int heldCount = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_READ, &held[0]) == ERROR_SUCCESS) heldCount = 1;
    for (const char* level : levels) {
        if (heldCount == 0) break;
        if (!OpenPlainKey(held[heldCount - 1], level, KEY_READ, &held[heldCount])) {
            Differ(&look, "%s is missing or a registry link", level);
            break;
        }
        ++heldCount;
    }
    if (heldCount == 4) LookAtNetworks(&look, held[3], rows, rowCount);
    else if (heldCount == 0) Differ(&look, "Software cannot be opened");
    while (heldCount > 0) RegCloseKey(held[--heldCount]);
    if (newestKnown != NULL) *newestKnown = look.newestKnown;
    return look.exact;
}

bool StoreHoldsExactlyReporting(const PairRowText* rows, int rowCount, StoreDifferenceReport report, void* context)
{
    return LookAtStoredList(rows, rowCount, report, context, NULL, NULL);
}

bool StoreHoldsExactly(const PairRowText* rows, int rowCount)
{
    return StoreHoldsExactlyReporting(rows, rowCount, NULL, NULL);
}
