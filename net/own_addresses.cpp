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

bool IsLocalAddress(const char* address)
{
    if (address[0] == 0 || strcmp(address, UNSPECIFIED_ADDRESS) == 0) return false;
    for (int i = 0; i < LocalAddressCount; ++i)
        if (strcmp(LocalAddressList[i], address) == 0) return true;
    for (int i = 0; i < AdapterAddressCount; ++i)
        if (strcmp(AdapterAddressList[i].address, address) == 0) return true;
    return false;
}

int AddressOfAdapter(const char* name, char* address, char* addresses, size_t addressesSize)
{
    int adapters = 0, count = 0;
    address[0] = 0;
    if (addressesSize > 0) addresses[0] = 0;
    for (int i = 0; i < AdapterAddressCount; ++i) {
        const AdapterAddress& entry = AdapterAddressList[i];
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

bool OwnAddressesKnown(void)
{
    return LocalAddressesKnown || AdapterAddressesKnown;
}

int MissingPairAddresses(const char* source, const char* destination, const char* missing[2])
{
    if (!OwnAddressesKnown()) return 0;
    int count = 0;
    if (!IsLocalAddress(source)) missing[count++] = source;
    if (!IsLocalAddress(destination)) missing[count++] = destination;
    return count;
}

void ResetAddressLists(void)
{
    free(LocalAddressList);
    LocalAddressList = NULL;
    LocalAddressCount = 0;
    free(AdapterAddressList);
    AdapterAddressList = NULL;
    AdapterAddressCount = 0;
    AdapterAddressesKnown = false;
    LocalAddressesKnown = false;
}
