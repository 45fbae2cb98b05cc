// The line below the pair list that says which adapter of this computer holds each
// address in play: the chosen source and destination, and the selected row's two.
#pragma once

#include <stddef.h>

#include "net/adapters.h"

#define ADDRESS_LINE_SIZE 1024

// Empty texts are left out: nothing chosen, or no row selected (`rowSource` NULL). With no
// row selected, `stalePairs` above 0 says how many pairs name an address this computer
// does not have.
void FormatAddressLine(const OwnAddresses& own, const char* source, const char* destination, const char* rowSource,
                       const char* rowDestination, int stalePairs, char* text, size_t size);

struct PairRowText;
// How many of the rows name an address this computer does not have now; 0 when its
// addresses are not known.
int CountStalePairs(const OwnAddresses& own, const PairRowText* rows, int rowCount);
