// What this computer's addresses say of a text, for the page and the console alike: is it
// an address of this computer, and which address does an adapter's name stand for.
#pragma once

#include <stddef.h>

#include "net/adapters.h"

// True when `address` is an IPv4 address of this computer: one that the host lookup lists
// or that an adapter holds. 0.0.0.0 (an adapter still without an address) never is.
bool IsLocalAddress(const OwnAddresses& own, const char* address);

// The one IPv4 address of the adapter named `name`; names compare as Windows compares
// them, without regard to case, and whole. Returns -1 when no adapter has the name, else
// the number of its addresses, listed in `addresses` ("10.1.0.1, 10.2.0.1"); `address`
// holds the first.
int AddressOfAdapter(const OwnAddresses& own, const char* name, char* address, char* addresses, size_t addressesSize);

// Whether this computer's addresses are known at all: the host lookup or the adapters
// answered. When neither did, no address can be said not to be this computer's.
bool OwnAddressesKnown(const OwnAddresses& own);

// A pair is stale when its source or its destination is not an address of this computer
// now. Fills `missing` with the side(s) that are not (source first) and returns how many;
// 0 when the addresses are not known, since then nothing can be said missing.
int MissingPairAddresses(const OwnAddresses& own, const char* source, const char* destination, const char* missing[2]);
