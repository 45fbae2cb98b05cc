// The pair table as row texts, in enumeration order or in the order of the key numbers.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "store/store.h"

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

static bool ComesBefore(DWORD left, DWORD right)
{
    const char* a = PairTable[left].subkeyName;
    const char* b = PairTable[right].subkeyName;
    bool numberA = IsNumberName(a), numberB = IsNumberName(b);
    if (numberA != numberB) return numberA;
    return numberA && CompareNumberNames(a, b) < 0;
}

static void CopyRecord(DWORD record, PairRowText* row)
{
    memcpy(row->source, PairTable[record].sourceAddress, ADDRESS_TEXT_SIZE);
    memcpy(row->destination, PairTable[record].destinationAddress, ADDRESS_TEXT_SIZE);
}

bool CopyPairTableRows(PairRowText* rows, PairRowOrder order)
{
    if (order == ENUMERATION_ORDER || PairTableCount < 2) {
        for (DWORD record = 0; record < PairTableCount; ++record) CopyRecord(record, &rows[record]);
        return true;
    }
    DWORD* records = (DWORD*)malloc(PairTableCount * sizeof(DWORD));
    if (records == NULL) return false;
    for (DWORD i = 0; i < PairTableCount; ++i) records[i] = i;
    // Stable: equal numbers ("1", "01") and the names that are not numbers keep their order.
    std::stable_sort(records, records + PairTableCount, ComesBefore);
    for (DWORD i = 0; i < PairTableCount; ++i) CopyRecord(records[i], &rows[i]);
    free(records);
    return true;
}
