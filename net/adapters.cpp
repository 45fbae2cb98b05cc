// The adapters' IPv4 addresses through the IP Helper, and what they say of an address.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#endif
#include <iphlpapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "net/adapters.h"

#define ADAPTER_BUFFER_SIZE 16384
#define ADAPTER_LIST_TRIES 3
// A friendly name has at most 256 characters; a double-byte code page may need two bytes each.
#define CONVERTED_NAME_SIZE (2 * 256 + 1)  // the list may grow between the size query and the read

static IP_ADAPTER_ADDRESSES* ReadAdapters(void)
{
    ULONG size = ADAPTER_BUFFER_SIZE;
    for (int attempt = 0; attempt < ADAPTER_LIST_TRIES; ++attempt) {
        IP_ADAPTER_ADDRESSES* adapters = (IP_ADAPTER_ADDRESSES*)malloc(size);
        if (adapters == NULL) return NULL;
        ULONG status = GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER, NULL, adapters, &size);
        if (status == ERROR_SUCCESS) return adapters;
        free(adapters);
        if (status != ERROR_BUFFER_OVERFLOW) return NULL;
    }
    return NULL;
}

static void FormatAddress(const BYTE* bytes, char* text, size_t size)
{
    snprintf(text, size, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

void FreeOwnAddresses(OwnAddresses* own)
{
    own->hostList = NULL;
    own->hostCount = 0;
    free(own->adapters);
    own->adapters = NULL;
    own->adapterCount = 0;
    own->adaptersKnown = false;
}

int DiscoverAdapterAddresses(OwnAddresses* own)
{
    free(own->adapters);
    own->adapters = NULL;
    own->adapterCount = 0;
    own->adaptersKnown = false;
    IP_ADAPTER_ADDRESSES* adapters = ReadAdapters();
    if (adapters == NULL) return -1;
    // One entry per address, and one without an address for an adapter that has none.
    int count = 0;
    for (IP_ADAPTER_ADDRESSES* adapter = adapters; adapter != NULL; adapter = adapter->Next) {
        ++count;
        for (IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next)
            ++count;
    }
    own->adapters = (AdapterAddress*)calloc(count > 0 ? (size_t)count : 1, sizeof(AdapterAddress));
    if (own->adapters == NULL) {
        free(adapters);
        return -1;
    }
    for (IP_ADAPTER_ADDRESSES* adapter = adapters; adapter != NULL; adapter = adapter->Next) {
        // Characters without a single-byte form become the platform's default character;
        // a name longer than the field is cut.
        char converted[CONVERTED_NAME_SIZE];
        if (WideCharToMultiByte(CP_ACP, 0, adapter->FriendlyName, -1, converted, sizeof converted, NULL, NULL) == 0)
            snprintf(converted, sizeof converted, "?");
        size_t nameLength = strnlen(converted, ADAPTER_NAME_SIZE - 1);
        int firstEntry = own->adapterCount;
        for (IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const struct sockaddr* address = unicast->Address.lpSockaddr;
            if (address == NULL || address->sa_family != AF_INET) continue;
            const struct sockaddr_in* ipv4 = (const struct sockaddr_in*)address;
            // 0.0.0.0 is an adapter still waiting for an address, not an address of it.
            if (ipv4->sin_addr.s_addr == 0) continue;
            AdapterAddress* entry = &own->adapters[own->adapterCount++];
            memcpy(entry->adapterName, converted, nameLength);
            FormatAddress((const BYTE*)&ipv4->sin_addr, entry->address, ADDRESS_TEXT_SIZE);
            entry->prefixLength = unicast->OnLinkPrefixLength <= 32 ? unicast->OnLinkPrefixLength : 32;
        }
        if (own->adapterCount == firstEntry) memcpy(own->adapters[own->adapterCount++].adapterName, converted, nameLength);
    }
    free(adapters);
    own->adaptersKnown = true;
    return 0;
}

bool FindAddressHolder(const OwnAddresses& own, const char* address, char* name, size_t nameSize, char* network,
                       size_t networkSize)
{
    for (int i = 0; i < own.adapterCount; ++i) {
        const AdapterAddress& entry = own.adapters[i];
        if (entry.address[0] == 0 || strcmp(entry.address, address) != 0) continue;
        unsigned parts[4];
        if (sscanf(entry.address, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) return false;
        BYTE bytes[4];
        for (int part = 0; part < 4; ++part) {
            int bitsHere = entry.prefixLength - 8 * part;
            unsigned mask = bitsHere >= 8 ? 0xFF : bitsHere <= 0 ? 0 : (0xFF << (8 - bitsHere)) & 0xFF;
            bytes[part] = (BYTE)(parts[part] & mask);
        }
        char networkText[ADDRESS_TEXT_SIZE];
        FormatAddress(bytes, networkText, sizeof networkText);
        snprintf(name, nameSize, "%s", entry.adapterName);
        snprintf(network, networkSize, "%s/%d", networkText, entry.prefixLength);
        return true;
    }
    return false;
}

void DescribeAddressHolder(const OwnAddresses& own, const char* address, const char* noneText, const char* unknownText,
                           char* text, size_t size)
{
    char name[ADAPTER_NAME_SIZE], network[ADDRESS_TEXT_SIZE + 4];
    if (FindAddressHolder(own, address, name, sizeof name, network, sizeof network))
        snprintf(text, size, "%s, %s", name, network);
    else
        snprintf(text, size, "%s", own.adaptersKnown ? noneText : unknownText);
}
