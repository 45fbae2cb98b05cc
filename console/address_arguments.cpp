// Addresses and adapter names on the command line.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "console/address_arguments.h"
#include "net/adapters.h"
#include "resources/program_texts.h"

// Dotted-decimal text exactly as the platform writes it, so that texts compare as addresses.
static bool IsAddressText(const char* text)
{
    unsigned parts[4];
    char rest;
    if (strlen(text) >= ADDRESS_TEXT_SIZE) return false;
    if (sscanf(text, "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &rest) != 4) return false;
    char canonical[ADDRESS_TEXT_SIZE + 8];
    for (unsigned part : parts)
        if (part > 255) return false;
    snprintf(canonical, sizeof canonical, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
    return strcmp(canonical, text) == 0;
}

static bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return false;
    return *a == *b;
}

static bool IsLocalAddress(const char* address)
{
    for (int i = 0; i < LocalAddressCount; ++i)
        if (strcmp(LocalAddressList[i], address) == 0) return true;
    for (int i = 0; i < AdapterAddressCount; ++i)
        if (strcmp(AdapterAddressList[i].address, address) == 0) return true;
    return false;
}

// The one IPv4 address of the adapter named `name` (names compare as Windows does, without
// regard to case). 0 when no adapter has the name, else the number of its addresses.
static int AddressOfAdapter(const char* name, char* address, char* addresses, size_t addressesSize)
{
    int adapters = 0, count = 0;
    addresses[0] = 0;
    for (int i = 0; i < AdapterAddressCount; ++i) {
        const AdapterAddress& entry = AdapterAddressList[i];
        if (!SameName(entry.adapterName, name)) continue;
        ++adapters;
        if (entry.address[0] == 0) continue;
        if (count++ == 0) snprintf(address, ADDRESS_TEXT_SIZE, "%s", entry.address);
        size_t used = strlen(addresses);
        snprintf(addresses + used, addressesSize - used, "%s%s", used > 0 ? ", " : "", entry.address);
    }
    return adapters == 0 ? -1 : count;
}

bool ResolveAddressArgument(const char* argument, bool mustBeLocal, char* address, char* why, size_t whySize)
{
    address[0] = 0;
    why[0] = 0;
    if (IsAddressText(argument)) {
        snprintf(address, ADDRESS_TEXT_SIZE, "%s", argument);
        if (mustBeLocal && !IsLocalAddress(address)) {
            snprintf(why, whySize, TEXT_PAIRS_NOT_LOCAL, argument);
            return false;
        }
        return true;
    }
    char addresses[512];
    int count = AddressOfAdapter(argument, address, addresses, sizeof addresses);
    if (count < 0)
        snprintf(why, whySize, TEXT_PAIRS_UNKNOWN_ARGUMENT, argument);
    else if (count == 0)
        snprintf(why, whySize, TEXT_PAIRS_ADAPTER_WITHOUT_ADDRESS, argument);
    else if (count > 1)
        snprintf(why, whySize, TEXT_PAIRS_ADAPTER_WITH_ADDRESSES, argument, addresses);
    return count == 1;
}
