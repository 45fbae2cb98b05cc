// Which adapter of this computer holds an IPv4 address: the adapters' friendly names,
// addresses and networks from the IP Helper, found once at start-up. They only explain
// addresses; the choosers, the rows and the store keep the bare addresses.
#pragma once

#include "net/local_addresses.h"

#define ADAPTER_NAME_SIZE 128
// "<adapter name>, 255.255.255.255/32", or that no adapter holds the address.
#define ADDRESS_HOLDER_TEXT_SIZE (ADAPTER_NAME_SIZE + 24)

struct AdapterAddress {
    char adapterName[ADAPTER_NAME_SIZE];
    AddressText address;
    int prefixLength;
};

// Allocated by DiscoverAdapterAddresses, in the order the platform lists them: one entry
// per IPv4 address, and one with an empty address for an adapter that has none.
extern AdapterAddress* AdapterAddressList;
extern int AdapterAddressCount;
// False until the platform has listed the adapters, and when it could not: then no address
// can be said to be on no adapter.
extern bool AdapterAddressesKnown;

// Fills the list from GetAdaptersAddresses. Returns 0, or -1 (list empty) when the
// platform cannot say.
int DiscoverAdapterAddresses(void);

// The adapter that holds `address`: its name and its network ("192.168.1.0/24"). False when
// no adapter is known to hold it.
bool FindAddressHolder(const char* address, char* name, size_t nameSize, char* network, size_t networkSize);

// Says which adapter holds `address`, as "Ethernet 2, 192.168.1.0/24", that none does, or
// that the adapters are not known.
void DescribeAddressHolder(const char* address, char* text, size_t size);
