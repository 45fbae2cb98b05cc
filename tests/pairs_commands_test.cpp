// The console companion's commands over the stand-in: a session of commands, each with its
// exit code, its output and the list it leaves, then the export's text and an unusable store.
#include "tests/registry_helpers.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <map>

#include <unistd.h>
#include <winsock.h>

#include "console/address_arguments.h"
#include "console/json_input.h"
#include "console/json_text.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "editor/save_answers.h"
#include "tests/recorded_answers.h"
#include "editor/save_events.h"
#include "net/adapters.h"
#include "net/local_addresses.h"
#include "net/own_addresses.h"
#include "console/pairs_texts.h"
#include "resources/program_texts.h"
#include "standin.h"
#include "audit/change_events.h"
#include "service/restart_record.h"
#include "store/store_names.h"
#include "tests/child_process.h"
#include "tests/output_capture.h"

namespace {

typedef std::vector<std::pair<std::string, std::string>> Rows;

struct Outcome {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

// This computer's addresses as the companion's start-up finds them: what the stand-in's host
// lookup and adapters are scripted to answer.
OwnAddresses g_own = {};

void DiscoverOwnAddresses(void)
{
    FreeOwnAddresses(&g_own);
    g_own.hostListKnown = DiscoverLocalAddressesWritingTo(NULL) == 0;
    g_own.hostList = LocalAddressList;
    g_own.hostCount = LocalAddressCount;
    DiscoverAdapterAddresses(&g_own);
}

// A computer whose addresses cannot be read: neither the host lookup nor the adapters answer.
void LoseOwnAddresses(void)
{
    StandinScriptHostLookupFailure();
    StandinFailAt("GetAdaptersAddresses", "", ERROR_NOT_ENOUGH_MEMORY);
    DiscoverOwnAddresses();
}

Outcome RunCommand(const std::vector<std::string>& arguments)
{
    std::vector<std::string> words = {"mDNSPairs"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    BeginStdoutCapture();
    BeginStderrCapture();
    int exitCode = RunPairsCommand((int)argv.size(), argv.data(), g_own);
    std::string error = EndStderrCapture();
    return Outcome{exitCode, EndStdoutCapture(), error};
}

// The rows in the order of their key numbers, as the save wrote them.
Rows StoredRows(void)
{
    std::vector<std::string> names = SubkeyNames(NETWORKS);
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    Rows rows;
    for (const std::string& name : names) {
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
                               {"Cable", "", 0},
                               {"Pending", "0.0.0.0", 0}});
        // Three addresses, six more for lists of fifteen pairs, and 0.0.0.0, which a host
        // lookup may list but is nobody's address.
        std::vector<std::string> addresses = {"192.168.1.10", "10.0.0.5", "10.0.0.6"};
        for (int i = 3; i < 9; ++i) addresses.push_back("10.9.0." + std::to_string(i));
        addresses.push_back("0.0.0.0");
        StandinScriptHostAddresses(addresses);
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
        DiscoverOwnAddresses();
        ASSERT_TRUE(g_own.hostListKnown && g_own.adaptersKnown);
        ASSERT_EQ(10, LocalAddressCount);
    }
    void TearDown() override
    {
        FreeOwnAddresses(&g_own);
        WSACleanup();
        StoreTest::TearDown();
    }
};

// Fifteen distinct pairs of the six extra addresses, as `set` arguments and as rows.
std::vector<std::string> FifteenPairs(Rows* rows)
{
    std::vector<std::string> arguments = {"set"};
    for (int a = 3; a < 9; ++a)
        for (int b = a + 1; b < 9; ++b) {
            std::string source = "10.9.0." + std::to_string(a), destination = "10.9.0." + std::to_string(b);
            arguments.push_back(source);
            arguments.push_back(destination);
            rows->emplace_back(source, destination);
        }
    return arguments;
}

const std::string kRestart = std::string(TEXT_PAIRS_RESTART_NOTICE) + "\n";

const std::string kHint = "Run \"mDNSPairs help\" for the commands and their arguments.";

// A file of the test's own, removed when the test ends.
struct TemporaryFile {
    std::string path;
    TemporaryFile()
    {
        char pattern[] = "/tmp/mdnspairs-test.XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path = pattern;
    }
    ~TemporaryFile() { unlink(path.c_str()); }
    void Write(const std::string& text) const
    {
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
};

// One command of a scenario: its words, what it answers, and the list it leaves.
struct CommandStep {
    std::vector<std::string> arguments;
    int exitCode;
    std::string standardOutput;  // "*" for any
    std::string standardError;   // the first line, "*" for any
    Rows storedAfter;
    std::function<void()> before = nullptr;
};

const Rows one = {{"192.168.1.10", "10.0.0.5"}};
const Rows two = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}};
const std::vector<std::string> setOne = {"set", "192.168.1.10", "10.0.0.5"};
const std::vector<std::string> setTwo = {"set", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"};
const std::string already = TEXT_PAIRS_ALREADY_SO "\n";

bool IsDryRun(const std::vector<std::string>& arguments)
{
    return arguments.empty() || arguments[0] == "check" || arguments[0] == "restart" ||
           std::find(arguments.begin(), arguments.end(), "--what-if") != arguments.end();
}

// The store is written only when it changes, and then as the configurator writes it: four
// values a row, each of its texts' length. The record of which service process read the list
// is kept beside the store, and the old list's readers' grace on the old list.
bool ExpectRowWrites(const CommandStep& step, const Outcome& outcome, size_t firstWrite)
{
    std::vector<StandinValueWrite> rowWrites;
    for (size_t i = firstWrite; i < StandinValueWrites().size(); ++i)
        if (StandinValueWrites()[i].valueName != RESTART_RECORD_VALUE_NAME &&
            StandinValueWrites()[i].valueName != HOLD_MARK_VALUE_NAME)
            rowWrites.push_back(StandinValueWrites()[i]);
    // A save that cannot remove the old list writes nothing; a restart alone writes nothing.
    bool written = !IsDryRun(step.arguments) &&
                   (step.exitCode == PAIRS_CHANGED || step.exitCode == PAIRS_NOT_RESTARTED) &&
                   outcome.standardOutput.find("nothing was changed") == std::string::npos &&
                   outcome.standardOutput.find("restart the service:") != 0;
    EXPECT_EQ(written ? 4 * step.storedAfter.size() : 0u, rowWrites.size());
    for (size_t i = 0; i < rowWrites.size() && i / 4 < step.storedAfter.size(); ++i) {
        const auto& row = step.storedAfter[i / 4];
        size_t lengths[] = {row.first.size(), row.second.size(), 1, 1};
        EXPECT_EQ(lengths[i % 4], rowWrites[i].byteCount);
    }
    return written;
}

// One event for every change, refused or failed save and restart; none for the rest.
void ExpectEvents(const CommandStep& step, const Outcome& outcome, size_t firstEvent, bool written)
{
    std::vector<DWORD> events, expected;
    for (size_t i = firstEvent; i < StandinEventReports().size(); ++i) events.push_back(StandinEventReports()[i].id);
    bool dryRun = IsDryRun(step.arguments);
    if (written) expected.push_back(LIST_EVENT_SAVED);
    if (!dryRun && step.exitCode == PAIRS_STORE_CHANGED) {
        expected.push_back(LIST_EVENT_REFUSED);
        // What the store holds after another program's change is its, not known here.
        ASSERT_LT(firstEvent, StandinEventReports().size());
        EXPECT_EQ("unknown", StandinEventReports()[firstEvent].strings[4]);
    }
    if (!dryRun && step.exitCode == PAIRS_STORE_UNCHECKED) expected.push_back(LIST_EVENT_REFUSED);
    if (!dryRun && step.exitCode == PAIRS_SAVE_FAILED && step.arguments[0] != "--version")
        expected.push_back(LIST_EVENT_FAILED);
    if (outcome.standardOutput.find("was restarted.") != std::string::npos) expected.push_back(LIST_EVENT_RESTARTED);
    if (step.exitCode == PAIRS_NOT_RESTARTED) expected.push_back(LIST_EVENT_NOT_RESTARTED);
    EXPECT_EQ(expected, events);
}

// Runs the steps in turn over the store as it stands, each checked; an export's text is
// kept in `exported`, when given, for the steps after it.
void RunSteps(const std::vector<CommandStep>& steps, const TemporaryFile* exported = nullptr)
{
    for (const CommandStep& step : steps) {
        std::string command;
        for (const std::string& word : step.arguments) command += " [" + word.substr(0, 20) + "]";
        SCOPED_TRACE(command);
        if (step.before) step.before();
        size_t firstWrite = StandinValueWrites().size(), firstEvent = StandinEventReports().size();
        Outcome outcome = RunCommand(step.arguments);
        StandinDropFaults();
        EXPECT_EQ(step.exitCode, outcome.exitCode);
        if (step.standardOutput != "*") {
            EXPECT_EQ(step.standardOutput, outcome.standardOutput);
        }
        std::string firstError = outcome.standardError.substr(0, outcome.standardError.find('\n'));
        if (step.standardError != "*") {
            EXPECT_EQ(step.standardError, firstError);
        }
        if (step.exitCode == PAIRS_USAGE) {
            EXPECT_NE(std::string::npos, outcome.standardError.find(kHint));
        }
        EXPECT_EQ(step.storedAfter, StoredRows());
        EXPECT_EQ(0, StandinOpenHandleCount()) << "a registry handle left open";
        if (exported != nullptr && step.arguments == std::vector<std::string>{"export"})
            exported->Write(outcome.standardOutput);
        bool written = ExpectRowWrites(step, outcome, firstWrite);
        ExpectEvents(step, outcome, firstEvent, written);
    }
}

const CommandStep kSetOne = {setOne, PAIRS_CHANGED, "*", "", one};
const CommandStep kSetTwo = {setTwo, PAIRS_CHANGED, "*", "", two};

// set of the pairs there changes nothing; a store not of the save's shape is rewritten.
TEST_F(PairsCommandsTest, SetIsSafeToRunAgainAndRewritesWhatIsNotTheSavesShape)
{
    RunSteps({
        {{"set", "Ethernet2", "WiFi"}, PAIRS_CHANGED, "add 192.168.1.10 10.0.0.5\n" + kRestart, "", one},
        {{"set", "ethernet2", "10.0.0.5"}, PAIRS_UNCHANGED, already, "", one},
        // Not what the save writes, though the texts are: rewritten.
        {setOne, PAIRS_CHANGED, "rewrite: Networks\\\\0\\\\Enabled does not hold \"1\"\n" + kRestart, "", one,
         [] { SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "0"); }},
        {setOne, PAIRS_CHANGED, "rewrite: Networks has values of its own\n" + kRestart, "", one,
         [] { SetValue(NETWORKS, "Stray", REG_SZ, ""); }},
        {setOne, PAIRS_CHANGED, "rewrite: Networks\\\\0 has an extra value \"Comment\"\n" + kRestart, "", one,
         [] { SetValue(NETWORKS "\\0", "Comment", REG_SZ, "x"); }},
        {setOne, PAIRS_UNCHANGED, already, "", one},
        // An address that only an adapter holds is this computer's too.
        {{"set", "10.1.0.1", "10.0.0.6"}, PAIRS_CHANGED, "add 10.1.0.1 10.0.0.6\nremove 192.168.1.10 10.0.0.5\n" + kRestart,
         "", {{"10.1.0.1", "10.0.0.6"}}},
        {setOne, PAIRS_CHANGED, "*", "", one},
    });
}

// add: safe to run again, and refused for an address not this computer's or a rule broken.
TEST_F(PairsCommandsTest, AddRefusesWhatIsNotThisComputersOrBreaksARule)
{
    const std::string longArgument(5000, 'x');
    RunSteps({
        kSetOne,
        // Adding a pair that is there, either way round, is safe to run again.
        {{"add", "10.0.0.5", "192.168.1.10"}, PAIRS_UNCHANGED,
         "The pair 10.0.0.5, 192.168.1.10 is already in the list: nothing was changed.\n", "", one},
        {{"add", "10.0.0.6", "10.0.0.6"}, PAIRS_REFUSED, "", TEXT_RULE_SAME, one},
        {{"add", "", "WiFi"}, PAIRS_REFUSED, "", TEXT_RULE_BLANK, one},
        {{"add", "8.8.8.8", "WiFi"}, PAIRS_REFUSED, "", "8.8.8.8 is not an IPv4 address of this computer.", one},
        {{"add", "WiFi", "8.8.8.8"}, PAIRS_REFUSED, "", "8.8.8.8 is not an IPv4 address of this computer.", one},
        {{"add", "0.0.0.0", "WiFi"}, PAIRS_REFUSED, "", "0.0.0.0 is not an IPv4 address of this computer.", one},
        {{"add", "010.0.0.6", "WiFi"}, PAIRS_USAGE, "",
         "\"010.0.0.6\" is neither an IPv4 address nor the name of an adapter of this computer.", one},
        {{"add", "Eth", "WiFi"}, PAIRS_USAGE, "",
         "\"Eth\" is neither an IPv4 address nor the name of an adapter of this computer.", one},
        {{"add", longArgument, "WiFi"}, PAIRS_USAGE, "",
         "\"" + std::string(60, 'x') + "...\" is neither an IPv4 address nor the name of an adapter of this computer.", one},
        {{"add", "Two", "WiFi"}, PAIRS_REFUSED, "",
         "The adapter \"Two\" has more than one IPv4 address (10.1.0.1, 10.2.0.1): name the address instead.", one},
        {{"add", "Cable", "WiFi"}, PAIRS_REFUSED, "", "The adapter \"Cable\" has no IPv4 address.", one},
        {{"add", "Pending", "WiFi"}, PAIRS_REFUSED, "", "The adapter \"Pending\" has no IPv4 address.", one},
        {{"add", "wifi", "10.0.0.6"}, PAIRS_CHANGED, "add 10.0.0.5 10.0.0.6\n" + kRestart, "", two},
        {{"set", "WiFi", "10.0.0.6", "10.0.0.6", "wifi"}, PAIRS_REFUSED, "",
         "The pair 10.0.0.6, 10.0.0.5 stands twice in the list asked for (either way round); a pair may stand only once.",
         two},
        {{"set", "WiFi", "10.0.0.6", "10.0.0.6", "10.0.0.6"}, PAIRS_REFUSED, "", TEXT_RULE_SAME, two},
        // A malformed address is a usage error, for remove too, where any address will do.
        {{"remove", "1.2.3", "10.0.0.5"}, PAIRS_USAGE, "",
         "\"1.2.3\" is neither an IPv4 address nor the name of an adapter of this computer.", two},
    });
}

// list, export, check and --what-if say what is and what a change would do, and change nothing.
TEST_F(PairsCommandsTest, ListExportAndCheckChangeNothing)
{
    TemporaryFile exported;
    RunSteps({
        kSetTwo,
        {{"list"}, PAIRS_UNCHANGED,
         "192.168.1.10\t10.0.0.5\tEthernet2, 192.168.1.0/24\tWiFi, 10.0.0.0/16\n"
         "10.0.0.5\t10.0.0.6\tWiFi, 10.0.0.0/16\tnot on this computer\n",
         "", two},
        {{"export"}, PAIRS_UNCHANGED, "*", "", two},
        // check and --what-if say what a change would do, and change nothing.
        {{"check", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_UNCHANGED, TEXT_PAIRS_CONVERGED "\n", "", two},
        {{"check", "10.0.0.5", "10.0.0.6", "192.168.1.10", "10.0.0.5"}, PAIRS_CHANGED, "reorder the pairs\n", "", two},
        {{"check", "10.0.0.6", "10.0.0.5"}, PAIRS_CHANGED,
         "add 10.0.0.6 10.0.0.5\nremove 192.168.1.10 10.0.0.5\nremove 10.0.0.5 10.0.0.6\n", "", two},
        {{"check", "8.8.8.8", "WiFi"}, PAIRS_REFUSED, "", "8.8.8.8 is not an IPv4 address of this computer.", two},
        {{"check", "--json", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED,
         "{\"converged\":false,\"add\":[],\"remove\":[],\"reorder\":false,"
         "\"store\":[\"Networks\\\\1\\\\Enabled does not hold \\\"1\\\"\"],\"restartPending\":null,"
         "\"restartPendingHow\":\"no service\"}\n",
         "", two, [] { SetValue(NETWORKS "\\1", "Enabled", REG_SZ, "0"); }},
        // Every way the store differs is said, not only the first.
        {{"check", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED,
         "rewrite: Networks\\\\1\\\\Direction does not hold \"2\"\nrewrite: Networks\\\\1\\\\Enabled does not hold \"1\"\n", "", two,
         [] { SetValue(NETWORKS "\\1", "Direction", REG_SZ, "7"); }},
        {{"set", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED, "*", "", two},
        {{"check", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED,
         "rewrite: Networks\\\\1\\\\Enabled does not hold \"1\"\n", "", two,
         [] { SetValue(NETWORKS "\\1", "Enabled", REG_SZ, "0"); }},
        {{"add", "--what-if", "10.0.0.6", "192.168.1.10"}, PAIRS_CHANGED,
         "add 10.0.0.6 192.168.1.10\nrewrite: Networks\\\\1\\\\Enabled does not hold \"1\"\n", "", two},
        {{"set", "--", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED,
         "rewrite: Networks\\\\1\\\\Enabled does not hold \"1\"\n" + kRestart, "", two},
        {{"check", "--file", exported.path}, PAIRS_UNCHANGED, TEXT_PAIRS_CONVERGED "\n", "", two},
    }, &exported);
}

// remove: a pair there goes, one not there changes nothing unless the store needs rewriting.
TEST_F(PairsCommandsTest, RemoveSaysWhenThePairIsNotThere)
{
    RunSteps({
        kSetTwo,
        {{"remove", "10.0.0.6", "WiFi"}, PAIRS_CHANGED, "remove 10.0.0.5 10.0.0.6\n" + kRestart, "", one},
        {{"remove", "255.255.255.255", "1.2.3.4"}, PAIRS_UNCHANGED,
         "The pair 255.255.255.255, 1.2.3.4 is not in the list: nothing was changed.\n", "", one},
        {{"remove", "10.255.0.1", "1.2.3.255"}, PAIRS_UNCHANGED,
         "The pair 10.255.0.1, 1.2.3.255 is not in the list: nothing was changed.\n", "", one},
        // Absent, but the store is not what the save writes: rewritten all the same.
        {{"remove", "1.2.3.4", "5.6.7.8"}, PAIRS_CHANGED, "rewrite: Networks\\\\0\\\\Direction does not hold \"2\"\n" + kRestart,
         "", one, [] { SetValue(NETWORKS "\\0", "Direction", REG_SZ, "5"); }},
    });
}

// import: an export read back makes the list its pairs; anything else is refused, said.
TEST_F(PairsCommandsTest, AnImportMakesTheListTheFilesPairs)
{
    TemporaryFile exported;
    const std::string notAnExport = "The file \"" + exported.path +
                                    "\" is not an export of mDNSPairs (line 1: neither a REGEDIT4 file nor a Windows "
                                    "Registry Editor Version 5.00 file).";
    RunSteps({
        kSetTwo,
        {{"export"}, PAIRS_UNCHANGED, "*", "", two},
        kSetOne,
        // The export of two pairs, imported: the list becomes those two again.
        {{"import", exported.path}, PAIRS_CHANGED, "add 10.0.0.5 10.0.0.6\n" + kRestart, "", two},
        {{"import", exported.path}, PAIRS_UNCHANGED, already, "", two},
        {{"import", exported.path}, PAIRS_USAGE, "", notAnExport, two, [&exported] { exported.Write("REGEDIT5\r\n"); }},
        // A file's texts are stored as they are, or refused: an adapter's name is not looked up.
        {{"import", exported.path}, PAIRS_USAGE, "",
         "The file \"" + exported.path + "\" asks for a text that is not an IPv4 address (line 8: IPsource \"WiFi\"); "
         "nothing was changed.",
         two, [&exported] {
             const PairRowText named = {"WiFi", "10.0.0.6"};
             exported.Write(PairsExportText(&named, 1));
         }},
        // A file of exactly the limit is read (and is not an export); one byte more is not read.
        {{"import", exported.path}, PAIRS_USAGE, "",
         "The file \"" + exported.path + "\" is not an export of mDNSPairs (line 1: neither a REGEDIT4 file nor a Windows "
         "Registry Editor Version 5.00 file).", two,
         [&exported] { exported.Write(std::string(8 * 1024 * 1024, ';')); }},
        // An empty file is read, and is no export either.
        {{"import", exported.path}, PAIRS_USAGE, "",
         "The file \"" + exported.path + "\" is not an export of mDNSPairs (line 0: an empty file).", two,
         [&exported] { exported.Write(""); }},
        // No export is that large: refused before it is read.
        {{"import", exported.path}, PAIRS_USAGE, "",
         "The file \"" + exported.path + "\" is larger than 8 MB, far beyond any export: it was not read.", two,
         [&exported] { exported.Write(std::string(8 * 1024 * 1024 + 1, ';')); }},
        {{"import", "/nonexistent/pairs.reg"}, PAIRS_USAGE, "",
         "The file \"/nonexistent/pairs.reg\" cannot be read: No such file or directory.", two},
        // A path is named as typed, but a control character in it is shown escaped.
        {{"import", "/nonexistent/a\x1b[2Jb.reg"}, PAIRS_USAGE, "",
         "The file \"/nonexistent/a\\x1b[2Jb.reg\" cannot be read: No such file or directory.", two},
    }, &exported);
}

// Another program between the command's reading and its save, a compare that cannot read,
// another program's save holding the lock.
TEST_F(PairsCommandsTest, AnotherWriterOrAnUnreadableCompareOrTheLockMeetsTheSave)
{
    RunSteps({
        kSetTwo,
        // Another writer changes the list between the command's read and its save: refused.
        {{"add", "10.0.0.6", "192.168.1.10"}, PAIRS_STORE_CHANGED, "*", TEXT_PAIRS_STORE_CHANGED,
         {{"192.168.1.10", "10.0.0.6"}, {"10.0.0.5", "10.0.0.6"}},
         [] {
             // Right after the command's reading of the store, as the save takes its lock.
             StandinBeforeAt("*", "", [] { SetValue(NETWORKS "\\0", "IPdestination", REG_SZ, "10.0.0.6"); },
                             STANDIN_WHILE_SAVING);
         }},
        // The compare could not read the store: nothing changed, and a code of its own.
        {{"add", "192.168.1.10", "10.0.0.5"}, PAIRS_STORE_UNCHECKED, "add 192.168.1.10 10.0.0.5\n", TEXT_PAIRS_STORE_UNCHECKED,
         {{"192.168.1.10", "10.0.0.6"}, {"10.0.0.5", "10.0.0.6"}},
         // The reading's look at Networks' count goes well; the save's compare's fails.
         [] { StandinFailAt("RegQueryInfoKeyA", "Networks", ERROR_ACCESS_DENIED, STANDIN_WHILE_SAVING); }},
        // Another program's save holds the lock for a while: said, waited for, then saved.
        {{"set", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_CHANGED, "*", TEXT_PAIRS_LOCK_WAITING,
         two, [] { StandinScriptMutex(false, {WAIT_TIMEOUT, WAIT_OBJECT_0}); }},
    });
}

TEST_F(PairsCommandsTest, TenAndMorePairsKeepTheirOrder)
{
    Rows fifteen;
    const std::vector<std::string> setFifteen = FifteenPairs(&fifteen);
    RunSteps({
        // Ten and more pairs: the list reads back in the order written ("10" after "9").
        {setFifteen, PAIRS_CHANGED, "*", "", fifteen},
        {setFifteen, PAIRS_UNCHANGED, already, "", fifteen},
        // Removing the third pair keeps the others in their order, "10" after "9" included;
        // adding it again puts it last.
        {{"remove", "10.9.0.3", "10.9.0.6"}, PAIRS_CHANGED, "remove 10.9.0.3 10.9.0.6\n" + kRestart, "",
         [&fifteen] { Rows rows = fifteen; rows.erase(rows.begin() + 2); return rows; }()},
        {{"add", "10.9.0.3", "10.9.0.6"}, PAIRS_CHANGED, "add 10.9.0.3 10.9.0.6\n" + kRestart, "",
         [&fifteen] { Rows rows = fifteen; Rows::value_type third = rows[2]; rows.erase(rows.begin() + 2);
                      rows.push_back(third); return rows; }()},
        {setFifteen, PAIRS_CHANGED, "reorder the pairs\n" + kRestart, "", fifteen},
        {setFifteen, PAIRS_UNCHANGED, already, "", fifteen},
    });
}

TEST_F(PairsCommandsTest, AnOldListThatCannotBeRemovedStaysAsideUntilTheNextSave)
{
    RunSteps({
        {setOne, PAIRS_CHANGED, "*", "", one},
        // A key the removal cannot open: the new list is in place, and the old one stays
        // aside, said on standard error; the next save removes it.
        {setOne, PAIRS_CHANGED, "rewrite: Networks\\\\0 has subkeys\n" + kRestart, "Error opening key.", one,
         [] {
             CreateKey(NETWORKS "\\0\\nested");
             StandinFailAt("RegOpenKeyExA", "nested", ERROR_ACCESS_DENIED);
         }},
        {{"check", "192.168.1.10", "10.0.0.5"}, PAIRS_UNCHANGED, TEXT_PAIRS_CONVERGED "\n", "", one,
         [] { EXPECT_TRUE(KeyExists(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0\\nested")); }},
        {{"clear"}, PAIRS_CHANGED, "remove 192.168.1.10 10.0.0.5\n" + kRestart, "", {}},
        {setOne, PAIRS_CHANGED, "add 192.168.1.10 10.0.0.5\n" + kRestart, "", one,
         [] { EXPECT_FALSE(KeyExists(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME)); }},
    });
}

TEST_F(PairsCommandsTest, ArgumentsOfTheWrongShapeAreUsageErrors)
{
    RunSteps({
        kSetOne,
        {{"add", "WiFi"}, PAIRS_USAGE, "", "\"add\" takes a SOURCE and a DESTINATION.", one},
        {{"set", "WiFi", "10.0.0.6", "Ethernet2"}, PAIRS_USAGE, "", "*", one},
        {{"set", "WiFi"}, PAIRS_USAGE, "", "\"set\" takes SOURCE DESTINATION pairs, at least one (\"clear\" empties the list).", one},
        {{"set"}, PAIRS_USAGE, "", "*", one},
        {{"check"}, PAIRS_USAGE, "", "\"check\" takes SOURCE DESTINATION pairs, at least one, or --file FILE.", one},
        {{"check", "WiFi", "10.0.0.6", "Ethernet2"}, PAIRS_USAGE, "", "*", one},
        {{"list", "--what-if"}, PAIRS_USAGE, "", "\"list\" takes no option --what-if.", one},
        {{"list", "extra"}, PAIRS_USAGE, "", "\"list\" takes no arguments.", one},
        {{"status", "extra"}, PAIRS_USAGE, "", "\"status\" takes no arguments.", one},
        {{"restart", "extra"}, PAIRS_USAGE, "", "\"restart\" takes no arguments.", one},
        {{"--version", "extra"}, PAIRS_USAGE, "", "\"--version\" takes no arguments.", one},
        // Natively there is no version resource to read: said, and not a usage error.
        {{"--version"}, PAIRS_SAVE_FAILED, "", TEXT_PAIRS_NO_VERSION, one},
        {{"remove", "1.2.3.4", "5.6.7.8", "9.9.9.9"}, PAIRS_USAGE, "", "\"remove\" takes a SOURCE and a DESTINATION.", one},
        {{"remove", "1.2.3.4"}, PAIRS_USAGE, "", "\"remove\" takes a SOURCE and a DESTINATION.", one},
        {{"clear", "x"}, PAIRS_USAGE, "", "\"clear\" takes no arguments.", one},
        {{"export", "x"}, PAIRS_USAGE, "", "\"export\" takes no arguments.", one},
        {{"prune", "x"}, PAIRS_USAGE, "", "\"prune\" takes no arguments.", one},
        {{"import"}, PAIRS_USAGE, "", "\"import\" takes one FILE.", one},
        {{"import", "a", "b"}, PAIRS_USAGE, "", "\"import\" takes one FILE.", one},
        {{"import", "--restart"}, PAIRS_USAGE, "", "\"import\" takes one FILE.", one},
    });
}

TEST_F(PairsCommandsTest, CommandsInAnyCaseAndHelpInEveryForm)
{
    RunSteps({
        kSetOne,
        // Commands in any case; help in every form a person tries.
        {{"LIST"}, PAIRS_UNCHANGED, "192.168.1.10\t10.0.0.5\tEthernet2, 192.168.1.0/24\tWiFi, 10.0.0.0/16\n", "", one},
        {{"lst"}, PAIRS_USAGE, "",
         "\"lst\" is not a command (the commands are: list, add, remove, set, clear, check, export, import, prune, status, dsc, "
         "restart, --version).",
         one},
        {{"help", "nothing"}, PAIRS_USAGE, "", "*", one},
        {{"help", "help"}, PAIRS_UNCHANGED, "*", "", one},
        {{}, PAIRS_USAGE, "", "No command was given.", one},
        {{"--help"}, PAIRS_UNCHANGED, "*", "", one},
        {{"/?"}, PAIRS_UNCHANGED, "*", "", one},
        {{"-?"}, PAIRS_UNCHANGED, "*", "", one},
        {{"help"}, PAIRS_UNCHANGED, "*", "", one},
        {{"HELP", "Set"}, PAIRS_UNCHANGED,
         "Usage: mDNSPairs set SOURCE DESTINATION [SOURCE DESTINATION]...\nmakes the list exactly these pairs, in this "
         "order.\n" TEXT_PAIRS_HELP_CHANGE_OPTIONS,
         "", one},
        {{"set", "--help"}, PAIRS_UNCHANGED, "*", "", one},
    });
}

TEST_F(PairsCommandsTest, TheServiceIsRestartedAndARestartThatFailedIsPending)
{
    RunSteps({
        kSetOne,
        // The repeater service: found by either name, restarted after a change, and a restart
        // that could not happen remembered as pending until one does.
        {{"status"}, PAIRS_NO_SERVICE, "pairs 1\n",
         "The service \"Corvane mDNS Repeater\" does not exist (a key name or a display name will do).", one},
        {{"set", "Ethernet2", "WiFi", "--restart"}, PAIRS_UNCHANGED, already, "", one,
         [] { StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0}); }},
        {{"set", "WiFi", "10.0.0.6", "--restart", "--service", "corvane mdns repeater"}, PAIRS_CHANGED,
         "add 10.0.0.5 10.0.0.6\nremove 192.168.1.10 10.0.0.5\nThe service MdnsTest was restarted.\n", "",
         {{"10.0.0.5", "10.0.0.6"}}},
        {{"status", "--json", "--service", "MdnsTest"}, PAIRS_UNCHANGED,
         "{\"service\":\"MdnsTest\",\"displayName\":\"Corvane mDNS Repeater\",\"state\":\"running\",\"pid\":101,"
         "\"pairs\":1,\"restartPending\":false,\"restartPendingHow\":\"record\",\"stalePairs\":[]}\n",
         "", {{"10.0.0.5", "10.0.0.6"}}},
        {{"set", "192.168.1.10", "10.0.0.5", "--restart"}, PAIRS_NOT_RESTARTED, "add 192.168.1.10 10.0.0.5\nremove 10.0.0.5 10.0.0.6\n",
         "The service MdnsTest refused to stop (error 1061).", one,
         [] { StandinScriptService({"MdnsTest", "", 0, true, false, false, 0, 0, 0}); }},
        {{"check", "192.168.1.10", "10.0.0.5"}, PAIRS_CHANGED,
         "restart the service: it started before the list was last written\n", "", one},
        {{"status"}, PAIRS_UNCHANGED, "service MdnsTest: running\npid 101\npairs 1\nrestart pending: yes\n", "", one},
        {{"set", "Ethernet2", "WiFi", "--restart"}, PAIRS_CHANGED,
         "restart the service: it started before the list was last written\nThe service MdnsTest was restarted.\n", "", one,
         [] { StandinScriptService({"MdnsTest", "", 0, false, false, false, 0, 0, 0}); }},
        {{"check", "--json", "192.168.1.10", "10.0.0.5"}, PAIRS_UNCHANGED,
         "{\"converged\":true,\"add\":[],\"remove\":[],\"reorder\":false,\"store\":[],\"restartPending\":false,"
         "\"restartPendingHow\":\"record\"}\n",
         "",
         one},
        {{"restart"}, PAIRS_NOT_RESTARTED, "", "The service MdnsTest stopped but failed to start again (error 1053).", one,
         [] { StandinScriptService({"MdnsTest", "", 0, false, false, true, 0, 0, 0}); }},
        {{"restart", "--service", "Nothing"}, PAIRS_NO_SERVICE, "",
         "The service \"Nothing\" does not exist (a key name or a display name will do).", one},
    });
}

TEST_F(PairsCommandsTest, AServiceNamedWrongOrNotOursToRestartIsSaid)
{
    RunSteps({
        kSetOne,
        {{"status"}, PAIRS_UNCHANGED, "*", "", one, [] { StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0}); }},
        // A --service that names no service: never "as asked", whichever form runs, and nothing
        // is written; a flag where its value belongs is no service's name.
        {{"check", "192.168.1.10", "10.0.0.5", "--service", "Nothing"}, PAIRS_NO_SERVICE, "",
         "The service \"Nothing\" does not exist (a key name or a display name will do).", one},
        {{"set", "WiFi", "10.0.0.6", "--service", "Nothing", "--what-if"}, PAIRS_NO_SERVICE, "",
         "The service \"Nothing\" does not exist (a key name or a display name will do).", one},
        {{"set", "WiFi", "10.0.0.6", "--restart", "--service", "Nothing"}, PAIRS_NO_SERVICE, "",
         "The service \"Nothing\" does not exist (a key name or a display name will do).", one},
        {{"add", "WiFi", "10.0.0.6", "--service", "--restart"}, PAIRS_USAGE, "", "--service needs a value, not \"--restart\".",
         one},
        // Found, but not to be stopped and started by this account: not restarted, and said.
        {{"restart"}, PAIRS_NOT_RESTARTED, "",
         "The service \"Corvane mDNS Repeater\" cannot be opened (error 5) (a key name or a display name will do).", one,
         [] {
             StandinService guarded = {"MdnsTest", "", 0, false, false, false, 0, 0, 0};
             guarded.deniedAccess = SERVICE_STOP | SERVICE_START;
             StandinScriptService(guarded);
         }},
    });
}

TEST_F(PairsCommandsTest, AStoppedServiceStaysStoppedAndClearEmptiesTheList)
{
    RunSteps({
        kSetOne,
        {{"status"}, PAIRS_UNCHANGED, "*", "", one, [] { StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_STOPPED, false, false, false, 0, 0, 0}); }},
        // A stopped service is never pending, and never started.
        {{"set", "WiFi", "Ethernet2", "--restart"}, PAIRS_CHANGED,
         "add 10.0.0.5 192.168.1.10\nremove 192.168.1.10 10.0.0.5\nThe service MdnsTest is stopped; it stays stopped and "
         "reads the new list when it starts.\n",
         "", {{"10.0.0.5", "192.168.1.10"}}},
        {{"check", "10.0.0.5", "192.168.1.10"}, PAIRS_UNCHANGED, TEXT_PAIRS_CONVERGED "\n", "", {{"10.0.0.5", "192.168.1.10"}}},
        {setOne, PAIRS_CHANGED, "*", "", one},
        {{"clear", "--what-if"}, PAIRS_CHANGED, "remove 192.168.1.10 10.0.0.5\n", "", one},
        {{"clear"}, PAIRS_CHANGED, "remove 192.168.1.10 10.0.0.5\n" + kRestart, "", {}},
        {{"clear"}, PAIRS_UNCHANGED, already, "", {}},
        {{"remove", "1.2.3.4", "5.6.7.8"}, PAIRS_UNCHANGED,
         "The pair 1.2.3.4, 5.6.7.8 is not in the list: nothing was changed.\n", "", {}},
    });
}


// What reaches the terminal: stored texts and adapter names with their control characters
// escaped, and an adapter list that could not be read said as such.
// An old list that cannot be removed entirely: the pairs are saved (exit 2), and standard
// error says where the rest of the old list is; the next save says it is still there.
TEST_F(PairsCommandsTest, AnOldListLeftAsideIsSaid)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    HKEY pair, deep, deeper;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\0", 0, KEY_ALL_ACCESS, &pair));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(pair, std::string(250, 'a').c_str(), &deep));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(deep, std::string(250, 'b').c_str(), &deeper));
    for (HKEY key : {deeper, deep, pair}) RegCloseKey(key);
    const std::string said = "The address pairs were saved. The old list could not be removed entirely: what remains "
                             "of it is in HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (replaced), "
                             "which the repeater service does not read; the next save tries to remove it again.\n";
    Outcome outcome = RunCommand({"set", "10.0.0.6", "10.0.0.5"});
    EXPECT_EQ(PAIRS_CHANGED, outcome.exitCode);
    EXPECT_EQ(said, outcome.standardError);
    EXPECT_EQ((Rows{{"10.0.0.6", "10.0.0.5"}}), StoredRows());
    outcome = RunCommand({"set", "192.168.1.10", "10.0.0.5"});
    EXPECT_EQ(PAIRS_CHANGED, outcome.exitCode);
    EXPECT_EQ(said, outcome.standardError);
}

// An old list another program's save held for its readers, written to since: once its grace
// has ended, the companion's save keeps it, and says so on standard error and in the log.
TEST_F(PairsCommandsTest, AHeldListWrittenToIsKeptAndSaid)
{
    StorePair("0", "10.0.0.5", "10.0.0.6");
    const PairRowText rows[] = {{"10.0.0.6", "10.0.0.5"}};
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_CHANGE, &reading));
    SaveRequest request = {&reading.stamps, &reading.path, NULL, NULL, NULL, 60000, &reading.security};
    SaveResult held = SavePairListOver(rows, 1, &request);
    FreeStoreReading(&reading);
    ASSERT_EQ(SAVE_DONE, held.outcome);
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    RetireOldList(&held.held, 0, left, changed, NULL);  // that program ends within the grace
    FreeSaveResult(&held);
    SetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPsource", REG_SZ, "10.0.0.9");
    StandinSetClockSkew(1200000000LL);  // two minutes on: the grace has ended
    size_t firstEvent = StandinEventReports().size();
    Outcome outcome = RunCommand({"set", "192.168.1.10", "10.0.0.5"});
    EXPECT_EQ(PAIRS_CHANGED, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.standardError.find("Another program wrote to the old list of address pairs"))
        << outcome.standardError;
    std::vector<DWORD> events;
    for (size_t i = firstEvent; i < StandinEventReports().size(); ++i) events.push_back(StandinEventReports()[i].id);
    EXPECT_NE(events.end(), std::find(events.begin(), events.end(), (DWORD)LIST_EVENT_REFUSED));
    EXPECT_EQ("10.0.0.9", GetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPsource").substr(0, 8));
}

// A save that cannot finish says where it stopped: the key, and the registry's error.
TEST_F(PairsCommandsTest, ASaveThatCannotFinishNamesWhereItStopped)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    // An old list an earlier save left aside, still there: the old list stands all the same.
    CreateKey(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\x");
    StandinDenyAccess(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\x", DELETE);
    StandinFailAt("RegCreateKeyExA", BUILDING_KEY_NAME, ERROR_ACCESS_DENIED);
    Outcome outcome = RunCommand({"set", "10.0.0.6", "10.0.0.5"});
    EXPECT_EQ(PAIRS_SAVE_FAILED, outcome.exitCode);
    EXPECT_EQ(std::string("Error opening key.\n") + TEXT_PAIRS_NOT_SAVED + "\nThe save stopped at the registry key HKEY_LOCAL_MACHINE\\Software\\"
                  "Corvane Software\\mDNS\\Networks (new) (error 5).\n",
              outcome.standardError);
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), StoredRows());
    // A row that cannot be written: the key being built is named, with its cause.
    StandinFailAt("RegSetValueExA", BUILDING_KEY_NAME "\\0\\Direction", ERROR_ACCESS_DENIED);
    outcome = RunCommand({"set", "10.0.0.6", "10.0.0.5"});
    EXPECT_EQ(PAIRS_SAVE_FAILED, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.standardError.find("The save stopped at the registry key HKEY_LOCAL_MACHINE\\"
                                                            "Software\\Corvane Software\\mDNS\\Networks (new) (error "))
        << outcome.standardError;
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), StoredRows());
}

// A confirmed save compares with what the refused one saw: a change since is another change,
// asked about again.
TEST_F(PairsCommandsTest, AConfirmedSaveComparesWithWhatTheRefusedOneSaw)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    // Every write its own time, and a clock that moves once per 1,024 writes, where only the
    // notification armed when the refused save looked tells the second change.
    for (unsigned tick : {1u, 1024u}) {
        SCOPED_TRACE(tick);
        StandinReset();
        StandinSetClockTick(tick);
        StorePair("0", "1.1.1.1", "2.2.2.2");
        SaveSession session;
        BeginSession(&session, true);
        SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "5.5.5.5");
        EXPECT_EQ(SAVE_STORE_CHANGED, SaveInSession(&session, rows, 1));
        SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "3.3.3.3");
        EXPECT_EQ(SAVE_STORE_CHANGED, SaveOverSeen(&session, rows, 1));
        EXPECT_EQ(SAVE_DONE, SaveOverSeen(&session, rows, 1));
        EndSession(&session);
    }
    // What the refused save found could not be read: the administrator confirmed replacing a
    // store nobody could read, so the confirmed save does not compare.
    StandinReset();
    StorePair("0", "1.1.1.1", "2.2.2.2");
    SaveSession session;
    BeginSession(&session, true);
    SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "5.5.5.5");
    // The save's own look at Networks reads; its look at what it found does not. Both open
    // Networks as itself to read, one after the other: the second such open is that look.
    StandinFailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED, "Networks");
    EXPECT_EQ(SAVE_STORE_CHANGED, SaveInSession(&session, rows, 1));
    SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "3.3.3.3");
    EXPECT_EQ(SAVE_DONE, SaveOverSeen(&session, rows, 1));
    EndSession(&session);
}

TEST_F(PairsCommandsTest, ListPrintsNoControlCharacters)
{
    StandinScriptAdapters({{"Bell\a", "192.168.1.10", 24}});
    DiscoverOwnAddresses();
    StorePair("0", "\x1b[2J\\", "192.168.1.10");
    Outcome outcome = RunCommand({"list"});
    EXPECT_EQ(PAIRS_UNCHANGED, outcome.exitCode);
    EXPECT_EQ("\\x1b[2J\\\\\t192.168.1.10\tnot on this computer\tBell\\x07, 192.168.1.0/24\n", outcome.standardOutput);
    LoseOwnAddresses();
    outcome = RunCommand({"list"});
    EXPECT_EQ("\\x1b[2J\\\\\t192.168.1.10\tadapter names unavailable\tadapter names unavailable\n",
              outcome.standardOutput);
}

// Exports of every size, texts of every byte: what the export writes, the import reads back
// as it was, and no text can start a line of its own.
// What a JSON parser makes of `json`: each string it holds, as the hex of its characters'
// code points, four digits each, one string a line, in document order.
std::string ParsedStrings(const std::string& json)
{
    TemporaryFile document;
    document.Write(json);
    std::string command = "python3 -c 'import json,sys\n"
                          "def walk(v):\n"
                          "    if isinstance(v, str): print(\"\".join(\"%04x\" % ord(c) for c in v))\n"
                          "    elif isinstance(v, list): [walk(x) for x in v]\n"
                          "    elif isinstance(v, dict): [walk(v[k]) for k in v]\n"
                          "walk(json.load(open(sys.argv[1])))' " + document.path + " 2>&1";
    std::string parsed;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "(no python3)";
    char chunk[512];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0) parsed.append(chunk, count);
    pclose(pipe);
    return parsed;
}

// The code points of a single-byte text as the code page gives them (0x80 is the euro sign).
std::string Hex(const std::string& text)
{
    std::string hex;
    char unit[8];
    for (unsigned char c : text) {
        WCHAR wide = 0;
        MultiByteToWideChar(CP_ACP, 0, (const char*)&c, 1, &wide, 1);
        snprintf(unit, sizeof unit, "%04x", (unsigned)wide);
        hex += unit;
    }
    return hex + "\n";
}

// Whatever bytes the store holds, --json gives a document a JSON parser reads back exactly.
TEST_F(PairsCommandsTest, JsonParsesWhateverTheStoreHolds)
{
    std::vector<std::string> texts;
    for (int byte = 1; byte < 256; byte += 15) {
        std::string text;
        for (int i = 0; i < 15 && byte + i < 256; ++i) text += (char)(byte + i);
        texts.push_back(text);
    }
    texts.push_back("\"\\/\b");
    texts.push_back("192.168.1.10");
    for (size_t i = 0; i + 1 < texts.size(); i += 2)
        StorePair(std::to_string(i / 2), texts[i].c_str(), texts[i + 1].c_str());
    Outcome list = RunCommand({"list", "--json"});
    EXPECT_EQ(PAIRS_UNCHANGED, list.exitCode);
    std::string expected;
    for (size_t i = 0; i + 1 < texts.size(); i += 2) {
        expected += Hex(texts[i]) + Hex(texts[i + 1]);
        if (texts[i + 1] == "192.168.1.10") expected += Hex("Ethernet2") + Hex("192.168.1.0/24");
    }
    EXPECT_EQ(expected, ParsedStrings(list.standardOutput)) << list.standardOutput;

    size_t writes = StandinValueWrites().size();
    Outcome check = RunCommand({"check", "--json", "192.168.1.10", "10.0.0.5"});
    EXPECT_EQ(PAIRS_CHANGED, check.exitCode);
    std::string parsed = ParsedStrings(check.standardOutput);
    EXPECT_EQ(0u, parsed.find(Hex("192.168.1.10") + Hex("10.0.0.5") + Hex(texts[0]) + Hex(texts[1]))) << parsed;
    EXPECT_EQ(writes, StandinValueWrites().size()) << "check writes nothing";
}

TEST_F(PairsCommandsTest, UnusableStoreEndsWithItsOwnCodeOnStandardError)
{
    DeleteKey(NETWORKS);
    ChildResult child = RunInChild([] {
        char program[] = "mDNSPairs", command[] = "list";
        char* argv[] = {program, command};
        exit(RunPairsCommand(2, argv, g_own));
    });
    EXPECT_EQ(PAIRS_STORE_UNUSABLE, child.exitStatus);
    EXPECT_EQ("", child.standardOutput);
    char expected[512];
    snprintf(expected, sizeof expected, TEXT_PAIRS_STORE_MISSING "\n", NETWORKS_REG_PATH " (" TEXT_PAIRS_WOW64_VIEW ")");
    EXPECT_EQ(expected, child.standardError);
    // Every command that reads the store says the same, and no change makes a Networks key.
    const std::vector<std::string> commands[] = {{"export"},
                                                 {"set", "192.168.1.10", "10.0.0.5"},
                                                 {"add", "192.168.1.10", "10.0.0.5"},
                                                 {"remove", "192.168.1.10", "10.0.0.5"},
                                                 {"clear"},
                                                 {"prune"},
                                                 {"check", "192.168.1.10", "10.0.0.5"},
                                                 {"set", "192.168.1.10", "10.0.0.5", "--what-if"}};
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command[0]);
        Outcome outcome = RunCommand(command);
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, outcome.exitCode);
        EXPECT_EQ(expected, outcome.standardError);
        EXPECT_FALSE(KeyExists(NETWORKS));
    }
}

// A "Corvane Software" key that refuses new keys below it (where the restart record would go)
// does not keep the list from being saved.
TEST_F(PairsCommandsTest, ACompanyKeyThatRefusesNewKeysStillLetsTheListBeSaved)
{
    StandinDenyAccess("Software\\Corvane Software", KEY_CREATE_SUB_KEY);
    Outcome outcome = RunCommand({"set", "192.168.1.10", "10.0.0.5"});
    EXPECT_EQ(PAIRS_CHANGED, outcome.exitCode) << outcome.standardError;
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), StoredRows());
}

}  // namespace

namespace {

// Scripts compare the numbers, not our names for them.
TEST(PairsExitCodeTest, CodesAreTheDocumentedNumbers)
{
    const int codes[] = {PAIRS_UNCHANGED,      PAIRS_SAVE_FAILED,   PAIRS_CHANGED,       PAIRS_REFUSED,   PAIRS_USAGE,
                         PAIRS_STORE_UNUSABLE, PAIRS_STORE_CHANGED, PAIRS_NOT_RESTARTED, PAIRS_STORE_UNCHECKED};
    for (int number = 0; number < 9; ++number) EXPECT_EQ(number, codes[number]);
}

}  // namespace

namespace {

// Everything below "Corvane Software" but the restart record, which our runs keep beside the store.
std::string DescribeStore(void)
{
    std::string tree = DescribeTree("Software\\Corvane Software"), kept;
    for (size_t start = 0, end; start < tree.size(); start = end + 1) {
        end = tree.find('\n', start);
        if (end == std::string::npos) end = tree.size();
        std::string line = tree.substr(start, end - start);
        bool record = line.find(RESTART_RECORD_KEY_NAME) != std::string::npos ||
                      line.find("  " RESTART_RECORD_VALUE_NAME " type") == 0;
        if (!record) kept += line + "\n";
    }
    return kept;
}

std::string WithoutLastLine(const std::string& text)
{
    size_t end = text.size() > 1 ? text.rfind('\n', text.size() - 2) : std::string::npos;
    return end == std::string::npos ? "" : text.substr(0, end + 1);
}

// A word that names nothing here is answered with what does: this computer's adapters and
// addresses; a word in single quotes, as a cmd line that kept PowerShell's quoting passes it,
// is told how cmd quotes.
TEST_F(PairsCommandsTest, AWordThatNamesNothingIsAnsweredWithWhatDoes)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    Outcome unknown = RunCommand({"add", "Eth", "WiFi"});
    EXPECT_EQ(PAIRS_USAGE, unknown.exitCode);
    std::string known = ThisComputersAddressesText(g_own);
    EXPECT_EQ("\"Eth\" is neither an IPv4 address nor the name of an adapter of this computer.\n" + known + "\n" +
                  TEXT_PAIRS_USAGE_HINT + "\n",
              unknown.standardError);
    EXPECT_NE(std::string::npos, known.find("\"WiFi\" (10.0.0.5)")) << known;
    // Each address once, in the order the host lookup and then the adapters give them.
    size_t listed = known.find("Its IPv4 addresses: ");
    ASSERT_NE(std::string::npos, listed) << known;
    std::string addresses = known.substr(listed);
    EXPECT_NE(std::string::npos, addresses.find(" 192.168.1.10,")) << known;
    EXPECT_EQ(addresses.find("10.0.0.5,"), addresses.rfind("10.0.0.5,")) << known;
    Outcome elsewhere = RunCommand({"set", "8.8.8.8", "WiFi"});
    EXPECT_EQ(PAIRS_REFUSED, elsewhere.exitCode);
    EXPECT_EQ("8.8.8.8 is not an IPv4 address of this computer.\n" + known + "\n", elsewhere.standardError);
    Outcome quoted = RunCommand({"set", "'Ethernet", "2'", "WiFi"});
    EXPECT_EQ(PAIRS_USAGE, quoted.exitCode);
    EXPECT_NE(std::string::npos, quoted.standardError.find(TEXT_PAIRS_QUOTING)) << quoted.standardError;
    Outcome single = RunCommand({"set", "'WiFi'", "Ethernet2"});
    EXPECT_NE(std::string::npos, single.standardError.find(known + "\n" TEXT_PAIRS_QUOTING "\n")) << single.standardError;
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), StoredRows());
}

// With --json, an error is also one JSON object on standard output: the exit code, the
// message, and the word or key it concerns; standard error says it as always.
TEST_F(PairsCommandsTest, AnErrorWithJsonIsAnsweredInJson)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string error, concerning;
    } cases[] = {
        {{"check", "--json", "8.8.8.8", "WiFi"}, PAIRS_REFUSED, "8.8.8.8 is not an IPv4 address of this computer.",
         "\"8.8.8.8\""},
        {{"check", "--json", "10.0.0.5", "10.0.0.5"}, PAIRS_REFUSED, TEXT_RULE_SAME, "\"10.0.0.5 10.0.0.5\""},
        {{"--JSON", "list", "extra"}, PAIRS_USAGE, "\"list\" takes no arguments.", "null"},
        {{"check", "-Json", "--service", "Nothing", "WiFi", "Ethernet2"}, PAIRS_NO_SERVICE,
         "The service \"Nothing\" does not exist (a key name or a display name will do).", "\"Nothing\""},
        {{"list", "--json"}, PAIRS_STORE_UNUSABLE, "", JsonString(NETWORKS_REG_PATH)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        if (c.exitCode == PAIRS_STORE_UNUSABLE) {
            DeleteKey(NETWORKS "\\0");
            DeleteKey(NETWORKS);
        }
        Outcome outcome = RunCommand(c.arguments);
        EXPECT_EQ(c.exitCode, outcome.exitCode);
        std::string error = c.error.empty() ? outcome.standardError.substr(0, outcome.standardError.find('\n')) : c.error;
        // A word that names nothing here is answered with what does, in the message too.
        if (c.exitCode == PAIRS_REFUSED && c.error[0] == '8') error += "\n" + ThisComputersAddressesText(g_own);
        EXPECT_EQ("{\"exitCode\":" + std::to_string(c.exitCode) + ",\"error\":" + JsonString(error.c_str()) +
                      ",\"concerning\":" + c.concerning + "}\n",
                  outcome.standardOutput);
        EXPECT_EQ(0u, outcome.standardError.find(error)) << outcome.standardError;
    }
}

// A list read through a registry link is said to be, on standard error; standard output is
// the list, as the repeater service reads it.
TEST_F(PairsCommandsTest, AListReadThroughALinkSaysSo)
{
    DeleteKey(NETWORKS);
    SetValue(OUTSIDE "\\0", "IPsource", REG_SZ, "192.168.1.10");
    SetValue(OUTSIDE "\\0", "IPdestination", REG_SZ, "10.0.0.5");
    CreateLink(NETWORKS, OUTSIDE);
    Outcome listed = RunCommand({"list"});
    EXPECT_EQ(PAIRS_UNCHANGED, listed.exitCode);
    EXPECT_EQ(0u, listed.standardOutput.find("192.168.1.10\t10.0.0.5\t")) << listed.standardOutput;
    char said[1024];
    snprintf(said, sizeof said, TEXT_PAIRS_LIST_THROUGH_LINK "\n", "Networks");
    EXPECT_EQ(said, listed.standardError);
}

// A service that read the list before any save of ours (no record yet), then a clock set back
// an hour around a save: the list it runs is older, whether the clock stays back or is put
// right, and either way round.
TEST_F(PairsCommandsTest, AClockSetBackOrForwardNeverHidesAPendingRestart)
{
    const std::string pending = "restart the service: it started before the list was last written\n";
    for (long long skew : {-36000000000LL, 36000000000LL}) {
        SCOPED_TRACE(skew < 0 ? "set back" : "set forward");
        StandinReset();
        StorePair("0", "192.168.1.10", "10.0.0.5");
        StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
        EXPECT_EQ(PAIRS_UNCHANGED, RunCommand({"check", "192.168.1.10", "10.0.0.5"}).exitCode);
        StandinSetClockSkew(skew);
        EXPECT_EQ(PAIRS_CHANGED, RunCommand({"set", "10.0.0.5", "10.0.0.6"}).exitCode);
        for (long long now : {skew, 0LL}) {
            StandinSetClockSkew(now);
            Outcome check = RunCommand({"check", "10.0.0.5", "10.0.0.6"});
            EXPECT_EQ(PAIRS_CHANGED, check.exitCode);
            EXPECT_EQ(pending, check.standardOutput);
            EXPECT_NE(std::string::npos, RunCommand({"status"}).standardOutput.find("restart pending: yes\n"));
        }
    }
}

// A DSC operation as the manifest declares it: "dsc OPERATION", the instance on standard input.
Outcome RunDsc(const char* operation, const std::string& instance)
{
    TemporaryFile input;
    input.Write(instance);
    EXPECT_NE(nullptr, freopen(input.path.c_str(), "rb", stdin));
    Outcome outcome = RunCommand({"dsc", operation});
    EXPECT_NE(nullptr, freopen("/dev/null", "rb", stdin));
    return outcome;
}

// Line `n` (from 0) of an operation's standard output, parsed.
JsonValue JsonLine(const Outcome& outcome, int n)
{
    std::string text = outcome.standardOutput;
    for (int i = 0; i < n && text.find('\n') != std::string::npos; ++i) text = text.substr(text.find('\n') + 1);
    JsonValue value;
    std::string wrong;
    EXPECT_TRUE(ParseJson(text.substr(0, text.find('\n')), &value, &wrong)) << wrong << ": " << outcome.standardOutput;
    return value;
}

std::string JsonText(const JsonValue& value)
{
    switch (value.kind) {
    case JSON_NULL: return "null";
    case JSON_BOOLEAN: return value.boolean ? "true" : "false";
    case JSON_STRING: return "\"" + value.text + "\"";
    case JSON_NUMBER: return value.text;
    case JSON_ARRAY: {
        std::string text = "[";
        for (size_t i = 0; i < value.items.size(); ++i) text += (i ? "," : "") + JsonText(value.items[i]);
        return text + "]";
    }
    default: {
        std::string text = "{";
        for (size_t i = 0; i < value.members.size(); ++i)
            text += (i ? "," : "") + value.members[i].first + ":" + JsonText(value.members[i].second);
        return text + "}";
    }
    }
}

std::string Property(const Outcome& outcome, int line, const char* name)
{
    JsonValue state = JsonLine(outcome, line);
    const JsonValue* member = JsonMember(state, name);
    return member != nullptr ? JsonText(*member) : "(none)";
}

// The stores the dry run is compared with the real run over.
struct DryRunStore {
    const char* name;
    void (*make)(void);
};

const DryRunStore kDryRunStores[] = {
    {"exact", [] { StorePair("0", "192.168.1.10", "10.0.0.5"); }},
    {"differing", [] { StorePair("0", "192.168.1.10", "10.0.0.5"), SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "0"); }},
    {"empty", [] {}},
    {"odd values", [] { StorePair("0", "192.168.1.10", "10.0.0.5"), SetValue(NETWORKS "\\0", "Direction", REG_DWORD, "2222"); }},
    {"link at mDNS",
     [] {
         StorePair("0", "192.168.1.10", "10.0.0.5");
         SetValue(OUTSIDE "\\Networks\\0", "IPsource", REG_SZ, "10.0.0.6");
         DeleteKey("Software\\Corvane Software\\mDNS\\Networks\\0");
         DeleteKey("Software\\Corvane Software\\mDNS\\Networks");
         DeleteKey("Software\\Corvane Software\\mDNS");
         CreateLink("Software\\Corvane Software\\mDNS", OUTSIDE);
     }},
    {"link at Networks",
     [] {
         DeleteKey(NETWORKS);
         SetValue(OUTSIDE "\\0", "IPsource", REG_SZ, "192.168.1.10");
         SetValue(OUTSIDE "\\0", "IPdestination", REG_SZ, "10.0.0.6");
         CreateLink(NETWORKS, OUTSIDE);
     }},
    {"product key refuses", [] { StorePair("0", "10.0.0.6", "10.0.0.5"); }},
    // The save's own names: one it may not remove is built around, and said; a link to
    // one, or to a key above, is replaced as a link; a store between the two renames is
    // read from the old list and recovered.
    {"Networks (new) refuses removal",
     [] {
         StorePair("0", "192.168.1.10", "10.0.0.5");
         CreateKey(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME "\\x");
         StandinDenyAccess(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, DELETE);
     }},
    {"both new names refuse removal",
     [] {
         StorePair("0", "10.0.0.6", "10.0.0.5");
         for (const char* name : {BUILDING_KEY_NAME, BUILDING_KEY_NAME_2}) {
             CreateKey(std::string(PRODUCT_KEY_PATH "\\") + name);
             StandinDenyAccess((std::string(PRODUCT_KEY_PATH "\\") + name).c_str(), DELETE);
         }
     }},
    {"Networks (replaced) refuses removal",
     [] {
         StorePair("0", "192.168.1.10", "10.0.0.5");
         CreateKey(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\x");
         StandinDenyAccess(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME, DELETE);
     }},
    {"link at Networks to Networks (replaced)",
     [] {
         DeleteKey(NETWORKS);
         SetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPsource", REG_SZ, "192.168.1.10");
         SetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPdestination", REG_SZ, "10.0.0.5");
         CreateLink(NETWORKS, PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME);
     }},
    {"link at Networks to Networks (new)",
     [] {
         DeleteKey(NETWORKS);
         SetValue(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME "\\0", "IPsource", REG_SZ, "192.168.1.10");
         SetValue(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME "\\0", "IPdestination", REG_SZ, "10.0.0.5");
         CreateLink(NETWORKS, PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME);
     }},
    {"link at Networks to mDNS", [] { DeleteKey(NETWORKS), CreateLink(NETWORKS, PRODUCT_KEY_PATH); }},
    {"between the two renames",
     [] {
         DeleteKey(NETWORKS);
         SetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPsource", REG_SZ, "192.168.1.10");
         SetValue(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", "IPdestination", REG_SZ, "10.0.0.5");
         SetValue(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME "\\0", "IPsource", REG_SZ, "10.0.0.9");
     }},
    // Networks reads, but this account may not write it, so no save can replace it.
    {"Networks not replaceable",
     [] {
         StorePair("0", "10.0.0.6", "10.0.0.5");
         StandinDenyAccess(NETWORKS, KEY_SET_VALUE);
     }},
};

const StandinService kRepeater = {"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0};

// The service as each run meets it: none, stopped, current, or running an older list (it
// started before the store was written).
void MakeService(size_t service)
{
    StandinService stopped = kRepeater;
    stopped.state = SERVICE_STOPPED;
    if (service == 1) StandinScriptService(stopped);
    if (service == 2) StandinScriptService(kRepeater);
}

// A store no save may change is refused while planning, naming the cause; a name the save
// cannot use is said.
void ExpectThePlanNamesWhatBlocksIt(const std::string& storeName, const std::string& command, const Outcome& dry)
{
    // Refused wherever the list would change; a restart alone changes no list.
    if (storeName == "product key refuses" && dry.exitCode != PAIRS_UNCHANGED &&
        dry.standardOutput.find("restart the service:") != 0) {
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, dry.exitCode);
        EXPECT_NE(std::string::npos, dry.standardError.find("may not change \"mDNS\" (error 5)")) << dry.standardError;
    }
    if (storeName == "link at mDNS") {
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, dry.exitCode);
        EXPECT_NE(std::string::npos, dry.standardError.find("\"mDNS\" is a registry link")) << dry.standardError;
    }
    if (storeName == "Networks not replaceable" && command == "set") {
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, dry.exitCode);
        EXPECT_NE(std::string::npos,
                  dry.standardError.find("may not replace \"Networks\" (error 5): run mDNSPairs as an "
                                         "administrator"))
            << dry.standardError;
    }
    if (storeName == "Networks (new) refuses removal" && dry.exitCode == PAIRS_CHANGED &&
        dry.standardOutput.find("add ") != std::string::npos) {
        EXPECT_NE(std::string::npos,
                  dry.standardOutput.find("may not be removed (error 5); the new list is built in "
                                          "\"" BUILDING_KEY_NAME_2 "\" instead"))
            << dry.standardOutput;
    }
    // A link to the save's building name: the plan says the list is built under the other.
    if (storeName == "link at Networks to Networks (new)" && dry.exitCode == PAIRS_CHANGED) {
        EXPECT_NE(std::string::npos, dry.standardOutput.find("is what Networks links to")) << dry.standardOutput;
    }
    if (storeName == "both new names refuse removal" && command == "set") {
        EXPECT_EQ(PAIRS_SAVE_FAILED, dry.exitCode);
        EXPECT_NE(std::string::npos, dry.standardError.find("\"" BUILDING_KEY_NAME_2 "\" beside Networks "
                                                            "may be removed (error 5)"))
            << dry.standardError;
    }
    if (storeName == "between the two renames") {
        EXPECT_NE(std::string::npos, dry.standardError.find("a save was stopped between its two renames. "
                                                            "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\"
                                                            REPLACED_KEY_NAME " holds the list"))
            << dry.standardError;
        EXPECT_NE(std::string::npos, dry.standardError.find("; HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME
                                                            " holds the list that save was putting in place"))
            << dry.standardError;
    }
}

// The DSC resource's test answers from the same plan: in the desired state exactly when the
// dry run has nothing to do, or refused alike.
void ExpectTheDscTestAgrees(const std::vector<std::string>& command, bool restart, const Outcome& dry,
                            const std::function<void()>& arm)
{
    std::string instance = "{\"pairs\":[{\"source\":\"" + command[1] + "\",\"destination\":\"" + command[2] +
                           "\"}],\"restartService\":" + (restart ? "true" : "false") + "}";
    const std::string before = DescribeStore();
    arm();
    Outcome test = RunDsc("test", instance);
    StandinDropFaults();
    bool answered = dry.exitCode == PAIRS_UNCHANGED || dry.exitCode == PAIRS_CHANGED;
    EXPECT_EQ(answered ? PAIRS_UNCHANGED : dry.exitCode, test.exitCode) << test.standardError;
    if (answered) {
        EXPECT_EQ(dry.exitCode == PAIRS_UNCHANGED ? "true" : "false", Property(test, 0, "_inDesiredState"));
    }
    EXPECT_EQ(before, DescribeStore()) << "the DSC test changed the store";
}

// The real run answers as the dry run did (its outcome line aside), changes the store exactly
// when the dry run said it would, and a second run has nothing left to do.
void ExpectTheRealRunAsTheDryRunSaid(const std::vector<std::string>& words, const Outcome& dry,
                                     const std::function<void()>& arm)
{
    const std::string before = DescribeStore();
    arm();
    Outcome real = RunCommand(words);
    StandinDropFaults();
    bool carried = real.exitCode == PAIRS_CHANGED || real.exitCode == PAIRS_NOT_RESTARTED;
    EXPECT_EQ(dry.exitCode, real.exitCode == PAIRS_NOT_RESTARTED ? PAIRS_CHANGED : real.exitCode);
    EXPECT_EQ(dry.standardOutput, carried && real.exitCode == PAIRS_CHANGED
                                      ? WithoutLastLine(real.standardOutput) : real.standardOutput);
    // What the store says comes first; a restart that failed, after it.
    EXPECT_EQ(dry.standardError, real.exitCode == PAIRS_NOT_RESTARTED
                                     ? real.standardError.substr(0, dry.standardError.size())
                                     : real.standardError);
    bool saved = dry.standardOutput.find("add ") == 0 || dry.standardOutput.find("remove ") == 0 ||
                 dry.standardOutput.find("rewrite: ") != std::string::npos ||
                 dry.standardOutput.find("reorder") != std::string::npos;
    EXPECT_EQ(saved, before != DescribeStore()) << dry.standardOutput << before << DescribeStore();
    arm();
    Outcome again = RunCommand(words);
    StandinDropFaults();
    bool refused = dry.exitCode == PAIRS_STORE_UNUSABLE || dry.exitCode == PAIRS_SAVE_FAILED;
    EXPECT_EQ(refused ? dry.exitCode : PAIRS_UNCHANGED, again.exitCode)
        << again.standardOutput << again.standardError;
}

// The dry run is the real run: for every store, service and command, --what-if answers with
// the real run's exit code and lines (its outcome line aside), changes nothing, and after
// the real run a second one has nothing left to do.
TEST_F(PairsCommandsTest, TheDryRunIsTheRealRun)
{
    TemporaryFile file;
    const PairRowText filePair = {"10.0.0.5", "10.0.0.6"};
    file.Write(PairsExportText(&filePair, 1));
    const std::vector<std::vector<std::string>> commands = {
        {"set", "192.168.1.10", "10.0.0.5"}, {"add", "10.0.0.6", "192.168.1.10"}, {"remove", "192.168.1.10", "10.0.0.5"},
        {"clear"}, {"import", file.path}};
    for (const DryRunStore& store : kDryRunStores)
        for (size_t service = 0; service < 4; ++service)
            for (const std::vector<std::string>& command : commands)
                for (bool restart : {false, true}) {
                    SCOPED_TRACE(std::string(store.name) + ", service " + std::to_string(service) + ", " + command[0] +
                                 (restart ? " --restart" : ""));
                    // Read through that link, the list is mDNS's keys, rows of empty texts, which
                    // add and remove would keep: set and clear replace it.
                    if (std::string(store.name) == "link at Networks to mDNS" && command[0] != "set" && command[0] != "clear")
                        continue;
                    StandinReset();
                    CreateKey(NETWORKS);
                    if (service == 3) StandinScriptService(kRepeater);
                    store.make();
                    MakeService(service);
                    std::vector<std::string> words = command;
                    if (restart) words.push_back("--restart");
                    std::vector<std::string> dryWords = words;
                    dryWords.push_back("--what-if");
                    auto arm = [&] {
                        if (std::string(store.name) == "product key refuses")
                            StandinFailAt("RegOpenKeyExA", "mDNS", ERROR_ACCESS_DENIED);
                    };
                    const std::string before = DescribeStore();
                    arm();
                    Outcome dry = RunCommand(dryWords);
                    StandinDropFaults();
                    ExpectThePlanNamesWhatBlocksIt(store.name, command[0], dry);
                    EXPECT_EQ(before, DescribeStore()) << "the dry run changed the store";
                    if (command[0] == "set") ExpectTheDscTestAgrees(command, restart, dry, arm);
                    ExpectTheRealRunAsTheDryRunSaid(words, dry, arm);
                }
}

// A missing store ends both runs alike, before anything is planned.
TEST_F(PairsCommandsTest, AMissingStoreEndsTheDryRunAsTheRealRun)
{
    DeleteKey(NETWORKS);
    EXPECT_EQ(PAIRS_STORE_UNUSABLE, RunCommand({"status"}).exitCode) << "status says the store is missing";
    for (const char* dryRun : {"--what-if", ""}) {
        StandinReset();
        ChildResult child = RunInChild([dryRun] {
            std::vector<std::string> words = {"set", "192.168.1.10", "10.0.0.5"};
            if (dryRun[0]) words.push_back(dryRun);
            exit(RunCommand(words).exitCode);
        });
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, child.exitStatus) << dryRun;
    }
}

}  // namespace

namespace {

// One command of a pending-restart scenario, and what it answers.
struct PendingStep {
    std::vector<std::string> arguments;
    int exitCode;
    std::string standardOutput;  // "*" for any
    std::function<void()> before = nullptr;
};

const std::vector<std::string> kOnePair = {"192.168.1.10", "10.0.0.5"}, kOtherPair = {"10.0.0.5", "10.0.0.6"};
const std::string kConverged = TEXT_PAIRS_CONVERGED "\n";
const std::string kPending = "restart the service: it started before the list was last written\n";

std::vector<std::string> With(std::string command, const std::vector<std::string>& pair)
{
    std::vector<std::string> words = {command};
    words.insert(words.end(), pair.begin(), pair.end());
    return words;
}

// Runs the steps over `stored` and the repeater service, running since before it was stored.
void RunPendingSteps(const std::vector<std::string>& stored, const std::vector<PendingStep>& steps)
{
    StorePair("0", stored[0].c_str(), stored[1].c_str());
    StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
    for (const PendingStep& step : steps) {
        std::string command;
        for (const std::string& word : step.arguments) command += " " + word;
        SCOPED_TRACE(command);
        if (step.before) step.before();
        Outcome outcome = RunCommand(step.arguments);
        EXPECT_EQ(step.exitCode, outcome.exitCode) << outcome.standardError;
        if (step.standardOutput != "*") {
            EXPECT_EQ(step.standardOutput, outcome.standardOutput);
        }
    }
}

// Our saves record the service process that was running and what it read: the same content
// written again needs no restart, and with the clock set back an hour the record, not the
// clock, says the new list is unread.
TEST_F(PairsCommandsTest, OurSavesRecordWhatTheRunningServiceRead)
{
    RunPendingSteps(kOnePair, {
        {With("check", kOnePair), PAIRS_UNCHANGED, kConverged},
        {{"clear"}, PAIRS_CHANGED, "*"},
        {With("set", kOnePair), PAIRS_CHANGED, "*"},
        {With("check", kOnePair), PAIRS_UNCHANGED, kConverged},
        {{"status"}, PAIRS_UNCHANGED, "service MdnsTest: running\npid 100\npairs 1\nrestart pending: no\n"},
        {With("set", kOtherPair), PAIRS_CHANGED, "*", [] { StandinSetClockSkew(-3600000); }},
        {With("check", kOtherPair), PAIRS_CHANGED, kPending},
        {With("set", kOtherPair), PAIRS_UNCHANGED, TEXT_PAIRS_ALREADY_SO "\nrestart pending: the service started before the list was "
                                            "last written (--restart restarts it)\n"},
        {{"set", kOtherPair[0], kOtherPair[1], "--restart", "--what-if"}, PAIRS_CHANGED, kPending},
        {{"set", kOtherPair[0], kOtherPair[1], "--restart"}, PAIRS_CHANGED, kPending + "The service MdnsTest was restarted.\n"},
        {With("check", kOtherPair), PAIRS_UNCHANGED, kConverged, [] { StandinSetClockSkew(0); }},
    });
}

// A service (re)started while the clock ran fast, outside our programs: our save after it is
// still unread.
TEST_F(PairsCommandsTest, AServiceRestartedUnderAFastClockStillNeedsARestart)
{
    RunPendingSteps(kOtherPair, {
        {{"restart"}, PAIRS_CHANGED, "The service MdnsTest was restarted.\n", [] { StandinSetClockSkew(3600000); }},
        {With("set", kOnePair), PAIRS_CHANGED, "*", [] { StandinSetClockSkew(0); }},
        {With("check", kOnePair), PAIRS_CHANGED, kPending},
        // A save while a restart is pending says what it changed, and the notice: no line of
        // its own for the restart.
        {With("set", kOtherPair), PAIRS_CHANGED, "add 10.0.0.5 10.0.0.6\nremove 192.168.1.10 10.0.0.5\n" + kRestart},
        {With("set", kOnePair), PAIRS_CHANGED, "*"},
        {{"check", "--json", kOnePair[0], kOnePair[1]}, PAIRS_CHANGED,
         "{\"converged\":false,\"add\":[],\"remove\":[],\"reorder\":false,\"store\":[],\"restartPending\":true,"
         "\"restartPendingHow\":\"record\"}\n"},
    });
}

// A store the process read with Enabled 0 is not the list written over it, though the pairs
// are the same: what it read is not known, and the restart is kPending. A writer that is not
// ours: the clocks decide.
TEST_F(PairsCommandsTest, WhatTheServiceReadIsTheWholeStoreAndOthersWritesGoByTheClock)
{
    RunPendingSteps(kOnePair, {
        {{"restart"}, PAIRS_CHANGED, "The service MdnsTest was restarted.\n",
         [] { SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "0"); }},
        {With("set", kOnePair), PAIRS_CHANGED, "rewrite: Networks\\\\0\\\\Enabled does not hold \"1\"\n" + kRestart},
        {With("check", kOnePair), PAIRS_CHANGED, kPending},
        {{"restart"}, PAIRS_CHANGED, "The service MdnsTest was restarted.\n"},
        {With("check", kOnePair), PAIRS_UNCHANGED, kConverged},
        {With("check", kOnePair), PAIRS_CHANGED, kPending, [] { SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "1"); }},
    });
}

// A process that cannot be asked when it started: cannot tell, never "no": check answers that
// a restart is due, set alone says so, and status answers null.
TEST_F(PairsCommandsTest, AServiceThatCannotBeAskedIsNeverSaidCurrent)
{
    StandinService hidden = {"MdnsTest", "", 0, false, false, false, 0, 0, 0};
    hidden.processHidden = true;
    RunPendingSteps(kOnePair, {
        {With("check", kOnePair), PAIRS_CHANGED,
         "restart the service: whether it read the list cannot be told (the process of the service MdnsTest cannot "
         "be asked when it started)\n",
         [hidden] { StandinScriptService(hidden); }},
        {With("set", kOnePair), PAIRS_UNCHANGED,
         TEXT_PAIRS_ALREADY_SO "\nrestart pending: cannot tell (the process of the service MdnsTest cannot be asked "
         "when it started)\n"},
        {{"status", "--json"}, PAIRS_UNCHANGED,
         "{\"service\":\"MdnsTest\",\"displayName\":\"Corvane mDNS Repeater\",\"state\":\"running\",\"pid\":100,"
         "\"pairs\":1,\"restartPending\":null,\"restartPendingHow\":\"unreadable\",\"stalePairs\":[]}\n"},
    });
}

}  // namespace

namespace {

// One command over a list with stale pairs, and the one event it leaves, if any.
struct AuditStep {
    std::vector<std::string> arguments;
    int exitCode;
    std::string standardOutput;  // "*" for any
    std::string standardError;   // the first line, "" for none
    Rows storedAfter;
    std::vector<std::string> event;  // the one event's id and strings, or empty for none
    std::function<void()> before = nullptr;
};

const Rows mixed = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "172.16.0.9"}, {"10.0.0.6", "192.168.1.10"},
                    {"172.16.0.1", "172.16.0.2"}};
const std::string user = "STANDIN\\tester";

void StoreMixed(void)
{
    for (size_t i = 0; i < mixed.size(); ++i) StorePair(std::to_string(i), mixed[i].first.c_str(), mixed[i].second.c_str());
}

// Runs the steps over the list with two stale pairs, each checked with what it logged.
void RunAuditSteps(const std::vector<AuditStep>& steps)
{
    StoreMixed();
    for (const AuditStep& step : steps) {
        std::string command;
        for (const std::string& word : step.arguments) command += " " + word;
        SCOPED_TRACE(command);
        if (step.before) step.before();
        size_t firstEvent = StandinEventReports().size();
        Outcome outcome = RunCommand(step.arguments);
        EXPECT_EQ(step.exitCode, outcome.exitCode);
        if (step.standardOutput != "*") {
            EXPECT_EQ(step.standardOutput, outcome.standardOutput);
        }
        if (step.standardError != "*") {
            EXPECT_EQ(step.standardError, outcome.standardError.substr(0, outcome.standardError.find('\n')));
        }
        EXPECT_EQ(step.storedAfter, StoredRows());
        std::vector<std::string> event;
        if (StandinEventReports().size() > firstEvent) {
            const StandinEventReport& report = StandinEventReports().back();
            EXPECT_EQ(EVENT_SOURCE_NAME, report.source);
            EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, report.type);
            EXPECT_TRUE(report.withUser);
            event.push_back(std::to_string(report.id));
            event.insert(event.end(), report.strings.begin(), report.strings.end());
        }
        EXPECT_EQ(step.event, event);
        EXPECT_GE(firstEvent + 1, StandinEventReports().size()) << "one event at most";
    }
}

// Stale pairs are said and pruned, and each change leaves its event in the Application log.
TEST_F(PairsCommandsTest, StalePairsAreSaidAndPrunedAndLogged)
{
    const Rows fresh = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}};
    const std::string staleLines =
        "stale pair 10.0.0.5 172.16.0.9: 172.16.0.9 is not an address of this computer\n"
        "stale pair 172.16.0.1 172.16.0.2: 172.16.0.1 and 172.16.0.2 are not addresses of this computer\n";
    RunAuditSteps({
        {{"status"}, PAIRS_NO_SERVICE, "pairs 4\n" + staleLines, "*", mixed, {}},
        {{"status", "--json"}, PAIRS_NO_SERVICE,
         "{\"service\":null,\"displayName\":null,\"state\":null,\"pid\":null,\"pairs\":4,\"restartPending\":null,"
         "\"restartPendingHow\":\"no service\",\"stalePairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"172.16.0.9\","
         "\"missing\":[\"172.16.0.9\"]},{\"source\":\"172.16.0.1\",\"destination\":\"172.16.0.2\",\"missing\":"
         "[\"172.16.0.1\",\"172.16.0.2\"]}]}\n",
         "*", mixed, {}},
        {{"prune", "--what-if"}, PAIRS_CHANGED, "remove 10.0.0.5 172.16.0.9\nremove 172.16.0.1 172.16.0.2\n", "", mixed, {}},
        {{"prune"}, PAIRS_CHANGED, "remove 10.0.0.5 172.16.0.9\nremove 172.16.0.1 172.16.0.2\n" + kRestart, "", fresh,
         {"1000", "mDNSPairs prune", user, "S-1-5-21-1000-2000-3000-1001", "4", "2",
          "remove 10.0.0.5 172.16.0.9\r\nremove 172.16.0.1 172.16.0.2\r\n", ""}},
        {{"prune"}, PAIRS_UNCHANGED, TEXT_PAIRS_NONE_STALE "\n", "", fresh, {}},
        {{"status"}, PAIRS_NO_SERVICE, "pairs 2\n", "*", fresh, {}},
        // All stale: the list empties, as asked.
        {{"prune"}, PAIRS_CHANGED, "*", "", {}, {"1000", "mDNSPairs prune", user, "S-1-5-21-1000-2000-3000-1001", "2", "0",
                                               "remove 192.168.1.10 10.0.0.5\r\nremove 10.0.0.6 192.168.1.10\r\n", ""},
         [] {
             StandinScriptHostAddresses({});
             StandinScriptAdapters({{"Other", "10.7.0.1", 16}});
             DiscoverOwnAddresses();
         }},
        {{"set", "--", "10.7.0.1", "10.7.0.1"}, PAIRS_REFUSED, "", TEXT_RULE_SAME, {}, {}},
    });
}

// Addresses that cannot be read are not "none": nothing is stale, and prune refuses.
TEST_F(PairsCommandsTest, UnreadableAddressesMakeNoPairStale)
{
    RunAuditSteps({
        // Addresses that cannot be read are not "none": nothing is stale, and prune refuses.
        {{"prune"}, PAIRS_ADDRESSES_UNKNOWN, "", TEXT_PAIRS_ADDRESSES_UNKNOWN, mixed, {},
         [] { LoseOwnAddresses(); }},
        {{"prune", "--what-if"}, PAIRS_ADDRESSES_UNKNOWN, "", TEXT_PAIRS_ADDRESSES_UNKNOWN, mixed, {}},
        {{"status"}, PAIRS_NO_SERVICE, "pairs 4\nstale pairs: cannot tell (this computer's addresses cannot be read)\n",
         "*", mixed, {}},
    });
}

// An event that cannot be written is said and the change stands; a restart is an event of
// its own; a look logs nothing.
TEST_F(PairsCommandsTest, TheAuditTrailOfFailuresRestartsAndLooks)
{
    RunAuditSteps({
        // An event that cannot be written: said, and the change stands with its exit code.
        {{"clear"}, PAIRS_CHANGED, "*",
         "The event for this run could not be written to the Application log (error 1502); what was done stands.", {}, {},
         [] { StandinFailEventLog(1502); }},
        {{"clear"}, PAIRS_UNCHANGED, TEXT_PAIRS_ALREADY_SO "\n", "", {}, {}, [] { StandinFailEventLog(0); }},
        // A restart is an event of its own; restart reads no pairs.
        {{"restart"}, PAIRS_CHANGED, "The service MdnsTest was restarted.\n", "", {},
         {"1003", "mDNSPairs restart", user, "S-1-5-21-1000-2000-3000-1001", "unknown", "unknown", "(none)",
          "The service MdnsTest was restarted."},
         [] { StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0}); }},
        // A stopped service has no process: its pid is null; nothing is logged for a look; with
        // this computer's addresses unknown, the stale pairs are null.
        {{"status", "--json", "--service", "Stopped"}, PAIRS_UNCHANGED,
         "{\"service\":\"Stopped\",\"displayName\":\"\",\"state\":\"stopped\",\"pid\":null,"
         "\"pairs\":0,\"restartPending\":false,\"restartPendingHow\":\"stopped\",\"stalePairs\":null}\n",
         "", {}, {},
         [] {
             StandinService stopped = {"Stopped", "", SERVICE_STOPPED, false, false, false, 0, 0, 0};
             StandinScriptService(stopped);
             LoseOwnAddresses();
         }},
    });
}

}  // namespace

namespace {

// The configurator's OK rewrites the list whether or not it changed: a rewrite of the very list
// the running service read needs no restart, with a record of ours or without; a change does.
TEST_F(PairsCommandsTest, TheConfiguratorsOkOfTheSameListIsNoPendingRestart)
{
    const PairRowText same[] = {{"192.168.1.10", "10.0.0.5"}}, other[] = {{"10.0.0.5", "10.0.0.6"}};
    const std::string pending = "restart the service: it started before the list was last written\n";
    auto okInTheSheet = [](const PairRowText* rows) {
        SheetSession session;
        BeginTestSheetSession(&session);
        SaveRequest request = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
        Conversation talk;
        SaveAnswers answers = kRecordedAnswers;
        answers.context = &talk;
        EXPECT_TRUE(SaveAnswering(rows, 1, &request, &answers, &session));
        char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
        RetireOldList(&session.held, kTestRetireWait, left, changed, NULL);
        FreeStamps(&session.base);
    };
    for (bool recorded : {false, true}) {
        SCOPED_TRACE(recorded ? "after a restart of ours" : "a service that started after the list was written");
        StandinReset();
        StorePair("0", "192.168.1.10", "10.0.0.5");
        StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
        if (recorded) {
            EXPECT_EQ(PAIRS_CHANGED, RunCommand({"restart"}).exitCode);
        }
        okInTheSheet(same);
        Outcome check = RunCommand({"check", "192.168.1.10", "10.0.0.5"});
        EXPECT_EQ(PAIRS_UNCHANGED, check.exitCode) << check.standardOutput;
        okInTheSheet(same);
        EXPECT_EQ(PAIRS_UNCHANGED, RunCommand({"check", "192.168.1.10", "10.0.0.5"}).exitCode) << "and again";
        okInTheSheet(other);
        check = RunCommand({"check", "10.0.0.5", "10.0.0.6"});
        EXPECT_EQ(PAIRS_CHANGED, check.exitCode);
        EXPECT_EQ(pending, check.standardOutput);
        okInTheSheet(other);
        EXPECT_EQ(PAIRS_CHANGED, RunCommand({"check", "10.0.0.5", "10.0.0.6"}).exitCode) << "still the other list unread";
    }
}

// The DSC resource: each operation from the plan check and set use. test agrees with check,
// whatif with --what-if, set with set --restart (or without, as restartService says); a set
// then a test is in the desired state, as is the test of an export. Refusals are JSON lines
// on standard error with their exit code, and change nothing.
TEST_F(PairsCommandsTest, TheDscResourceGetsTestsAndWhatIfsFromThePlan)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    const std::string same = "{\"pairs\":[{\"source\":\"Ethernet2\",\"destination\":\"WiFi\"}],\"restartService\":false}";
    const std::string other = "{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"10.0.0.6\"}],\"restartService\":false}";
    Outcome get = RunDsc("get", "{}");
    EXPECT_EQ(PAIRS_UNCHANGED, get.exitCode) << get.standardError;
    EXPECT_EQ("[{source:\"192.168.1.10\",destination:\"10.0.0.5\"}]", Property(get, 0, "pairs"));
    EXPECT_EQ("null", Property(get, 0, "serviceState"));
    EXPECT_EQ("null", Property(get, 0, "restartPending"));
    EXPECT_EQ("(none)", Property(get, 0, "service"));
    EXPECT_EQ("\"MdnsTest\"", Property(RunDsc("get", "{\"service\":\"MdnsTest\"}"), 0, "service"));
    EXPECT_EQ(0, StandinOpenHandleCount()) << "a registry handle left open";
    // The stored pairs as addresses, each with its adapter.
    JsonValue state = JsonLine(get, 0);
    const JsonValue* stored = JsonMember(state, "storedPairs");
    ASSERT_TRUE(stored != nullptr && stored->items.size() == 1);
    const JsonValue* adapter = JsonMember(stored->items[0], "sourceAdapter");
    ASSERT_TRUE(adapter != nullptr && JsonMember(*adapter, "name") != nullptr);
    EXPECT_EQ("Ethernet2", JsonMember(*adapter, "name")->text);
    // test: in the desired state exactly when check answers 0.
    for (const std::string& instance : {same, other}) {
        Outcome test = RunDsc("test", instance);
        bool converged = RunCommand({"check", instance == same ? "Ethernet2" : "10.0.0.5", instance == same ? "WiFi" : "10.0.0.6"})
                             .exitCode == PAIRS_UNCHANGED;
        EXPECT_EQ(PAIRS_UNCHANGED, test.exitCode) << test.standardError;
        EXPECT_EQ(converged ? "true" : "false", Property(test, 0, "_inDesiredState"));
        EXPECT_EQ(converged ? "[]" : "[\"pairs\",\"storedPairs\"]", JsonText(JsonLine(test, 1)));
    }
    // whatif: the state set would leave, nothing written.
    Outcome whatIf = RunDsc("whatif", other);
    EXPECT_EQ("[{source:\"10.0.0.5\",destination:\"10.0.0.6\"}]", Property(whatIf, 0, "pairs"));
    EXPECT_EQ("[\"pairs\",\"storedPairs\"]", JsonText(JsonLine(whatIf, 1)));
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), StoredRows());
}

// set from the same plan, logged as the command line's are; export gives an instance whose
// test is in the desired state; restartService makes a pending restart part of the state.
TEST_F(PairsCommandsTest, TheDscResourceSetsAndExportsAsSetDoes)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    const std::string other = "{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"10.0.0.6\"}],\"restartService\":false}";
    // set, logged as the command line's are; a second set changes nothing.
    size_t firstEvent = StandinEventReports().size();
    Outcome set = RunDsc("set", other);
    EXPECT_EQ(PAIRS_UNCHANGED, set.exitCode) << set.standardError;
    // What the run says for a person goes to standard error as info lines, one a line.
    EXPECT_EQ("{\"level\":\"info\",\"message\":\"add 10.0.0.5 10.0.0.6\"}\n"
              "{\"level\":\"info\",\"message\":\"remove 192.168.1.10 10.0.0.5\"}\n"
              "{\"level\":\"info\",\"message\":\"" TEXT_PAIRS_RESTART_NOTICE "\"}\n",
              set.standardError);
    EXPECT_EQ(0, StandinOpenHandleCount()) << "a registry handle left open";
    EXPECT_EQ("[{source:\"10.0.0.5\",destination:\"10.0.0.6\"}]", Property(set, 0, "pairs"));
    EXPECT_EQ("[\"pairs\",\"storedPairs\"]", JsonText(JsonLine(set, 1)));
    EXPECT_EQ((Rows{{"10.0.0.5", "10.0.0.6"}}), StoredRows());
    ASSERT_EQ(firstEvent + 1, StandinEventReports().size());
    EXPECT_EQ((DWORD)LIST_EVENT_SAVED, StandinEventReports()[firstEvent].id);
    EXPECT_EQ("mDNSPairs dsc set", StandinEventReports()[firstEvent].strings[0]);
    EXPECT_EQ("[]", JsonText(JsonLine(RunDsc("set", other), 1)));
    EXPECT_EQ("true", Property(RunDsc("test", other), 0, "_inDesiredState"));
    // export, then the test of that export.
    Outcome exported = RunDsc("export", "");
    EXPECT_EQ("{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"10.0.0.6\"}],\"restartService\":false}\n",
              exported.standardOutput);
    EXPECT_EQ("true", Property(RunDsc("test", exported.standardOutput), 0, "_inDesiredState"));
    // A service that runs an older list: with restartService, not in the desired state, and
    // set restarts it.
    StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
    StorePair("1", "10.0.0.6", "10.0.0.5");
    DeleteKey(NETWORKS "\\1");
    const std::string restarting = "{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"10.0.0.6\"}]}";
    Outcome whatIfRestart = RunDsc("whatif", restarting);
    EXPECT_EQ("true", Property(RunDsc("get", "{}"), 0, "restartPending"));
    EXPECT_EQ("false", Property(whatIfRestart, 0, "restartPending")) << "the state set leaves";
    Outcome pending = RunDsc("test", restarting);
    EXPECT_EQ("false", Property(pending, 0, "_inDesiredState"));
    EXPECT_EQ("[\"restartPending\"]", JsonText(JsonLine(pending, 1)));
    EXPECT_EQ(RunCommand({"check", "10.0.0.5", "10.0.0.6"}).exitCode, PAIRS_CHANGED);
    Outcome restarted = RunDsc("set", restarting);
    EXPECT_EQ(PAIRS_UNCHANGED, restarted.exitCode) << restarted.standardError;
    EXPECT_EQ("false", Property(restarted, 0, "restartPending"));
    EXPECT_EQ("\"running\"", Property(restarted, 0, "serviceState"));
    EXPECT_EQ("true", Property(RunDsc("test", restarting), 0, "_inDesiredState"));
}

// Refusals: a named exit code, one JSON error line, nothing written or printed.
TEST_F(PairsCommandsTest, TheDscResourceRefusesWhatItCannotDo)
{
    StorePair("0", "10.0.0.5", "10.0.0.6");
    // A store that cannot be read: get and export say so, as the companion does, with 5.
    DeleteKey(NETWORKS "\\0");
    DeleteKey(NETWORKS);
    for (const char* operation : {"get", "export"}) {
        Outcome missing = RunDsc(operation, "{}");
        EXPECT_EQ(PAIRS_STORE_UNUSABLE, missing.exitCode) << operation;
        EXPECT_EQ(0u, missing.standardError.find("{\"level\":\"error\",\"message\":")) << missing.standardError;
        EXPECT_EQ(0, StandinOpenHandleCount()) << operation;
    }
    // A pair that cannot be read: refused alike, and nothing of the reading is kept.
    StorePair("0", "10.0.0.5", "10.0.0.6");
    StandinDenyAccess(NETWORKS "\\0", KEY_QUERY_VALUE);
    Outcome unreadable = RunDsc("get", "{}");
    EXPECT_EQ(PAIRS_STORE_UNUSABLE, unreadable.exitCode) << unreadable.standardError;
    EXPECT_EQ(0, StandinOpenHandleCount());
    StandinReset();
    CreateKey(NETWORKS);
    StorePair("0", "10.0.0.5", "10.0.0.6");
    // Refused instances: a named exit code, one JSON error line, nothing written or printed.
    const struct {
        std::string instance;
        int exitCode;
    } refused[] = {
        {"", PAIRS_USAGE},
        {"not json", PAIRS_USAGE},
        {"[1,2]", PAIRS_USAGE},
        {"{\"pairs\":[],\"colour\":\"red\"}", PAIRS_USAGE},
        {"{\"pairs\":{\"source\":\"10.0.0.5\"}}", PAIRS_USAGE},
        {"{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"banana\"}]}", PAIRS_USAGE},
        {"{\"pairs\":[{\"source\":\"10.0.0.5\",\"destination\":\"10.0.0.5\"}]}", PAIRS_REFUSED},
        {"{\"pairs\":[],\"restartService\":\"yes\"}", PAIRS_USAGE},
        {"{\"pairs\":[],\"service\":\"Nothing\"}", PAIRS_NO_SERVICE},
        {"{\"restartService\":true}", PAIRS_USAGE},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.instance);
        Outcome outcome = RunDsc("set", c.instance);
        EXPECT_EQ(c.exitCode, outcome.exitCode);
        EXPECT_EQ("", outcome.standardOutput);
        EXPECT_EQ(0u, outcome.standardError.find("{\"level\":\"error\",\"message\":\"")) << outcome.standardError;
        EXPECT_EQ(1, (int)std::count(outcome.standardError.begin(), outcome.standardError.end(), '\n'))
            << outcome.standardError;
        EXPECT_EQ((Rows{{"10.0.0.5", "10.0.0.6"}}), StoredRows());
        EXPECT_EQ(0, StandinOpenHandleCount()) << "a registry handle left open";
    }
    // A store no save may change: set is refused with 5 and says why, as the companion does.
    StandinDenyAccess(NETWORKS, KEY_SET_VALUE);
    Outcome unsavable = RunDsc("set", "{\"pairs\":[{\"source\":\"10.0.0.6\",\"destination\":\"10.0.0.5\"}]}");
    EXPECT_EQ(PAIRS_STORE_UNUSABLE, unsavable.exitCode);
    EXPECT_EQ("", unsavable.standardOutput);
    EXPECT_NE(std::string::npos, unsavable.standardError.find("may not replace \\\"Networks\\\"")) << unsavable.standardError;
}

}  // namespace

namespace {

// A command, the words that fit it and the options it takes.
struct CommandShape {
    const char* name;
    std::vector<std::string> words;  // a fitting set of words
    std::vector<std::string> options;
    bool moreWordsFit;                // pairs: two more words fit too
};

// Every option on every command: the documented ones are taken, the others refused by name.
void ExpectOptionsTakenOrRefused(const CommandShape& command, const std::string& file)
{
    for (const char* option : {"--json", "--what-if", "--restart", "--service", "--file"}) {
        // check's --file stands instead of its pairs: below.
        if (std::string(command.name) == "check" && std::string(option) == "--file") continue;
        SCOPED_TRACE(std::string(command.name) + " " + option);
        std::vector<std::string> words = {command.name};
        words.insert(words.end(), command.words.begin(), command.words.end());
        words.push_back(option);
        if (std::string(option) == "--service") words.push_back("Corvane mDNS Repeater");
        if (std::string(option) == "--file") words.push_back(file);
        bool documented = std::find(command.options.begin(), command.options.end(), option) != command.options.end();
        Outcome outcome = RunCommand(words);
        if (documented) {
            EXPECT_NE(PAIRS_USAGE, outcome.exitCode) << outcome.standardError;
        } else {
            EXPECT_EQ(PAIRS_USAGE, outcome.exitCode);
            EXPECT_EQ(0u, outcome.standardError.find("\"" + std::string(command.name) + "\" takes no option " + option))
                << outcome.standardError;
        }
    }
}

// One word fewer and one more do not fit; for pairs, two more do.
void ExpectOnlyFittingWords(const CommandShape& command)
{
    std::vector<std::string> fewer = {command.name}, more = {command.name}, pairMore = {command.name};
    fewer.insert(fewer.end(), command.words.begin(), command.words.end());
    more.insert(more.end(), command.words.begin(), command.words.end());
    pairMore.insert(pairMore.end(), command.words.begin(), command.words.end());
    more.push_back("10.0.0.6");
    pairMore.insert(pairMore.end(), {"10.0.0.5", "10.0.0.6"});
    SCOPED_TRACE(command.name);
    if (!command.words.empty()) {
        fewer.pop_back();
        EXPECT_EQ(PAIRS_USAGE, RunCommand(fewer).exitCode) << "one word fewer";
    }
    EXPECT_EQ(PAIRS_USAGE, RunCommand(more).exitCode) << "one word more";
    EXPECT_EQ(command.moreWordsFit, RunCommand(pairMore).exitCode != PAIRS_USAGE) << "two words more";
}

// The command table as the help documents it: every command takes exactly the options its
// help names, and exactly its number of words.
TEST_F(PairsCommandsTest, EveryCommandTakesItsOptionsAndWords)
{
    TemporaryFile file;
    const PairRowText pair = {"192.168.1.10", "10.0.0.5"};
    file.Write(PairsExportText(&pair, 1));
    StorePair("0", "192.168.1.10", "10.0.0.5");
    const std::vector<std::string> changing = {"--what-if", "--restart", "--service"};
    const CommandShape commands[] = {
        {"list", {}, {"--json"}, false},
        {"add", {"192.168.1.10", "10.0.0.5"}, changing, false},
        {"remove", {"192.168.1.10", "10.0.0.5"}, changing, false},
        {"set", {"192.168.1.10", "10.0.0.5"}, changing, true},
        {"clear", {}, changing, false},
        {"check", {"192.168.1.10", "10.0.0.5"}, {"--json", "--service"}, true},
        {"export", {}, {}, false},
        {"import", {file.path}, changing, false},
        {"prune", {}, changing, false},
        {"status", {}, {"--json", "--service"}, false},
        {"restart", {}, {"--service"}, false},
        {"--version", {}, {}, false},
    };
    for (const CommandShape& command : commands) {
        ExpectOptionsTakenOrRefused(command, file.path);
        ExpectOnlyFittingWords(command);
    }
    // check takes --file or pairs, never both.
    EXPECT_EQ(PAIRS_USAGE, RunCommand({"check", "--file", file.path, "192.168.1.10", "10.0.0.5"}).exitCode);
    EXPECT_EQ(PAIRS_UNCHANGED, RunCommand({"check", "--file", file.path}).exitCode);
}

}  // namespace

namespace {

// What each command costs in registry calls, on a store of two pairs with a running service:
// one reading of the store serves the plan, so a command that would change nothing costs
// little more than the list, and one that saves little more than a build beside it.
TEST_F(PairsCommandsTest, OneReadingServesEachCommand)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "10.0.0.5", "10.0.0.6");
    StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
    auto callsOf = [](const std::vector<std::string>& arguments, int exitCode) {
        int before = StandinRegistryCallCount();
        Outcome outcome = RunCommand(arguments);
        EXPECT_EQ(exitCode, outcome.exitCode) << outcome.standardError;
        return StandinRegistryCallCount() - before;
    };
    const std::vector<std::string> same = {"set", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"};
    const std::vector<std::string> other = {"set", "10.0.0.5", "10.0.0.6", "192.168.1.10", "10.0.0.5"};
    int list = callsOf({"list"}, PAIRS_UNCHANGED);
    int converged = callsOf(same, PAIRS_UNCHANGED);
    int check = callsOf({"check", "192.168.1.10", "10.0.0.5", "10.0.0.5", "10.0.0.6"}, PAIRS_UNCHANGED);
    int status = callsOf({"status"}, PAIRS_UNCHANGED);
    int changing = callsOf(other, PAIRS_CHANGED);
    printf("registry calls: list %d, converged set %d, check %d, status %d, changing set %d\n", list, converged, check,
           status, changing);
    EXPECT_LE(converged * 2, list * 3) << "a converged set at most 1.5 times the list";
    EXPECT_LE(check * 2, list * 3) << "check at most 1.5 times the list";
    EXPECT_LE(status * 2, list * 3) << "status at most 1.5 times the list";
    // The save also reads the old keys' security for the new ones, marks the old list with its
    // readers' grace and looks at it once more before it removes it.
    EXPECT_LE(changing * 4, list * 13) << "a changing set at most 3.25 times the list";
}

}  // namespace
