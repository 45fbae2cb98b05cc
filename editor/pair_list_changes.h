// How one pair list differs from another, as both programs say it: the pairs added, the
// pairs removed, and whether the pairs both hold stand in another order. The companion
// prints it and logs it; the configurator logs what its saves changed with the same lines.
#pragma once

#include <string>
#include <vector>

#include "store/store.h"

struct PairListChanges {
    std::vector<PairRowText> added;    // in the new list's order
    std::vector<PairRowText> removed;  // in the old list's order
    bool reordered;                    // the pairs both lists hold stand in another order
};

// A pair that stands twice counts twice. Pairs compare by both texts, exactly.
PairListChanges ComparePairLists(const std::vector<PairRowText>& before, const std::vector<PairRowText>& after);

bool PairListUnchanged(const PairListChanges& changes);

// One line each ("add S D", "remove S D", "reorder the pairs"), each ended by "\n"; `shown`
// makes a stored text fit for where the line goes.
std::string PairListChangeLines(const PairListChanges& changes, std::string (*shown)(const char* text));
