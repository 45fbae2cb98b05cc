// The IP Helper's adapter list as the adapter lookup uses it, for the native build: the
// fields it reads, with Windows's names. A test scripts the adapters (standin.h).
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include "windows.h"

typedef uint8_t UINT8;
typedef uint32_t ULONG;
typedef WCHAR* PWCHAR;

typedef struct _SOCKET_ADDRESS {
    struct sockaddr* lpSockaddr;
    int iSockaddrLength;
} SOCKET_ADDRESS;

typedef struct _IP_ADAPTER_UNICAST_ADDRESS {
    struct _IP_ADAPTER_UNICAST_ADDRESS* Next;
    SOCKET_ADDRESS Address;
    UINT8 OnLinkPrefixLength;
} IP_ADAPTER_UNICAST_ADDRESS;

typedef struct _IP_ADAPTER_ADDRESSES {
    struct _IP_ADAPTER_ADDRESSES* Next;
    char* AdapterName;
    IP_ADAPTER_UNICAST_ADDRESS* FirstUnicastAddress;
    PWCHAR FriendlyName;
} IP_ADAPTER_ADDRESSES;

#define GAA_FLAG_SKIP_ANYCAST 0x0002
#define GAA_FLAG_SKIP_MULTICAST 0x0004
#define GAA_FLAG_SKIP_DNS_SERVER 0x0008
#define ERROR_BUFFER_OVERFLOW 111L
#define ERROR_NO_DATA 232L

ULONG WINAPI GetAdaptersAddresses(ULONG family, ULONG flags, void* reserved, IP_ADAPTER_ADDRESSES* addresses,
                                  ULONG* size);

