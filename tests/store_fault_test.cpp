// Every failure the store can meet, driven through the stand-in's fault injection.
#include "registry_helpers.h"
#include "child_process.h"
#include "output_capture.h"

#include "standin.h"
#include "store/network_pair.h"
#include "store/save_pair_list.h"

namespace {

const char kFatalLine[] =
    "Error reading program settings from the registry.\r\n\r\nThe program will now exit.\r\n";
const char kFatalBox[] =
    "[message box \"Corvane Software\" type 0x200010] "
    "Error reading program settings from the registry.\r\n\r\nThe program will now exit.\n";

void ExpectFatalSettingsError(const ChildResult& child)
{
    EXPECT_EQ(255, child.exitStatus);
    EXPECT_EQ(kFatalLine, child.standardOutput);
    EXPECT_EQ(kFatalBox, child.standardError);
}

class StoreFaultTest : public StoreTest {};

TEST_F(StoreFaultTest, MissingNetworksKeyIsFatalAtStartUp)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS));
    ExpectFatalSettingsError(RunInChild([] { LoadPairTable(); }));
}

TEST_F(StoreFaultTest, NetworksKeyWithoutFullAccessIsFatal)
{
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED, "Networks");
    ExpectFatalSettingsError(RunInChild([] { LoadPairTable(); }));
}

TEST_F(StoreFaultTest, PairKeyThatCannotBeOpenedIsFatal)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StorePair("1", "3.3.3.3", "4.4.4.4");
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED, "1");
    ExpectFatalSettingsError(RunInChild([] { LoadPairTable(); }));
}

TEST_F(StoreFaultTest, FailedSubkeyCountGivesEmptyTable)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StandinFailCall("RegQueryInfoKeyA", 0, ERROR_ACCESS_DENIED);
    LoadPairTable();
    EXPECT_EQ(0u, PairTableCount);
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, SubkeyThatCannotBeEnumeratedLeavesAnEmptyRecord)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StorePair("1", "3.3.3.3", "4.4.4.4");
    StorePair("2", "5.5.5.5", "6.6.6.6");
    StandinFailCall("RegEnumKeyExA", 1, ERROR_MORE_DATA);
    LoadPairTable();
    ASSERT_EQ(3u, PairTableCount);
    EXPECT_STREQ("1.1.1.1", PairTable[0].sourceAddress);
    EXPECT_STREQ("", PairTable[1].subkeyName);
    EXPECT_STREQ("", PairTable[1].sourceAddress);
    EXPECT_STREQ("", PairTable[1].destinationAddress);
    EXPECT_EQ(0, PairTable[1].direction);
    EXPECT_EQ(0, PairTable[1].enabled);
    EXPECT_STREQ("6.6.6.6", PairTable[2].destinationAddress);
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, FailedValueReadsLeaveEmptyFields)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StandinFailCall("RegQueryValueExA", 0, ERROR_MORE_DATA, "IPdestination");
    StandinFailCall("RegQueryValueExA", 0, ERROR_ACCESS_DENIED, "Enabled");
    LoadPairTable();
    ASSERT_EQ(1u, PairTableCount);
    EXPECT_STREQ("1.1.1.1", PairTable[0].sourceAddress);
    EXPECT_STREQ("", PairTable[0].destinationAddress);
    EXPECT_EQ(2, PairTable[0].direction);
    EXPECT_EQ(0, PairTable[0].enabled);
}

TEST_F(StoreFaultTest, ProductKeyThatCannotBeOpenedAfterSaveIsFatal)
{
    // The empty Networks key is deleted at once, so the first open is the product key's.
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED, "mDNS");
    ChildResult child = RunInChild([] {
        const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
        SavePairList(rows, 1);
    });
    ExpectFatalSettingsError(child);
}

TEST_F(StoreFaultTest, RowWhoseKeyCannotBeCreatedIsSkippedAndReported)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}, {"3.3.3.3", "4.4.4.4"}, {"5.5.5.5", "6.6.6.6"}};
    StandinFailCall("RegCreateKeyA", 0, ERROR_ACCESS_DENIED, "1");
    EXPECT_FALSE(SavePairList(rows, 3));
    EXPECT_EQ((std::vector<std::string>{"0", "2"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(8, StandinCallCount("RegSetValueExA")) << "no values written through a key never created";
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, NetworksKeyThatCannotBeCreatedIsReported)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    StandinFailCall("RegCreateKeyExA", 0, ERROR_ACCESS_DENIED, "Networks");
    EXPECT_FALSE(SavePairList(rows, 1));
    EXPECT_FALSE(KeyExists(NETWORKS));
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, FailedValueWriteIsReported)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}, {"3.3.3.3", "4.4.4.4"}};
    StandinFailCall("RegSetValueExA", 1, ERROR_ACCESS_DENIED, "IPdestination");
    EXPECT_FALSE(SavePairList(rows, 2));
    bool found = true;
    GetValue(NETWORKS "\\1", "IPdestination", nullptr, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(std::string("1", 2), GetValue(NETWORKS "\\1", "Enabled")) << "the rest of the row is written";
}

TEST_F(StoreFaultTest, UnremovableOldListIsOverwrittenAndReported)
{
    StorePair("0", "9.9.9.9", "8.8.8.8");
    StorePair("5", "7.7.7.7", "6.6.6.6");
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED, "Networks");
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    BeginStdoutCapture();
    bool saved = SavePairList(rows, 1);
    std::string output = EndStdoutCapture();
    EXPECT_FALSE(saved);
    EXPECT_EQ("Error opening key.\n", output);
    EXPECT_EQ((std::vector<std::string>{"0", "5"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("1.1.1.1", 8), GetValue(NETWORKS "\\0", "IPsource"));
}

TEST_F(StoreFaultTest, RemovalStopsAtTheFirstSubtreeThatFails)
{
    CreateKey(NETWORKS "\\a\\inner");
    CreateKey(NETWORKS "\\b");
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED, "a");
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS);
    BeginStdoutCapture();
    bool removed = RemoveKeyTree(HKEY_LOCAL_MACHINE, path);
    std::string output = EndStdoutCapture();
    EXPECT_FALSE(removed);
    EXPECT_EQ("Error opening key.\n", output);
    EXPECT_STREQ(NETWORKS, path);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, RemovalDoesNotSpinOnASubkeyThatStays)
{
    // A delete that claims success but leaves the key would hand us the same name again.
    CreateKey(NETWORKS "\\stuck");
    StandinFailCall("NtDeleteKey", 0, STATUS_SUCCESS);
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS);
    EXPECT_FALSE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_STREQ(NETWORKS, path);
}

}  // namespace
