// What a save of a list would change in the store, for `check` and --what-if: the pairs to
// add, to remove and to put in another order, and every store detail that differs from what
// the save writes. Computed by reading only.
#pragma once

#include <string>
#include <vector>

#include "store/store.h"

struct PairsDrift {
    std::vector<PairRowText> toAdd;
    std::vector<PairRowText> toRemove;
    bool reorder;                           // the pairs both lists hold stand in another order
    std::vector<std::string> storeDetails;  // what the store holds that the save would not write
    bool restartPending = false;            // the service runs a list older than the one stored
    bool converged;                         // nothing at all: the store is exactly `wanted`
};

// `stored` is the list as read, in key-number order; `wanted` what a save would write.
PairsDrift FindDrift(const std::vector<PairRowText>& stored, const std::vector<PairRowText>& wanted);

// The drift as lines of text for a person, or as one JSON document.
std::string DriftText(const PairsDrift& drift);
std::string DriftJson(const PairsDrift& drift);
