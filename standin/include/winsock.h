// Windows Sockets as the address discovery uses them, mapped onto the POSIX calls of
// the same names for the native build. A test can script the answers (standin.h).
#pragma once

// unistd.h first, so that its gethostname is declared before the mapping below.
#include <unistd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include "windows.h"

typedef uint16_t WORD;
#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
} WSADATA, *LPWSADATA;

#define WSAEFAULT 10014
#define WSANOTINITIALISED 10093
#define WSAHOST_NOT_FOUND 11001

int StandinWSAStartup(WORD version, LPWSADATA data);
int StandinWSACleanup(void);
int StandinWSAGetLastError(void);
int StandinGethostname(char* name, int length);
struct hostent* StandinGethostbyname(const char* name);
char* StandinInetNtoa(struct in_addr address);

#define WSAStartup StandinWSAStartup
#define WSACleanup StandinWSACleanup
#define WSAGetLastError StandinWSAGetLastError
#define gethostname StandinGethostname
#define gethostbyname StandinGethostbyname
#define inet_ntoa StandinInetNtoa
