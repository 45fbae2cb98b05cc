// mDNSPairs: the address pairs of the Corvane mDNS Repeater for scripts and fleet tools.
// Start-up as the configurator's: Windows Sockets, this computer's addresses and adapters;
// then one command, whose outcome is the exit code.
#include <windows.h>
#include <winsock.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "console/pairs_commands.h"
#include "net/adapters.h"
#include "net/local_addresses.h"

int main(int argc, char** argv)
{
    // The export writes its own "\r\n"; keep the C library from adding a second CR.
    _setmode(_fileno(stdout), _O_BINARY);
    WSADATA socketsData;
    WSAStartup(MAKEWORD(2, 2), &socketsData);  // a failure leaves no addresses, so adds are refused
    // The configurator's discovery diagnostics would mix with the commands' output.
    OwnAddresses own = {};
    own.hostListKnown = DiscoverLocalAddressesWritingTo(NULL) == 0;
    own.hostList = LocalAddressList;
    own.hostCount = LocalAddressCount;
    DiscoverAdapterAddresses(&own);
    int exitCode = RunPairsCommand(argc, argv, own);
    FreeOwnAddresses(&own);
    return exitCode;
}
