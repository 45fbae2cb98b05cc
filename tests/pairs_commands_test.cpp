// The console companion's commands over the stand-in: a session of commands, each with its
// exit code, its output and the list it leaves, then the export's text and an unusable store.
#include "tests/registry_helpers.h"

#include <stdlib.h>
#include <string.h>

#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "net/adapters.h"
#include "net/local_addresses.h"
#include "resources/program_texts.h"
#include "standin.h"
#include "tests/child_process.h"
#include "tests/output_capture.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Rows;

struct Outcome {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

Outcome RunCommand(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {"mDNSPairs"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    BeginStdoutCapture();
    BeginStderrCapture();
    int exitCode = RunPairsCommand((int)argv.size(), argv.data());
    std::string error = EndStderrCapture();
    return Outcome{exitCode, EndStdoutCapture(), error};
}

Rows StoredRows(void)
{
    Rows rows;
    for (const std::string& name : SubkeyNames(NETWORKS)) {
        std::string path = NETWORKS "\\" + name;
        rows.emplace_back(GetValue(path, "IPsource").c_str(), GetValue(path, "IPdestination").c_str());
    }
    return rows;
}

class PairsCommandsTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (HasFatalFailure()) return;
        StandinScriptAdapters({{"Ethernet2", "192.168.1.10", 24},
                               {"WiFi", "10.0.0.5", 16},
                               {"Two", "10.1.0.1", 16},
                               {"Two", "10.2.0.1", 16},
                               {"Cable", "", 0}});
        ASSERT_EQ(0, DiscoverAdapterAddresses());
        free(LocalAddressList);
        LocalAddressList = (AddressText*)calloc(3, sizeof(AddressText));
        strcpy(LocalAddressList[0], "192.168.1.10");
        strcpy(LocalAddressList[1], "10.0.0.5");
        strcpy(LocalAddressList[2], "10.0.0.6");
        LocalAddressCount = 3;
    }
};

const std::string kRestart = std::string(TEXT_RESTART_NOTICE) + "\n";

TEST_F(PairsCommandsTest, ASessionOfCommands)
{
    struct Step {
        std::vector<std::string> arguments;
        int exitCode;
        std::string standardOutput;  // "*" for any
        std::string standardError;   // the first line, "*" for any
        Rows storedAfter;
    };
    const Rows one = {{"192.168.1.10", "10.0.0.5"}};
    const Rows two = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}};
    const Step steps[] = {
        {{"set", "Ethernet2", "WiFi"}, PAIRS_CHANGED, kRestart, "", one},
        {{"set", "ethernet2", "10.0.0.5"}, PAIRS_UNCHANGED, TEXT_PAIRS_ALREADY_SO "\n", "", one},
        {{"add", "10.0.0.5", "192.168.1.10"}, PAIRS_REFUSED, "", TEXT_RULE_DUPLICATE, one},
        {{"add", "10.0.0.6", "10.0.0.6"}, PAIRS_REFUSED, "", TEXT_RULE_SAME, one},
        {{"add", "", "WiFi"}, PAIRS_REFUSED, "", TEXT_RULE_BLANK, one},
        {{"add", "8.8.8.8", "WiFi"}, PAIRS_REFUSED, "", "8.8.8.8 is not an IPv4 address of this computer.", one},
        {{"add", "010.0.0.6", "WiFi"}, PAIRS_REFUSED, "",
         "\"010.0.0.6\" is neither an IPv4 address nor the name of an adapter of this computer.", one},
        {{"add", "Two", "WiFi"}, PAIRS_REFUSED, "",
         "The adapter \"Two\" has more than one IPv4 address (10.1.0.1, 10.2.0.1): name the address instead.", one},
        {{"add", "Cable", "WiFi"}, PAIRS_REFUSED, "", "The adapter \"Cable\" has no IPv4 address.", one},
        {{"add", "wifi", "10.0.0.6"}, PAIRS_CHANGED, kRestart, "", two},
        {{"set", "WiFi", "10.0.0.6", "10.0.0.6", "wifi"}, PAIRS_REFUSED, "", TEXT_RULE_DUPLICATE, two},
        {{"list"}, PAIRS_UNCHANGED,
         "192.168.1.10\t10.0.0.5\tEthernet2, 192.168.1.0/24\tWiFi, 10.0.0.0/16\n"
         "10.0.0.5\t10.0.0.6\tWiFi, 10.0.0.0/16\tnot on this computer\n",
         "", two},
        {{"remove", "10.0.0.6", "WiFi"}, PAIRS_CHANGED, kRestart, "", one},
        {{"remove", "1.2.3.4", "5.6.7.8"}, PAIRS_UNCHANGED,
         "The pair 1.2.3.4, 5.6.7.8 is not in the list: nothing was changed.\n", "", one},
        {{"add", "WiFi"}, PAIRS_USAGE, "", "Usage: mDNSPairs COMMAND [ARGUMENTS]", one},
        {{"set", "WiFi"}, PAIRS_USAGE, "", "*", one},
        {{}, PAIRS_USAGE, "", "*", one},
        {{"--help"}, PAIRS_UNCHANGED, "*", "", one},
        {{"set"}, PAIRS_CHANGED, kRestart, "", {}},
    };
    for (const Step& step : steps) {
        std::string command;
        for (const std::string& word : step.arguments) command += " [" + word + "]";
        SCOPED_TRACE(command);
        size_t writesBefore = StandinValueWrites().size();
        Outcome outcome = RunCommand(step.arguments);
        EXPECT_EQ(step.exitCode, outcome.exitCode);
        if (step.standardOutput != "*") {
            EXPECT_EQ(step.standardOutput, outcome.standardOutput);
        }
        std::string firstError = outcome.standardError.substr(0, outcome.standardError.find('\n'));
        if (step.standardError != "*") {
            EXPECT_EQ(step.standardError, firstError);
        }
        EXPECT_EQ(step.storedAfter, StoredRows());
        // The store is written only when it changes, and then as the configurator writes it.
        size_t writes = StandinValueWrites().size() - writesBefore;
        EXPECT_EQ(step.exitCode == PAIRS_CHANGED ? 4 * step.storedAfter.size() : 0u, writes);
        for (size_t i = 0; i < writes && i / 4 < step.storedAfter.size(); ++i) {
            const auto& row = step.storedAfter[i / 4];
            size_t lengths[] = {row.first.size(), row.second.size(), 1, 1};
            EXPECT_EQ(lengths[i % 4], StandinValueWrites()[writesBefore + i].byteCount);
        }
    }
}

TEST_F(PairsCommandsTest, ExportIsARegFileOfTheListAsSaved)
{
    StorePair("office", "192.168.1.10", "10.0.0.5");
    StorePair("7", "10.0.0.5", "");
    Outcome outcome = RunCommand({"export"});
    EXPECT_EQ(PAIRS_UNCHANGED, outcome.exitCode);
    const char* key = "HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks";
    std::string expected = std::string("REGEDIT4\r\n\r\n[-") + key + "]\r\n\r\n[" + key + "]\r\n\r\n" +  //
                           "[" + key + "\\0]\r\n\"IPsource\"=\"10.0.0.5\"\r\n\"IPdestination\"=\"\"\r\n" +
                           "\"Direction\"=\"2\"\r\n\"Enabled\"=\"1\"\r\n\r\n" +  //
                           "[" + key + "\\1]\r\n\"IPsource\"=\"192.168.1.10\"\r\n\"IPdestination\"=\"10.0.0.5\"\r\n" +
                           "\"Direction\"=\"2\"\r\n\"Enabled\"=\"1\"\r\n\r\n";
    EXPECT_EQ(expected, outcome.standardOutput);

    // Quotes and backslashes, which no address has, are escaped all the same.
    PairRowText odd = {"a\"b\\c", "d"};
    std::vector<char> text(PairsExportSize(1));
    WritePairsExport(&odd, 1, text.data(), text.size());
    EXPECT_NE(nullptr, strstr(text.data(), "\"IPsource\"=\"a\\\"b\\\\c\"\r\n"));
}

TEST_F(PairsCommandsTest, UnusableStoreEndsWithItsOwnCodeOnStandardError)
{
    DeleteKey(NETWORKS);
    ChildResult child = RunInChild([] {
        char program[] = "mDNSPairs", command[] = "list";
        char* argv[] = {program, command};
        exit(RunPairsCommand(2, argv));
    });
    EXPECT_EQ(PAIRS_STORE_UNUSABLE, child.exitStatus);
    EXPECT_EQ("", child.standardOutput);
    EXPECT_EQ(std::string(TEXT_SETTINGS_ERROR) + "\n", child.standardError);
}

}  // namespace
