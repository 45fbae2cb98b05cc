// A side of a pair as a script names it: an IPv4 address, or the friendly name of an adapter
// of this computer, which stands for that adapter's one IPv4 address.
#pragma once

#include <stddef.h>

#include <string>

#include "net/adapters.h"

enum AddressResolution {
    ADDRESS_RESOLVED,
    ADDRESS_REFUSED,    // an address or adapter, but not one a rule allows here
    ADDRESS_MALFORMED,  // neither an address nor an adapter's name: a usage error
};

// Dotted-decimal text exactly as the platform writes it ("10.0.0.5", no leading zeros).
bool IsAddressText(const char* text);

// This computer's adapters with their addresses, and its addresses, as a line that answers a
// word that named neither.
std::string ThisComputersAddressesText(const OwnAddresses& own);

// Turns `argument` into an address text. With `mustBeLocal`, the address must be one of this
// computer's. The reason in `why` when it cannot.
AddressResolution ResolveAddressArgument(const OwnAddresses& own, const char* argument, bool mustBeLocal, char* address,
                                         char* why, size_t whySize);
