// The machine's own IPv4 addresses as dotted-decimal text, found once at start-up: the
// only addresses the General page offers for new pairs.
#pragma once

#include <stdio.h>

#include "net/address_text.h"

#define HOST_NAME_SIZE 80

// Allocated once by DiscoverLocalAddresses, in the order the host lookup lists them.
extern AddressText* LocalAddressList;
extern int LocalAddressCount;

// Fills the list from the host name's addresses. Windows Sockets must have been started.
// Returns 0 when the list was built (with any number of addresses), -1 (list empty) when the
// host name or its addresses are not available: an empty list is then not "no addresses".
int DiscoverLocalAddresses(void);

// The same, with the diagnostic lines written to `diagnostics`, or nowhere when NULL.
int DiscoverLocalAddressesWritingTo(FILE* diagnostics);
