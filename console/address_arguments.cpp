// Addresses and adapter names on the command line.
#include <stdio.h>
#include <string.h>

#include "console/address_arguments.h"
#include "audit/printable_text.h"
#include "net/own_addresses.h"
#include "console/pairs_texts.h"

// Dotted-decimal text exactly as the platform writes it, so that texts compare as addresses.
bool IsAddressText(const char* text)
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

std::string ThisComputersAddressesText(const OwnAddresses& own)
{
    std::string adapters, addresses;
    for (int i = 0; i < own.adapterCount; ++i) {
        const AdapterAddress& adapter = own.adapters[i];
        adapters += (adapters.empty() ? "\"" : ", \"") + ShortenedArgument(adapter.adapterName) + "\"" +
                    (adapter.address[0] ? std::string(" (") + adapter.address + ")" : " (none)");
    }
    if (!own.adaptersKnown) adapters = TEXT_PAIRS_NO_ADAPTERS_KNOWN;
    auto addOnce = [&addresses](const char* address) {
        std::string listed = ", " + addresses + ",";
        if (address[0] != 0 && listed.find(", " + std::string(address) + ",") == std::string::npos)
            addresses += (addresses.empty() ? "" : ", ") + std::string(address);
    };
    for (int i = 0; own.hostListKnown && i < own.hostCount; ++i) addOnce(own.hostList[i]);
    for (int i = 0; i < own.adapterCount; ++i) addOnce(own.adapters[i].address);
    char text[2048];
    snprintf(text, sizeof text, TEXT_PAIRS_THIS_COMPUTER, adapters.empty() ? "none" : adapters.c_str(),
             addresses.empty() ? "none" : addresses.c_str());
    return text;
}

AddressResolution ResolveAddressArgument(const OwnAddresses& own, const char* argument, bool mustBeLocal, char* address,
                                         char* why, size_t whySize)
{
    address[0] = 0;
    why[0] = 0;
    if (IsAddressText(argument)) {
        snprintf(address, ADDRESS_TEXT_SIZE, "%s", argument);
        if (mustBeLocal && !IsLocalAddress(own, address)) {
            snprintf(why, whySize, TEXT_PAIRS_NOT_LOCAL, address);
            return ADDRESS_REFUSED;
        }
        return ADDRESS_RESOLVED;
    }
    char addresses[512];
    int count = AddressOfAdapter(own, argument, address, addresses, sizeof addresses);
    std::string echoed = ShortenedArgument(argument);
    if (count < 0)
        snprintf(why, whySize, TEXT_PAIRS_UNKNOWN_ARGUMENT, echoed.c_str());
    else if (count == 0)
        snprintf(why, whySize, TEXT_PAIRS_ADAPTER_WITHOUT_ADDRESS, echoed.c_str());
    else if (count > 1)
        snprintf(why, whySize, TEXT_PAIRS_ADAPTER_WITH_ADDRESSES, echoed.c_str(), addresses);
    return count == 1 ? ADDRESS_RESOLVED : count < 0 ? ADDRESS_MALFORMED : ADDRESS_REFUSED;
}
