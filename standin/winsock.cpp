// Windows Sockets calls of the address discovery over their POSIX twins, with answers that
// a test can script: a failing host-name call or lookup, or any list of addresses.
#include <errno.h>
#include <string.h>

#include <string>
#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_reset.h"
#include "winsock.h"

#undef gethostname
#undef gethostbyname
#undef inet_ntoa

namespace {

bool g_started = false;
int g_lastError = 0;

bool g_hostNameScripted = false;
std::string g_hostName;
int g_hostNameError = 0;

bool g_addressesScripted = false;
bool g_lookupFails = false;
std::vector<in_addr> g_addresses;
std::vector<char*> g_addressPointers;
std::string g_entryName;
hostent g_entry;

}  // namespace

int StandinWSAStartup(WORD version, LPWSADATA data)
{
    if (data == nullptr) return WSAEFAULT;
    memset(data, 0, sizeof *data);
    data->wVersion = version;
    data->wHighVersion = MAKEWORD(2, 2);
    g_started = true;
    return 0;
}

int StandinWSACleanup(void)
{
    g_started = false;
    return 0;
}

int StandinWSAGetLastError(void)
{
    return g_lastError;
}

int StandinGethostname(char* name, int length)
{
    if (!g_started) {
        g_lastError = WSANOTINITIALISED;
        return -1;
    }
    if (g_hostNameScripted && g_hostNameError != 0) {
        g_lastError = g_hostNameError;
        return -1;
    }
    char systemName[1024] = "";
    if (!g_hostNameScripted && gethostname(systemName, sizeof systemName - 1) != 0) {
        g_lastError = WSAEFAULT;
        return -1;
    }
    const char* answer = g_hostNameScripted ? g_hostName.c_str() : systemName;
    // Windows refuses a buffer that cannot hold the name and its NUL; POSIX may truncate.
    if (name == nullptr || length <= 0 || strlen(answer) >= (size_t)length) {
        g_lastError = WSAEFAULT;
        return -1;
    }
    strcpy(name, answer);
    return 0;
}

struct hostent* StandinGethostbyname(const char* name)
{
    LONG unused;
    StandinTakeFault("gethostbyname", name, &unused);  // counts the call
    if (!g_started) {
        g_lastError = WSANOTINITIALISED;
        return nullptr;
    }
    if (!g_addressesScripted) return gethostbyname(name);
    if (g_lookupFails) {
        g_lastError = WSAHOST_NOT_FOUND;
        return nullptr;
    }
    g_entryName = name ? name : "";
    g_addressPointers.clear();
    for (in_addr& address : g_addresses) g_addressPointers.push_back((char*)&address);
    g_addressPointers.push_back(nullptr);
    memset(&g_entry, 0, sizeof g_entry);
    g_entry.h_name = &g_entryName[0];
    g_entry.h_addrtype = AF_INET;
    g_entry.h_length = 4;
    g_entry.h_addr_list = g_addressPointers.data();
    static char* noAliases[] = {nullptr};
    g_entry.h_aliases = noAliases;
    return &g_entry;
}

char* StandinInetNtoa(struct in_addr address)
{
    return inet_ntoa(address);
}

void StandinScriptHostName(const char* name)
{
    g_hostNameScripted = true;
    g_hostName = name ? name : "";
    g_hostNameError = name ? 0 : WSAEFAULT;
}

void StandinScriptHostNameError(int error)
{
    g_hostNameScripted = true;
    g_hostNameError = error;
}

void StandinScriptHostAddresses(const std::vector<std::string>& addresses)
{
    g_addressesScripted = true;
    g_lookupFails = false;
    g_addresses.clear();
    for (const std::string& text : addresses) {
        in_addr address;
        inet_pton(AF_INET, text.c_str(), &address);
        g_addresses.push_back(address);
    }
}

void StandinScriptHostLookupFailure(void)
{
    g_addressesScripted = true;
    g_lookupFails = true;
}

void StandinResetWinsock(void)
{
    g_started = false;
    g_lastError = 0;
    g_hostNameScripted = false;
    g_hostNameError = 0;
    g_addressesScripted = false;
    g_lookupFails = false;
    g_addresses.clear();
}
