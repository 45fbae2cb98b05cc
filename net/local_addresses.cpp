// Local address discovery through the host name: gethostname, then gethostbyname.
#include <windows.h>
#include <winsock.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "net/local_addresses.h"
#include "resources/diagnostic_texts.h"

AddressText* LocalAddressList = NULL;
int LocalAddressCount = 0;

static int CountAddresses(const struct hostent* entry)
{
    // gethostbyname answers only IPv4; anything else is not an address we can offer.
    if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list == NULL) return 0;
    int count = 0;
    while (entry->h_addr_list[count] != NULL) ++count;
    return count;
}

int DiscoverLocalAddressesWritingTo(FILE* diagnostics)
{
    char hostName[HOST_NAME_SIZE];
    memset(hostName, 0, sizeof hostName);
    if (gethostname(hostName, HOST_NAME_SIZE) != 0) {
        if (diagnostics) fprintf(diagnostics, DIAGNOSTIC_HOST_NAME_ERROR, WSAGetLastError());
        return -1;
    }
    hostName[HOST_NAME_SIZE - 1] = 0;
    if (diagnostics) fprintf(diagnostics, DIAGNOSTIC_HOST_NAME, hostName);

    struct hostent* entry = gethostbyname(hostName);
    if (entry == NULL) {
        if (diagnostics) fprintf(diagnostics, DIAGNOSTIC_HOST_LOOKUP_ERROR);
        return -1;
    }

    int count = CountAddresses(entry);
    for (int index = 0; index < count; ++index) {
        struct in_addr address;
        memcpy(&address, entry->h_addr_list[index], sizeof address);
        if (diagnostics) fprintf(diagnostics, DIAGNOSTIC_ADDRESS, index, inet_ntoa(address));
    }

    // Discovery runs once in the program; a second run (tests) replaces the list.
    free(LocalAddressList);
    LocalAddressList = NULL;
    LocalAddressCount = 0;
    if (count == 0) return 0;
    LocalAddressList = (AddressText*)calloc((size_t)count, sizeof(AddressText));
    if (LocalAddressList == NULL) return -1;
    for (int index = 0; index < count; ++index) {
        struct in_addr address;
        memcpy(&address, entry->h_addr_list[index], sizeof address);
        snprintf(LocalAddressList[index], ADDRESS_TEXT_SIZE, "%s", inet_ntoa(address));
    }
    LocalAddressCount = count;
    return 0;
}

int DiscoverLocalAddresses(void)
{
    return DiscoverLocalAddressesWritingTo(stdout);
}
