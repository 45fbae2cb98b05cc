// Answers about this computer's addresses from the host lookup's list and the adapters'.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "net/adapters.h"
#include "net/local_addresses.h"
#include "net/own_addresses.h"

#define UNSPECIFIED_ADDRESS "0.0.0.0"

static bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return false;
    return *a == *b;
}

bool IsLocalAddress(const OwnAddresses& own, const char* address)
{
    if (address[0] == 0 || strcmp(address, UNSPECIFIED_ADDRESS) == 0) return false;
    for (int i = 0; i < own.hostCount; ++i)
        if (strcmp(own.hostList[i], address) == 0) return true;
    for (int i = 0; i < own.adapterCount; ++i)
        if (strcmp(own.adapters[i].address, address) == 0) return true;
    return false;
}

int AddressOfAdapter(const OwnAddresses& own, const char* name, char* address, char* addresses, size_t addressesSize)
{
    int adapters = 0, count = 0;
    address[0] = 0;
    if (addressesSize > 0) addresses[0] = 0;
    for (int i = 0; i < own.adapterCount; ++i) {
        const AdapterAddress& entry = own.adapters[i];
        if (!SameName(entry.adapterName, name)) continue;
        ++adapters;
        if (entry.address[0] == 0) continue;
        if (count++ == 0) snprintf(address, ADDRESS_TEXT_SIZE, "%s", entry.address);
        size_t used = strlen(addresses);
        if (used + 1 < addressesSize)
            snprintf(addresses + used, addressesSize - used, "%s%s", used > 0 ? ", " : "", entry.address);
    }
    return adapters == 0 ? -1 : count;
}

bool OwnAddressesKnown(const OwnAddresses& own)
{
    return own.hostListKnown || own.adaptersKnown;
}

int MissingPairAddresses(const OwnAddresses& own, const char* source, const char* destination, const char* missing[2])
{
    if (!OwnAddressesKnown(own)) return 0;
    int count = 0;
    if (!IsLocalAddress(own, source)) missing[count++] = source;
    if (!IsLocalAddress(own, destination)) missing[count++] = destination;
    return count;
}
