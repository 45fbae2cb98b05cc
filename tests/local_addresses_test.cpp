// Local address discovery: the list, its order and the standard-output lines. Natively the
// host's answers are scripted; under Wine they come from the machine's own Winsock.
#include <windows.h>
#include <winsock.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/adapters.h"
#include "net/local_addresses.h"
#include "net/own_addresses.h"
#include "tests/registry_helpers.h"
#include "tests/output_capture.h"
#ifndef _WIN32
#include "standin.h"
#endif

namespace {

std::vector<std::string> ListedAddresses(void)
{
    std::vector<std::string> listed;
    for (int i = 0; i < LocalAddressCount; ++i) {
        EXPECT_LT(strlen(LocalAddressList[i]), (size_t)ADDRESS_TEXT_SIZE);
        listed.push_back(LocalAddressList[i]);
    }
    return listed;
}

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        StandinReset();
#endif
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    }
    void TearDown() override { WSACleanup(); }

    int Discover(std::string* output)
    {
        BeginStdoutCapture();
        int result = DiscoverLocalAddresses();
        *output = EndStdoutCapture();
        return result;
    }
};

TEST_F(DiscoveryTest, AgreesWithTheHostLookup)
{
    std::string output;
    ASSERT_EQ(0, Discover(&output));

    // What the platform itself says of this host, asked independently.
    char hostName[256] = "";
    ASSERT_EQ(0, gethostname(hostName, sizeof hostName));
    struct hostent* entry = gethostbyname(hostName);
    ASSERT_NE(nullptr, entry);
    std::vector<std::string> expected;
    std::string expectedOutput = std::string("Host name is ") + hostName + " \r\n";
    for (int i = 0; entry->h_addr_list[i] != nullptr; ++i) {
        struct in_addr address;
        memcpy(&address, entry->h_addr_list[i], sizeof address);
        expected.push_back(inet_ntoa(address));
        expectedOutput += "IP Address " + std::to_string(i) + ": " + expected.back() + "\r\n";
    }
    EXPECT_EQ(expected, ListedAddresses());
    EXPECT_EQ(expectedOutput, output);
}

TEST_F(DiscoveryTest, WithoutWindowsSocketsTheListStaysEmpty)
{
    WSACleanup();
    std::string output;
    int before = LocalAddressCount;  // at start-up, none
    EXPECT_EQ(-1, Discover(&output));
    EXPECT_EQ(before, LocalAddressCount);
    if (RunningOnWine()) {
        // Known difference: Wine answers gethostname before start-up; only the lookup fails.
        EXPECT_EQ(0u, output.find("Host name is ")) << output;
        EXPECT_NE(std::string::npos, output.find(" \r\nError in gethostbyname()\r\n")) << output;
    } else {
        EXPECT_EQ("Error 10093 in gethostname()\r\n", output);
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // for the tear-down's cleanup
}

#ifndef _WIN32
// Scripted answers of the host lookup, which only the stand-in can give.

TEST_F(DiscoveryTest, ThreeAddressesInLookupOrder)
{
    StandinScriptHostName("printer-room");
    StandinScriptHostAddresses({"192.168.1.10", "10.0.0.5", "127.0.0.1"});
    std::string output;
    ASSERT_EQ(0, Discover(&output));
    EXPECT_EQ((std::vector<std::string>{"192.168.1.10", "10.0.0.5", "127.0.0.1"}), ListedAddresses());
    EXPECT_EQ("Host name is printer-room \r\n"
              "IP Address 0: 192.168.1.10\r\n"
              "IP Address 1: 10.0.0.5\r\n"
              "IP Address 2: 127.0.0.1\r\n",
              output);
}

TEST_F(DiscoveryTest, DuplicatesAreKeptAndLoopbackOnlyWhenListed)
{
    StandinScriptHostName("twice");
    StandinScriptHostAddresses({"10.0.0.5", "10.0.0.5", "255.255.255.255"});
    std::string output;
    ASSERT_EQ(0, Discover(&output));
    EXPECT_EQ((std::vector<std::string>{"10.0.0.5", "10.0.0.5", "255.255.255.255"}), ListedAddresses());
}

TEST_F(DiscoveryTest, HostWithoutAddressesGivesEmptyList)
{
    StandinScriptHostName("lonely");
    StandinScriptHostAddresses({});
    std::string output;
    EXPECT_EQ(0, Discover(&output));
    EXPECT_EQ("Host name is lonely \r\n", output);
    EXPECT_EQ(0, LocalAddressCount);
    EXPECT_EQ(nullptr, LocalAddressList);
}

TEST_F(DiscoveryTest, FailedHostNameSkipsTheLookup)
{
    StandinScriptHostAddresses({"10.0.0.5"});
    ASSERT_EQ(0, DiscoverLocalAddresses());
    StandinScriptHostNameError(10050);
    int lookupsBefore = StandinCallCount("gethostbyname");
    std::string output;
    EXPECT_EQ(-1, Discover(&output));
    EXPECT_EQ("Error 10050 in gethostname()\r\n", output);
    EXPECT_EQ(lookupsBefore, StandinCallCount("gethostbyname"));
    EXPECT_EQ(1, LocalAddressCount) << "a failed discovery leaves the list it found before";
}

TEST_F(DiscoveryTest, FailedLookupLeavesTheListAsItWas)
{
    StandinScriptHostAddresses({});
    std::string output;
    ASSERT_EQ(0, Discover(&output));
    StandinScriptHostName("nowhere");
    StandinScriptHostLookupFailure();
    EXPECT_EQ(-1, Discover(&output));
    EXPECT_EQ("Host name is nowhere \r\nError in gethostbyname()\r\n", output);
    EXPECT_EQ(0, LocalAddressCount);
}

TEST_F(DiscoveryTest, HostNameMustFitEightyCharacters)
{
    std::string fits(79, 'h');
    StandinScriptHostName(fits.c_str());
    StandinScriptHostAddresses({"10.0.0.5"});
    std::string output;
    EXPECT_EQ(0, Discover(&output));
    EXPECT_EQ("Host name is " + fits + " \r\nIP Address 0: 10.0.0.5\r\n", output);

    std::string tooLong(80, 'h');
    StandinScriptHostName(tooLong.c_str());
    EXPECT_EQ(-1, Discover(&output));
    EXPECT_EQ("Error 10014 in gethostname()\r\n", output);
}
#endif

}  // namespace

#ifndef _WIN32
namespace {

OwnAddresses g_own = {};

std::string Holder(const char* address)
{
    char text[ADDRESS_HOLDER_TEXT_SIZE];
    memset(text, 0xbd, sizeof text);
    DescribeAddressHolder(g_own, address, "not on this computer", "adapter names unavailable", text, sizeof text);
    return text;
}

TEST(AdapterTest, SaysWhichAdapterHoldsAnAddressAndItsNetwork)
{
    StandinReset();
    StandinScriptAdapters({{"Ethernet 2", "192.168.1.10", 24},
                           {"Wi-Fi", "10.0.0.5", 16},
                           {"Ethernet 2", "172.16.5.77", 20},
                           {"Loopback", "127.0.0.1", 8},
                           {"Host only", "10.1.2.3", 32},
                           {"Everywhere", "8.8.4.4", 0},
                           {std::string(200, 'n'), "10.9.9.9", 31}});
    ASSERT_EQ(0, DiscoverAdapterAddresses(&g_own));
    ASSERT_EQ(7, g_own.adapterCount);
    EXPECT_EQ("Ethernet 2, 192.168.1.0/24", Holder("192.168.1.10"));
    EXPECT_EQ("Wi-Fi, 10.0.0.0/16", Holder("10.0.0.5"));
    EXPECT_EQ("Ethernet 2, 172.16.0.0/20", Holder("172.16.5.77")) << "a second address of the same adapter";
    EXPECT_EQ("Loopback, 127.0.0.0/8", Holder("127.0.0.1"));
    EXPECT_EQ("Host only, 10.1.2.3/32", Holder("10.1.2.3"));
    EXPECT_EQ("Everywhere, 0.0.0.0/0", Holder("8.8.4.4"));
    EXPECT_EQ(std::string(ADAPTER_NAME_SIZE - 1, 'n') + ", 10.9.9.8/31", Holder("10.9.9.9"))
        << "a name longer than the field is cut, not overrun";
    EXPECT_EQ("not on this computer", Holder("192.168.1.11"));
    EXPECT_EQ("not on this computer", Holder(""));

    // A name in the ANSI code page, and a list that outgrows the first buffer.
    std::vector<StandinAdapterAddress> many = {{"Caf\xe9", "10.5.0.1", 16}};
    for (int i = 0; i < 300; ++i)
        many.push_back({"Adapter " + std::to_string(i) + std::string(100, '.'), "10.6." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1), 24});
    StandinScriptAdapters(many);
    ASSERT_EQ(0, DiscoverAdapterAddresses(&g_own));
    EXPECT_EQ(301, g_own.adapterCount);
    EXPECT_EQ("Caf\xe9, 10.5.0.0/16", Holder("10.5.0.1"));
    EXPECT_EQ("Adapter 299" + std::string(100, '.') + ", 10.6.1.0/24", Holder("10.6.1.100"));

    // No adapters: no address is on one. A platform that cannot say: nothing is known.
    StandinScriptAdapters({{"Pending", "0.0.0.0", 0}});
    ASSERT_EQ(0, DiscoverAdapterAddresses(&g_own));
    EXPECT_EQ("not on this computer", Holder("192.168.1.10"));
    EXPECT_EQ("not on this computer", Holder("0.0.0.0")) << "an adapter without an address yet";
    StandinFailCall("GetAdaptersAddresses", 0, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(-1, DiscoverAdapterAddresses(&g_own));
    EXPECT_EQ("adapter names unavailable", Holder("192.168.1.10"));
    FreeOwnAddresses(&g_own);
}

}  // namespace
#endif
