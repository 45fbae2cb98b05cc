// The rows of a reading in the order of their key numbers, as the save wrote them.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "store/pair_row_order.h"

// A name of digits only, which the save would have written for a row number.
static bool IsNumberName(const char* name)
{
    if (name[0] == 0) return false;
    for (const char* p = name; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// Numbers of any length compare without converting: fewer digits (leading zeros aside)
// is smaller, and equal lengths compare as text.
static int CompareNumberNames(const char* a, const char* b)
{
    while (*a == '0' && a[1] != 0) ++a;
    while (*b == '0' && b[1] != 0) ++b;
    size_t lengthA = strlen(a), lengthB = strlen(b);
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    return strcmp(a, b);
}

bool RowNumberOf(const char* name, DWORD rowCount, DWORD* number)
{
    size_t length = strlen(name);
    if (!IsNumberName(name) || length > 10 || (name[0] == '0' && length > 1)) return false;
    unsigned long long value = strtoull(name, NULL, 10);
    if (value >= rowCount) return false;
    *number = (DWORD)value;
    return true;
}

bool OrderRows(StoreReading* reading)
{
    DWORD count = reading->pairCount;
    reading->rows = (PairRowText*)calloc(count > 0 ? count : 1, sizeof(PairRowText));
    DWORD* order = (DWORD*)malloc((count > 0 ? count : 1) * sizeof(DWORD));
    if (reading->rows == NULL || order == NULL) {
        free(order);
        return false;
    }
    const NetworkPair* pairs = reading->pairs;
    for (DWORD i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order, order + count, [pairs](DWORD left, DWORD right) {
        const char* a = pairs[left].subkeyName;
        const char* b = pairs[right].subkeyName;
        bool numberA = IsNumberName(a), numberB = IsNumberName(b);
        if (numberA != numberB) return numberA;
        return numberA && CompareNumberNames(a, b) < 0;
    });
    for (DWORD i = 0; i < count; ++i) {
        memcpy(reading->rows[i].source, pairs[order[i]].sourceAddress, ADDRESS_TEXT_SIZE);
        memcpy(reading->rows[i].destination, pairs[order[i]].destinationAddress, ADDRESS_TEXT_SIZE);
    }
    free(order);
    return true;
}

