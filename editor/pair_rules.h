// The rules that decide whether a pair may be added to the page's list and whether
// Remove has a row to remove. Pure functions over a snapshot of the rows: the page reads
// the list, asks the rules, and shows the message a rejection names.
#pragma once

#include "store/store.h"

enum PairRuleVerdict {
    PAIR_ACCEPTED = 0,
    PAIR_BLANK,
    PAIR_SAME,
    PAIR_DUPLICATE,
    PAIR_NOTHING_SELECTED,
};

// True when some row holds the two texts in either order. Comparison is exact.
bool IsDuplicate(const char* source, const char* destination, const PairRowText* rows, int rowCount);

// Blank first, then the same address twice, then a duplicate of a row.
PairRuleVerdict CheckAddPair(const char* source, const char* destination, const PairRowText* rows,
                             int rowCount);
PairRuleVerdict CheckRemovePair(int selectedRow, int rowCount);

// The message for a rejection, or NULL for PAIR_ACCEPTED.
const char* PairRuleMessage(PairRuleVerdict verdict);
