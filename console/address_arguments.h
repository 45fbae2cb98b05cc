// A side of a pair as a script names it: an IPv4 address, or the friendly name of an adapter
// of this computer, which stands for that adapter's one IPv4 address.
#pragma once

#include <stddef.h>

#include "net/local_addresses.h"

// Turns `argument` into an address text. With `mustBeLocal`, the address must be one of this
// computer's. False, with the reason in `why`, when it cannot.
bool ResolveAddressArgument(const char* argument, bool mustBeLocal, char* address, char* why, size_t whySize);
