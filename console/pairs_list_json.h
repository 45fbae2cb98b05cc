// The stored list as JSON, for PowerShell's ConvertFrom-Json and other scripts.
#pragma once

#include <string>
#include <vector>

#include "net/adapters.h"
#include "store/store.h"

// An array of {"source", "destination", "sourceAdapter", "destinationAdapter"}, each adapter
// {"name", "network"} or null when no adapter of this computer is known to hold the address.
std::string PairsListJson(const std::vector<PairRowText>& rows, const OwnAddresses& own);

// The pairs that name an address this computer does not have now: {"source", "destination",
// "missing": [...]}.
std::string StaleJson(const std::vector<PairRowText>& rows, const OwnAddresses& own);
