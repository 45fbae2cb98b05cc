// The IP Helper's adapter list, answered from a script: each adapter with its friendly
// name and IPv4 addresses, laid out in the caller's buffer as Windows does it.
#include <arpa/inet.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "iphlpapi.h"
#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_reset.h"

namespace {

std::vector<StandinAdapterAddress> g_adapters;
const size_t kAlignment = alignof(IP_ADAPTER_ADDRESSES);

}  // namespace

void StandinScriptAdapters(const std::vector<StandinAdapterAddress>& addresses)
{
    g_adapters = addresses;
}

void StandinResetAdapters(void)
{
    g_adapters.clear();
}

ULONG WINAPI GetAdaptersAddresses(ULONG family, ULONG, void*, IP_ADAPTER_ADDRESSES* addresses, ULONG* size)
{
    LONG injected;
    if (StandinTakeFault("GetAdaptersAddresses", "", &injected)) return (ULONG)injected;
    if (size == nullptr || family != AF_INET) return ERROR_INVALID_PARAMETER;
    // One adapter per name, in the order the script first names them.
    std::vector<std::string> names;
    for (const StandinAdapterAddress& entry : g_adapters) {
        bool known = false;
        for (const std::string& name : names) known = known || name == entry.adapterName;
        if (!known) names.push_back(entry.adapterName);
    }
    if (names.empty()) return ERROR_NO_DATA;
    size_t nameBytes = 0;
    for (const std::string& name : names) nameBytes += (name.size() + 1) * sizeof(WCHAR);
    // Every adapter's name is followed by padding, so that what comes next is aligned.
    size_t needed = names.size() * (sizeof(IP_ADAPTER_ADDRESSES) + kAlignment) +
                    g_adapters.size() * (sizeof(IP_ADAPTER_UNICAST_ADDRESS) + sizeof(sockaddr_in)) + nameBytes;
    if (addresses == nullptr || *size < needed) {
        *size = (ULONG)needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    memset(addresses, 0, needed);
    BYTE* free = (BYTE*)(addresses + names.size());
    for (size_t a = 0; a < names.size(); ++a) {
        IP_ADAPTER_ADDRESSES* adapter = &addresses[a];
        adapter->Next = a + 1 < names.size() ? &addresses[a + 1] : nullptr;
        adapter->AdapterName = nullptr;
        IP_ADAPTER_UNICAST_ADDRESS** link = &adapter->FirstUnicastAddress;
        for (const StandinAdapterAddress& entry : g_adapters) {
            if (entry.adapterName != names[a] || entry.address.empty()) continue;
            IP_ADAPTER_UNICAST_ADDRESS* unicast = (IP_ADAPTER_UNICAST_ADDRESS*)free;
            free += sizeof *unicast;
            sockaddr_in* address = (sockaddr_in*)free;
            free += sizeof *address;
            address->sin_family = AF_INET;
            inet_pton(AF_INET, entry.address.c_str(), &address->sin_addr);
            unicast->Address.lpSockaddr = (sockaddr*)address;
            unicast->Address.iSockaddrLength = sizeof *address;
            unicast->OnLinkPrefixLength = (UINT8)entry.prefixLength;
            *link = unicast;
            link = &unicast->Next;
        }
        adapter->FriendlyName = (PWCHAR)free;
        for (char c : names[a]) *(WCHAR*)free = (WCHAR)(unsigned char)c, free += sizeof(WCHAR);
        free += sizeof(WCHAR);  // the NUL, already zero
        free = (BYTE*)(((uintptr_t)free + kAlignment - 1) & ~(uintptr_t)(kAlignment - 1));
    }
    return ERROR_SUCCESS;
}

