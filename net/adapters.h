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

// This computer's addresses beyond the local address list: whether its host lookup answered,
// and its adapters' addresses. Each program discovers them once, keeps them, and hands them
// to every question about an address.
struct OwnAddresses {
    bool hostListKnown;        // the host lookup answered: `hostList` is its answer
    const AddressText* hostList;  // the local address list (LocalAddressList in the programs)
    int hostCount;
    // In the order the platform lists them: one entry per IPv4 address, and one with an
    // empty address for an adapter that has none.
    AdapterAddress* adapters;
    int adapterCount;
    // False when the platform could not list the adapters: then no address can be said to
    // be on no adapter.
    bool adaptersKnown;
};

// Fills the adapters from GetAdaptersAddresses. Returns 0, or -1 (none) when the platform
// cannot say.
int DiscoverAdapterAddresses(OwnAddresses* own);
// Frees the adapters; the local address list is the program's and stays (`hostList` no
// longer points at it).
void FreeOwnAddresses(OwnAddresses* own);

// The adapter that holds `address`: its name and its network ("192.168.1.0/24"). False when
// no adapter is known to hold it.
bool FindAddressHolder(const OwnAddresses& own, const char* address, char* name, size_t nameSize, char* network,
                       size_t networkSize);

// Which adapter holds `address`, as "Ethernet 2, 192.168.1.0/24"; else the program's words
// for none (`noneText`) or for adapters that are not known (`unknownText`).
void DescribeAddressHolder(const OwnAddresses& own, const char* address, const char* noneText, const char* unknownText,
                           char* text, size_t size);
