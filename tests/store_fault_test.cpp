// Every failure the store can meet, driven through the stand-in's fault injection.
#include "tests/registry_helpers.h"
#include "tests/child_process.h"
#include "tests/output_capture.h"
#include "tests/standin_snapshot.h"

#include <map>
#include <stdio.h>
#include <string.h>

#include "standin.h"
#include "store/store.h"
#include "store/store_names.h"

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
    ExpectFatalSettingsError(RunInChild([] { LoadTable(); }));
}

TEST_F(StoreFaultTest, NetworksKeyWithoutFullAccessIsFatal)
{
    StandinFailAt("RegOpenKeyExA", "Networks", ERROR_ACCESS_DENIED);
    ExpectFatalSettingsError(RunInChild([] { LoadTable(); }));
}

TEST_F(StoreFaultTest, PairKeyThatCannotBeOpenedIsFatal)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StorePair("1", "3.3.3.3", "4.4.4.4");
    StandinFailAt("RegOpenKeyExA", "1", ERROR_ACCESS_DENIED);
    ExpectFatalSettingsError(RunInChild([] { LoadTable(); }));
}

TEST_F(StoreFaultTest, TheLoadAsksForFullAccessToWhatItReads)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    size_t before = StandinKeyOpens().size();
    StoreReading reading;
    LoadPairTable(&reading);
    std::vector<std::pair<std::string, REGSAM>> opens;
    for (size_t i = before; i < StandinKeyOpens().size(); ++i)
        opens.emplace_back(StandinKeyOpens()[i].path, StandinKeyOpens()[i].access);
    // The path is walked a level at a time, reading only; the watch on what was read has a
    // handle of its own, which asks only to be told of changes.
    EXPECT_EQ((std::vector<std::pair<std::string, REGSAM>>{{"Software", KEY_QUERY_VALUE},
                                                          {"Corvane Software", KEY_QUERY_VALUE},
                                                          {"mDNS", KEY_READ},
                                                          {"Networks", KEY_ALL_ACCESS},
                                                          {"", KEY_NOTIFY},
                                                          {"0", KEY_ALL_ACCESS}}),
              opens);
    EXPECT_EQ(1, StandinOpenHandleCount()) << "the watch's own";
    FreeStoreReading(&reading);
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, FailedSubkeyCountGivesEmptyTable)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StandinFailAt("RegQueryInfoKeyA", "", ERROR_ACCESS_DENIED);
    LoadTable();
    EXPECT_EQ(0u, PairTableCount);
    EXPECT_EQ(0, StandinOpenHandleCount());
}

TEST_F(StoreFaultTest, SubkeyThatCannotBeEnumeratedLeavesAnEmptyRecord)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StorePair("1", "3.3.3.3", "4.4.4.4");
    StorePair("2", "5.5.5.5", "6.6.6.6");
    // The enumeration of Networks' second subkey.
    StandinFailCall("RegEnumKeyExW", 1, ERROR_MORE_DATA, "Networks");
    LoadTable();
    ASSERT_EQ(3u, PairTableCount);
    EXPECT_STREQ("1.1.1.1", PairTable[0].sourceAddress);
    EXPECT_STREQ("", PairTable[1].subkeyName);
    EXPECT_STREQ("", PairTable[1].sourceAddress);
    EXPECT_STREQ("", PairTable[1].destinationAddress);
    EXPECT_EQ(0, PairTable[1].direction);
    EXPECT_EQ(0, PairTable[1].enabled);
    EXPECT_STREQ("6.6.6.6", PairTable[2].destinationAddress);
    EXPECT_EQ(0, StandinOpenHandleCount());
    // A reading says the store is not what a save writes: Networks could not be listed.
    StandinFailCall("RegEnumKeyExW", 1, ERROR_MORE_DATA, "Networks");
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    bool unlistable = false;
    for (DWORD i = 0; i < reading.differenceCount; ++i)
        unlistable = unlistable || reading.differences[i].kind == DIFFERS_NETWORKS_UNLISTABLE;
    EXPECT_TRUE(unlistable);
    FreeStoreReading(&reading);
}

TEST_F(StoreFaultTest, FailedValueReadsLeaveEmptyFields)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StandinFailAt("RegEnumValueW", "IPdestination", ERROR_MORE_DATA);
    StandinFailAt("RegEnumValueW", "Enabled", ERROR_ACCESS_DENIED);
    LoadTable();
    ASSERT_EQ(1u, PairTableCount);
    EXPECT_STREQ("1.1.1.1", PairTable[0].sourceAddress);
    EXPECT_STREQ("", PairTable[0].destinationAddress);
    EXPECT_EQ(2, PairTable[0].direction);
    EXPECT_EQ(0, PairTable[0].enabled);
}

TEST_F(StoreFaultTest, ProductKeyWithoutFullAccessGetsTheRowsThenTheFatalError)
{
    // The path is held with the rights the save uses; full access is asked for at the end.
    StandinFailAt("RegOpenKeyExA", "mDNS", ERROR_ACCESS_DENIED, STANDIN_AFTER_SAVING);
    ChildResult child = RunInChild([] {
        atexit([] { printf("values written %zu\n", StandinValueWrites().size()); });
        const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
        SavePairList(rows, 1);
    });
    EXPECT_EQ(255, child.exitStatus);
    EXPECT_EQ(std::string(kFatalLine) + "values written 4\n", child.standardOutput);
    EXPECT_EQ(kFatalBox, child.standardError);
}

// The new list is built beside the old one: a row, a value or the new key that cannot be
// written leaves the old list exactly as it was, and nothing beside it.
TEST_F(StoreFaultTest, ANewListThatCannotBeBuiltLeavesTheOldOneAsItWas)
{
    struct Case {
        const char* call;
        const char* where;
    };
    const Case cases[] = {
        {"RegCreateKeyExA", BUILDING_KEY_NAME "\\1"},
        {"RegCreateKeyExA", BUILDING_KEY_NAME},
        {"RegSetValueExA", BUILDING_KEY_NAME "\\1\\IPdestination"},
        {"RegSetValueExA", BUILDING_KEY_NAME "\\1\\Enabled"},
        // The read-back of the list built.
        {"RegQueryInfoKeyA", BUILDING_KEY_NAME},
    };
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}, {"3.3.3.3", "4.4.4.4"}, {"5.5.5.5", "6.6.6.6"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.call << " " << c.where);
        StandinReset();
        StorePair("0", "9.9.9.9", "8.8.8.8");
        StorePair("7", "7.7.7.7", "6.6.6.6");
        std::string before = StandinDescribeRegistry("Software\\Corvane Software\\mDNS");
        StandinFailAt(c.call, c.where, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(SavePairList(rows, 3));
        EXPECT_FALSE(LastSaveTouchedStore());
        EXPECT_EQ(before, StandinDescribeRegistry("Software\\Corvane Software\\mDNS"));
        EXPECT_EQ(0, StandinOpenHandleCount());
    }
}

// Both names the save builds in taken, and not to be removed, after the reading: the save
// fails, and the old list is as it was.
TEST_F(StoreFaultTest, BothBuildingNamesTakenAfterTheReadingFailTheSave)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    StorePair("0", "9.9.9.9", "8.8.8.8");
    SaveSession session;
    BeginSession(&session, true);
    for (const char* name : {BUILDING_KEY_NAME, BUILDING_KEY_NAME_2}) {
        std::string path = std::string(PRODUCT_KEY_PATH "\\") + name;
        CreateKey(path + "\\x");
        StandinDenyAccess(path.c_str(), DELETE);
    }
    BeginStdoutCapture();
    EXPECT_EQ(SAVE_FAILED, SaveInSession(&session, rows, 1));
    EndStdoutCapture();
    EndSession(&session);
    EXPECT_EQ((std::vector<std::string>{"9.9.9.9"}), std::vector<std::string>{GetValue(NETWORKS "\\0", "IPsource").c_str()});
    EXPECT_EQ(0, StandinOpenHandleCount());
}

// What keeps an old list from being removed, and what the save then does and says.
struct Hindrance {
    const char* name;
    std::function<void()> hinder;
    bool saved;
    const char* leftAside;  // or nullptr
    const char* diagnostics;
};
const Hindrance kHindrances[] = {
    {"a pair key refusing DELETE", [] { StandinDenyAccess(NETWORKS "\\5", DELETE); }, true, "Networks (replaced)",
     "Error opening key.\n"},
    {"a key nested too deep",
     [] {
         HKEY pair, deep, deeper;
         ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\5", 0, KEY_ALL_ACCESS, &pair));
         ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(pair, std::string(250, 'a').c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                                                  NULL, &deep, NULL));
         ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(deep, std::string(250, 'b').c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                                                  NULL, &deeper, NULL));
         RegCloseKey(deeper);
         RegCloseKey(deep);
         RegCloseKey(pair);
     },
     true, "Networks (replaced)", ""},
    {"Networks refusing DELETE", [] { StandinDenyAccess(NETWORKS, DELETE); }, false, nullptr,
     "Error opening key.\n"},
    {"Networks refusing writes", [] { StandinDenyAccess(NETWORKS, KEY_SET_VALUE); }, false, nullptr,
     "Error opening key.\n"},
};

// Networks is replaced whole: an old tree that cannot be removed after the swap (a pair key
// refusing DELETE, a key nested deeper than a path can name) stays aside, is said, and is
// tried again by the next save. A Networks this account may not rename is not replaced at all.
TEST_F(StoreFaultTest, AnOldListThatCannotBeRemovedIsLeftAsideAndSaid)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    for (const Hindrance& c : kHindrances) {
        SCOPED_TRACE(c.name);
        StandinReset();
        StorePair("0", "9.9.9.9", "8.8.8.8");
        StorePair("5", "7.7.7.7", "6.6.6.6");
        c.hinder();
        std::string before = StandinDescribeRegistry("Software\\Corvane Software\\mDNS");
        BeginStdoutCapture();
        bool saved = SavePairList(rows, 1);
        std::string output = EndStdoutCapture();
        EXPECT_EQ(c.saved, saved);
        EXPECT_EQ(c.diagnostics, output);
        EXPECT_EQ(c.saved, LastSaveTouchedStore());
        EXPECT_STREQ(c.leftAside, LastSaveLeftAside());
        EXPECT_FALSE(KeyExists(PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME));
        if (!c.saved) {
            EXPECT_EQ(before, StandinDescribeRegistry("Software\\Corvane Software\\mDNS")) << "nothing written";
            continue;
        }
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
        EXPECT_EQ((std::vector<std::string>{"5"}), SubkeyNames(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME));
        // The next save finds the leftover still there, says so, and puts its own old list
        // under the next name; once it can go, it goes.
        EXPECT_TRUE(SavePairList(rows, 1));
        EXPECT_STREQ(c.leftAside, LastSaveLeftAside());
        EXPECT_EQ((std::vector<std::string>{"Networks", "Networks (replaced)"}), SubkeyNames(PRODUCT_KEY_PATH));
    }
}

// Once the old list an earlier save left aside can go, the next save removes it.
TEST_F(StoreFaultTest, AnOldListLeftAsideGoesOnceItCan)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    StorePair("0", "9.9.9.9", "8.8.8.8");
    CreateKey(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\5");
    EXPECT_TRUE(SavePairList(rows, 1));
    EXPECT_STREQ(nullptr, LastSaveLeftAside());
    EXPECT_EQ((std::vector<std::string>{"Networks"}), SubkeyNames(PRODUCT_KEY_PATH));
}

// Apply leaves the old list aside, whole, for whoever still reads it; when the sheet closes
// RetireOldLists removes it after its readers' grace, or says what stays of it. A save
// meanwhile removes the one kept first.
TEST_F(StoreFaultTest, AnOldListKeptForItsReadersGoesWhenRetiredOrAtTheNextSave)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    const std::string aside = PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME;
    StorePair("0", "9.9.9.9", "8.8.8.8");
    StorePair("5", "7.7.7.7", "6.6.6.6");
    SaveSession session;
    BeginSession(&session, true);
    DWORD started = GetTickCount();
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, nullptr, true));
    EXPECT_EQ(started, GetTickCount()) << "the save did not wait";
    EXPECT_EQ(std::string("7.7.7.7", 8), GetValue(aside + "\\5", "IPsource"));
    EXPECT_EQ((std::vector<std::string>{"0", "5"}), SubkeyNames(aside));
    EXPECT_TRUE(RetireSession(&session));
    EXPECT_GE(GetTickCount() - started, (DWORD)READER_GRACE_MIN_MS);
    EXPECT_EQ(0, StandinHeldMutexCount() + StandinOpenMutexHandleCount()) << "the lock given back and closed";
    EXPECT_EQ((std::vector<std::string>{"Networks"}), SubkeyNames(PRODUCT_KEY_PATH));
    size_t lockWaits = StandinMutexWaits().size();
    EXPECT_TRUE(RetireSession(&session)) << "nothing more to retire";
    EXPECT_EQ(lockWaits, StandinMutexWaits().size()) << "nor a lock to take for it";
    // Another program's save removed the one kept meanwhile: it is gone all the same.
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, nullptr, true));
    DeleteKey(aside + "\\0");
    DeleteKey(aside);
    EXPECT_TRUE(RetireSession(&session));
    EXPECT_STREQ("", session.retiredAside);

    // A save within the grace leaves the one kept first, marked, and puts its own old list
    // under the next name; the first save after the grace removes both.
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, nullptr, true));
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, nullptr, true));
    EXPECT_EQ((std::vector<std::string>{"Networks", "Networks (replaced 2)", REPLACED_KEY_NAME}),
              SubkeyNames(PRODUCT_KEY_PATH));
    Sleep(READER_GRACE_MIN_MS);
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, nullptr, true));
    EXPECT_EQ((std::vector<std::string>{"Networks", REPLACED_KEY_NAME}), SubkeyNames(PRODUCT_KEY_PATH));
    StandinDenyAccess((aside + "\\0").c_str(), DELETE);
    EXPECT_FALSE(RetireSession(&session));
    EXPECT_STREQ(REPLACED_KEY_NAME, session.retiredAside);
    EXPECT_TRUE(StoreHoldsExactly(rows, 1));
    EndSession(&session);
}

// An old list aside whose DACL keeps its values but lets it be deleted is removed all the
// same; a reading that fails leaves no handle open.
TEST_F(StoreFaultTest, AnOldListThatKeepsItsValuesIsStillRemoved)
{
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    StorePair("0", "9.9.9.9", "8.8.8.8");
    CreateKey(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\5");
    StandinDenyAccess(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME, KEY_SET_VALUE);
    EXPECT_TRUE(SavePairList(rows, 1));
    EXPECT_STREQ(nullptr, LastSaveLeftAside());
    EXPECT_EQ((std::vector<std::string>{"Networks"}), SubkeyNames(PRODUCT_KEY_PATH));
    DeleteKey(NETWORKS "\\0");
    DeleteKey(NETWORKS);
    StoreReading reading;
    EXPECT_FALSE(ReadStore(READ_TO_CHANGE, &reading));
    EXPECT_EQ(0, StandinOpenHandleCount());
    FreeStoreReading(&reading);
}

// When the keys beside Networks cannot be listed, the save looks for each of its own names
// itself: one that is not there is no leftover, and nothing is said of it.
TEST_F(StoreFaultTest, KeysBesideNetworksThatCannotBeListedAreLookedForByName)
{
    StorePair("0", "9.9.9.9", "8.8.8.8");
    const PairRowText rows[] = {{"1.1.1.1", "2.2.2.2"}};
    StandinFailAt("RegEnumKeyExW", "mDNS", ERROR_ACCESS_DENIED);
    BeginStdoutCapture();
    EXPECT_TRUE(SavePairList(rows, 1));
    EXPECT_EQ("", EndStdoutCapture());
    EXPECT_EQ(nullptr, LastSaveLeftAside());
    EXPECT_TRUE(StoreHoldsExactly(rows, 1));
}

TEST_F(StoreFaultTest, RemovalStopsAtTheFirstSubtreeThatFails)
{
    CreateKey(NETWORKS "\\a\\inner");
    CreateKey(NETWORKS "\\b");
    StandinFailAt("RegOpenKeyExA", "a", ERROR_ACCESS_DENIED);
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
    StandinFailAt("NtDeleteKey", "Networks\\stuck", STATUS_SUCCESS);
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS);
    EXPECT_FALSE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_STREQ(NETWORKS, path);
    // The same after a longer name went first: the names compare whole.
    DeleteKey(NETWORKS "\\stuck");
    CreateKey(NETWORKS "\\aa");
    CreateKey(NETWORKS "\\b");
    StandinFailAt("NtDeleteKey", "Networks\\b", STATUS_SUCCESS);
    EXPECT_FALSE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_EQ((std::vector<std::string>{"b"}), SubkeyNames(NETWORKS));
}

}  // namespace

namespace {

// Every registry call the load and the save make, each failed in turn with each of these.
const char* const kRegistryCalls[] = {"RegOpenKeyExA",   "RegCreateKeyA",    "RegCreateKeyExA", "RegCloseKey",
                                      "RegDeleteKeyA",   "NtDeleteKey",      "RegQueryInfoKeyA",
                                      "RegEnumKeyExA",   "RegQueryValueExA", "RegSetValueExA",
                                      "RegEnumValueA",   "RegDeleteValueA",  "RegRenameKey",
                                      "RegNotifyChangeKeyValue"};
const LONG kStatuses[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS};

#define PRODUCT "Software\\Corvane Software\\mDNS"

// Pairs, a nested tree, and a link in the place of the third row that names a key outside
// the store; beside the store, values that nothing may change.
void BuildHostileStore(void)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    StorePair("1", "3.3.3.3", "4.4.4.4");
    StorePair("office", "5.5.5.5", "6.6.6.6");
    CreateKey(NETWORKS "\\office\\nested\\deeper");
    SetValue(OUTSIDE, "Keep", REG_SZ, "me");
    SetValue(OUTSIDE "\\child", "IPsource", REG_SZ, "9.9.9.9");
    SetValue(PRODUCT, "InstallPath", REG_SZ, "C:\\Corvane");
    CreateLink(NETWORKS "\\2", OUTSIDE);
}

std::map<std::string, int> CallCounts(void)
{
    std::map<std::string, int> counts;
    for (const char* call : kRegistryCalls) counts[call] = StandinCallCount(call);
    return counts;
}

// Runs `operation` over the hostile store once without faults, and returns how often it
// made each registry call.
std::map<std::string, int> CallsMadeBy(const std::function<void()>& operation)
{
    StandinReset();
    BuildHostileStore();
    std::map<std::string, int> before = CallCounts(), made;
    operation();
    for (const auto& entry : CallCounts()) made[entry.first] = entry.second - before[entry.first];
    return made;
}

// Fails every call of `operation` in turn, in a child process each time, and hands what
// the child printed to `check`. A fatal settings error must be the exact one.
void SweepFaults(const std::function<void()>& operation,
                 const std::function<void(const std::string& failedCall, const std::string& output)>& check)
{
    int cases = 0;
    for (const auto& entry : CallsMadeBy(operation)) {
        for (int index = 0; index < entry.second; ++index) {
            for (LONG status : kStatuses) {
                SCOPED_TRACE(testing::Message() << entry.first << " call " << index << " fails with " << status);
                ChildResult child = RunInChild([&] {
                    StandinReset();
                    BuildHostileStore();
                    StandinFailCall(entry.first.c_str(), index, status);
                    operation();
                });
                ++cases;
                if (child.exitStatus == 255) {
                    ASSERT_GE(child.standardOutput.size(), strlen(kFatalLine));
                    EXPECT_EQ(kFatalLine, child.standardOutput.substr(child.standardOutput.size() - strlen(kFatalLine)));
                    EXPECT_EQ(kFatalBox, child.standardError);
                    continue;
                }
                ASSERT_EQ(0, child.exitStatus) << child.standardError;
                check(entry.first, child.standardOutput);
            }
        }
    }
    EXPECT_GT(cases, 100);
}

TEST(FaultSweepTest, EveryFailedCallOfTheLoadEndsFatallyOrGivesATable)
{
    SweepFaults(
        [] {
            LoadTable();
            // Every record holds terminated texts, whatever failed on the way.
            bool terminated = true;
            for (DWORD i = 0; i < PairTableCount; ++i)
                terminated = terminated && memchr(PairTable[i].subkeyName, 0, SUBKEY_NAME_SIZE) &&
                             memchr(PairTable[i].sourceAddress, 0, ADDRESS_TEXT_SIZE) &&
                             memchr(PairTable[i].destinationAddress, 0, ADDRESS_TEXT_SIZE);
            printf("table of %u, terminated %d, outside %s\n", (unsigned)PairTableCount, terminated,
                   OutsideTheStore().c_str());
        },
        [](const std::string&, const std::string& output) {
            StandinReset();
            BuildHostileStore();
            std::string expectedTail = ", terminated 1, outside " + OutsideTheStore() + "\n";
            EXPECT_TRUE(output == "table of 0" + expectedTail || output == "table of 4" + expectedTail) << output;
        });
}

TEST(FaultSweepTest, EveryFailedCallOfTheSaveReportsFailureOrLeavesExactlyTheList)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}, {"1.2.3.4", "5.6.7.8"}};
    StandinReset();
    BuildHostileStore();
    std::string outsideBefore = OutsideTheStore();
    size_t writesBefore = StandinValueWrites().size();
    ASSERT_TRUE(SavePairList(rows, 3));
    std::string exactList = StandinDescribeRegistry(NETWORKS);
    ASSERT_EQ(outsideBefore, OutsideTheStore());
    // Each text is counted without its NUL: the stored data alone cannot show that.
    const std::vector<StandinValueWrite>& writes = StandinValueWrites();
    // Then the mark on the old list held for its readers, beside Networks.
    ASSERT_EQ(writesBefore + 13, writes.size());
    for (size_t i = 0; i < 12; ++i) {
        const PairRowText& row = rows[i / 4];
        const char* texts[] = {row.source, row.destination, "2", "1"};
        EXPECT_EQ((DWORD)REG_SZ, writes[writesBefore + i].type);
        EXPECT_EQ(strlen(texts[i % 4]), writes[writesBefore + i].byteCount) << writes[writesBefore + i].valueName;
    }
    EXPECT_EQ(HOLD_MARK_VALUE_NAME, writes[writesBefore + 12].valueName);
    EXPECT_EQ((DWORD)REG_BINARY, writes[writesBefore + 12].type);
    EXPECT_EQ(24u, writes[writesBefore + 12].byteCount);

    SweepFaults(
        [&] {
            std::string old = StandinDescribeRegistry(NETWORKS);
            bool saved = SavePairList(rows, 3);
            bool exact = StandinDescribeRegistry(NETWORKS) == exactList;
            // Beside Networks only an old list the save said it left (or could not look at).
            const char* aside = LastSaveLeftAside();
            std::vector<std::string> beside = SubkeyNames(PRODUCT_KEY_PATH);
            bool onlySaid = true;
            for (const std::string& name : beside) onlySaid = onlySaid && (name == "Networks" || (aside && name == aside));
            printf("\nsaved %d, exact %d, untouched %d, touched %d, beside %d, outside unchanged %d\n", saved, exact,
                   StandinDescribeRegistry(NETWORKS) == old, LastSaveTouchedStore(),
                   onlySaid, OutsideTheStore() == outsideBefore);
        },
        [](const std::string&, const std::string& output) {
            // The removal's diagnostics come first. A save either holds the list exactly or
            // leaves the old one as it was: never part of either.
            std::string verdict = output.substr(output.rfind("\nsaved") + 1);
            EXPECT_TRUE(verdict == "saved 1, exact 1, untouched 0, touched 1, beside 1, outside unchanged 1\n" ||
                        verdict == "saved 0, exact 0, untouched 1, touched 0, beside 1, outside unchanged 1\n")
                << output;
        });
}

// Another process acting between two of the save's registry calls, at every call: it
// replaces a level of the path with a link to a copy of the store outside it, or it writes
// without taking our lock. Nothing outside the store may change, a save that says it
// succeeded must leave exactly the list, and never hide the other writer's change.
#define ELSEWHERE "Software\\Elsewhere"

// The copy holds the same pairs, so that only the path, not the compare, can tell them apart.
void BuildStoreAndCopy(void)
{
    const char* texts[][2] = {{"1.1.1.1", "2.2.2.2"}, {"3.3.3.3", "4.4.4.4"}};
    for (int pair = 0; pair < 2; ++pair) {
        StorePair(std::to_string(pair), texts[pair][0], texts[pair][1]);
        std::string path = ELSEWHERE "\\Company\\mDNS\\Networks\\" + std::to_string(pair);
        SetValue(path, "IPsource", REG_SZ, texts[pair][0]);
        SetValue(path, "IPdestination", REG_SZ, texts[pair][1]);
        SetValue(path, "Direction", REG_SZ, "2");
        SetValue(path, "Enabled", REG_SZ, "1");
    }
}

// Removes the key at `path` with all below it, without following links, then puts a link to
// `target` in its place: what a racer with rights on the parent can do.
void PlantLink(const std::string& path, const std::string& target)
{
    HKEY parent;
    size_t split = path.rfind('\\');
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, split).c_str(), 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
        char tree[KEY_TREE_PATH_SIZE];
        BoundedCopy(tree, path.substr(split + 1).c_str());
        RemoveKeyTreeNoting(parent, tree, NULL);
        RegCloseKey(parent);
    }
    CreateLink(path, target);
}

// What another process does in the middle of a save, and, for a writer, whether its change
// is in the store.
struct Interference {
    const char* name;
    void (*act)(void);
    bool (*changeKept)(void);
};

const Interference kInterferences[] = {
    {"a link at Corvane Software", [] { PlantLink("Software\\Corvane Software", ELSEWHERE "\\Company"); }, nullptr},
    {"a link at mDNS", [] { PlantLink(PRODUCT, ELSEWHERE "\\Company\\mDNS"); }, nullptr},
    {"a link at Networks", [] { PlantLink(NETWORKS, ELSEWHERE "\\Company\\mDNS\\Networks"); }, nullptr},
    {"a link at a row key", [] { PlantLink(NETWORKS "\\0", ELSEWHERE "\\Company\\mDNS\\Networks\\0"); }, nullptr},
    {"a writer adding a key", [] { StorePair("extra", "7.7.7.7", "8.8.8.8"); },
     [] { return KeyExists(NETWORKS "\\extra"); }},
    {"a writer changing row 0", [] { SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "9.9.9.9"); },
     [] { return GetValue(NETWORKS "\\0", "IPsource") == std::string("9.9.9.9", 8); }},
    {"a writer disabling row 1", [] { SetValue(NETWORKS "\\1", "Enabled", REG_SZ, "0"); },
     [] { return GetValue(NETWORKS "\\1", "Enabled") == std::string("0", 2); }},
    {"a writer setting a value on Networks", [] { SetValue(NETWORKS, "Note", REG_SZ, "mine"); },
     [] { return GetValue(NETWORKS, "Note") == std::string("mine", 5); }},
    {"a writer recreating row 1",
     [] {
         RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\1");
         StorePair("1", "3.3.3.3", "4.4.4.4");
     },
     [] { return GetValue(NETWORKS "\\1", "IPsource") == std::string("3.3.3.3", 8); }},
    {"a writer deleting Networks",
     [] {
         char tree[KEY_TREE_PATH_SIZE];
         BoundedCopy(tree, NETWORKS);
         RemoveKeyTreeNoting(HKEY_LOCAL_MACHINE, tree, NULL);
     },
     [] { return !KeyExists(NETWORKS); }},
    {"a writer deleting the last pair", [] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\1"); },
     [] { return !KeyExists(NETWORKS "\\1"); }},
    {"a key made in the list being built",
     [] {
         if (KeyExists(PRODUCT "\\" BUILDING_KEY_NAME)) CreateKey(PRODUCT "\\" BUILDING_KEY_NAME "\\1");
     },
     nullptr},
};

const PairRowText kInterleavedRows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}};

// In a child: the save of two rows with `interference` run before registry call `call`,
// printed as one line of what it left.
void SaveWithInterference(const Interference& interference, int call, unsigned tick)
{
    const PairRowText* rows = kInterleavedRows;
    StandinReset();
    StandinSetClockTick(tick);
    BuildStoreAndCopy();
    std::string elsewhere = StandinDescribeRegistry(ELSEWHERE);
    SaveSession session;
    BeginSession(&session, true);
    std::string storeAfterAction;
    bool storeChanged = false;
    StandinBeforeCall(call, [&] {
        std::string storeBefore = StandinDescribeRegistry(NETWORKS);
        interference.act();
        storeChanged = StandinDescribeRegistry(NETWORKS) != storeBefore;
        storeAfterAction = StandinDescribeRegistry(NETWORKS) + "-";
    });
    SaveOutcome outcome = SaveInSession(&session, rows, 2);
    EndSession(&session);
    StandinDropFaults();  // a racer that did not get its turn during the save gets none
    bool acted = !storeAfterAction.empty();
    bool exact = StoreHoldsExactly(rows, 2);
    bool kept = !storeChanged || !interference.changeKept || interference.changeKept();
    printf("outcome %d, elsewhere unchanged %d, exact %d, acted %d, kept %d, locks held %d, "
           "handles open %d, %s\n",
           (int)outcome, StandinDescribeRegistry(ELSEWHERE) == elsewhere, exact, acted, kept,
           StandinHeldMutexCount(), StandinOpenHandleCount(), acted ? StandinActionCall() : "-");
}

// The child's line: nothing outside the store changed, no lock or handle held, an untouched
// save exact, another writer's change never answered "failed". The call a kept change was
// lost at goes to `lost`.
void ExpectInterferenceHarmless(const Interference& interference, const std::string& output,
                                std::vector<std::string>* lost)
{
    int outcome = -1, elsewhereUnchanged = 0, exact = 0, acted = 0, kept = 0, locksHeld = -1, handles = -1;
    char lastCallText[64] = "";
    ASSERT_EQ(8, sscanf(output.c_str(),
                        "outcome %d, elsewhere unchanged %d, exact %d, acted %d, kept %d, locks held %d, "
                        "handles open %d, %63s",
                        &outcome, &elsewhereUnchanged, &exact, &acted, &kept, &locksHeld, &handles,
                        lastCallText))
        << output;
    EXPECT_EQ(1, elsewhereUnchanged);
    EXPECT_EQ(0, locksHeld);
    EXPECT_EQ(0, handles) << "every key the save opened is closed";
    if (outcome == SAVE_DONE && !acted) {
        EXPECT_EQ(1, exact);
    }
    // Another writer's change is never answered "failed".
    if (kept == 0 || outcome == SAVE_FAILED) {
        EXPECT_TRUE(outcome != SAVE_FAILED || interference.changeKept == nullptr) << "outcome " << outcome;
    }
    if (outcome == SAVE_DONE && !kept) lost->push_back(lastCallText);
}

TEST(InterleavingSweepTest, NothingAnotherProcessDoesMidSaveReachesOutsideTheStore)
{
    StandinReset();
    BuildStoreAndCopy();
    // No grace: the old list's mark is no row being written.
    SaveRequest noGrace = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveSession counting;
    BeginSession(&counting, true);
    int before = StandinRegistryCallCount();
    ASSERT_EQ(SAVE_DONE, SaveInSession(&counting, kInterleavedRows, 2, &noGrace));
    int calls = StandinRegistryCallCount() - before;
    EndSession(&counting);
    ASSERT_GT(calls, 20);
    int cases = 0;
    // Every write its own time, as under Wine, and a clock that moves once per 1,024 writes,
    // as Windows' moves once per tick: there a change leaves the times as they were.
    for (unsigned tick : {1u, 1024u}) {
        for (const Interference& interference : kInterferences) {
            std::vector<std::string> lost;
            for (int call = 0; call <= calls; ++call) {
                SCOPED_TRACE(testing::Message() << interference.name << " before call " << call << ", tick " << tick);
                ChildResult child = RunInChild([&] { SaveWithInterference(interference, call, tick); });
                ++cases;
                ASSERT_EQ(0, child.exitStatus) << child.standardOutput << child.standardError;
                ExpectInterferenceHarmless(interference, child.standardOutput, &lost);
            }
            // One window remains, one call wide: a write between the last look at the old
            // list and the rename that puts it aside.
            SCOPED_TRACE(testing::Message() << interference.name << ", tick " << tick);
            EXPECT_LE(lost.size(), 1u);
            for (const std::string& call : lost) EXPECT_EQ("RegRenameKey", call);
        }
    }
    EXPECT_GT(cases, 100);
}

// A value another writer puts on the new Networks key while the save writes its rows is
// never taken for the save's own: the save says the store changed.
TEST(InterleavingSweepTest, AValueOnTheNewNetworksKeyIsAnotherWritersChange)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}};
    StandinReset();
    BuildStoreAndCopy();
    // No grace: the old list's mark is no row being written.
    SaveRequest noGrace = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveSession counting;
    BeginSession(&counting, true);
    int before = StandinRegistryCallCount();
    ASSERT_EQ(SAVE_DONE, SaveInSession(&counting, rows, 2, &noGrace));
    int calls = StandinRegistryCallCount() - before, duringRows = 0;
    EndSession(&counting);
    for (int call = 0; call < calls; ++call) {
        ChildResult child = RunInChild([&] {
            StandinReset();
            BuildStoreAndCopy();
            SaveSession session;
            BeginSession(&session, true);
            StandinBeforeCall(call, [] { SetValue(NETWORKS, "Stray", REG_SZ, "1"); });
            SaveOutcome outcome = SaveInSession(&session, rows, 2, &noGrace);
            bool found = false;
            GetValue(NETWORKS, "Stray", nullptr, &found);
            printf("%d %d %s\n", (int)outcome, found, StandinActionCall() ? StandinActionCall() : "-");
        });
        int outcome = -1, found = 0;
        char actionCall[64] = "";
        ASSERT_EQ(3, sscanf(child.standardOutput.c_str(), "%d %d %63s", &outcome, &found, actionCall)) << child.standardOutput;
        if (!found || std::string(actionCall) != "RegSetValueExA") continue;
        ++duringRows;
        EXPECT_EQ(SAVE_STORE_CHANGED, outcome) << "before call " << call;
    }
    EXPECT_GT(duringRows, 4) << "the writer met the rows being written";
}

// The pairs' sources as a reader sees them through `key`, or "broken" when a read fails.
std::string ReadSources(HKEY key)
{
    std::string sources;
    for (DWORD index = 0;; ++index) {
        char name[256], source[64];
        DWORD length = sizeof name, bytes = sizeof source;
        LONG status = RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS) return sources;
        HKEY pair;
        if (status != ERROR_SUCCESS || RegOpenKeyExA(key, name, 0, KEY_READ, &pair) != ERROR_SUCCESS) return "broken";
        status = RegQueryValueExA(pair, "IPsource", NULL, NULL, (BYTE*)source, &bytes);
        RegCloseKey(pair);
        if (status != ERROR_SUCCESS) return "broken";
        sources += std::string(name) + "=" + std::string(source, strnlen(source, bytes)) + " ";
    }
}

// A reader that opens Networks before any call of the save (the repeater service starting)
// reads the old list or the new one whole, and keeps reading the one it opened for the
// readers' grace: the old list is removed only after it. Then nothing stays aside.
TEST(InterleavingSweepTest, AReaderAtAnyCallOfTheSaveReadsAWholeList)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}, {"10.0.0.7", "10.0.0.5"}};
    StandinReset();
    BuildStoreAndCopy();
    SaveSession session;
    BeginSession(&session, true);
    struct Reader {
        HKEY key;
        DWORD opened;
        std::string saw;
    };
    std::vector<Reader> readers;
    int rereads = 0, missing = 0;
    std::function<void()> everyCall = [&] {
        for (const Reader& reader : readers) {
            if (GetTickCount() - reader.opened >= READER_GRACE_MIN_MS) continue;
            ++rereads;
            EXPECT_EQ(reader.saw, ReadSources(reader.key)) << "a reader from call " << &reader - &readers[0];
        }
        Reader reader = {NULL, GetTickCount(), ""};
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_READ, &reader.key) != ERROR_SUCCESS) ++missing;
        else reader.saw = ReadSources(reader.key), readers.push_back(reader);
        StandinBeforeCall(0, everyCall);
    };
    StandinBeforeCall(0, everyCall);
    ASSERT_EQ(SAVE_DONE, SaveInSession(&session, rows, 3));
    StandinDropFaults();
    const std::string oldList = "0=1.1.1.1 1=3.3.3.3 ", newList = "0=192.168.1.10 1=10.0.0.6 2=10.0.0.7 ";
    int sawOld = 0, sawNew = 0;
    for (const Reader& reader : readers) {
        sawOld += reader.saw == oldList;
        sawNew += reader.saw == newList;
        RegCloseKey(reader.key);
    }
    EXPECT_EQ((int)readers.size(), sawOld + sawNew);
    EXPECT_GT(sawOld, 20);
    EXPECT_GT(sawNew, 0);
    EXPECT_LE(missing, 1) << "Networks is missing only between the two renames";
    EXPECT_GT(rereads, 100);
    EXPECT_EQ(nullptr, LeftAside(session));
    EndSession(&session);
    EXPECT_FALSE(KeyExists(PRODUCT "\\" REPLACED_KEY_NAME));
}

// A read that fails at any call of the load or of the compared save: the save never goes on
// over a store it could not compare, and never answers success over a store it did not
// leave exact.
TEST(InterleavingSweepTest, AFailedReadNeverLetsTheSaveGoOnUnasked)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}};
    StandinReset();
    BuildStoreAndCopy();
    int before = StandinRegistryCallCount();
    SaveSession counting;
    BeginSession(&counting, true);
    ASSERT_EQ(SAVE_DONE, SaveInSession(&counting, rows, 2));
    int calls = StandinRegistryCallCount() - before;
    EndSession(&counting);
    for (int call = 0; call < calls; ++call) {
        SCOPED_TRACE(testing::Message() << "call " << call << " fails");
        ChildResult child = RunInChild([&] {
            StandinReset();
            BuildStoreAndCopy();
            std::string store = StandinDescribeRegistry(NETWORKS);
            StandinFailRegistryCall(call, ERROR_ACCESS_DENIED);
            SaveSession session;
            BeginSession(&session, true);
            bool loadKnown = PairTableCount == 2 && PairTable[0].subkeyName[0] != 0 && PairTable[1].subkeyName[0] != 0;
            SaveOutcome outcome = SaveInSession(&session, rows, 2);
            printf("outcome %d, load known %d, exact %d, untouched %d, locks held %d\n", (int)outcome, loadKnown,
                   StoreHoldsExactly(rows, 2), StandinDescribeRegistry(NETWORKS) == store, StandinHeldMutexCount());
        });
        if (child.exitStatus == 255) continue;  // the load's or the save's fatal error, checked above
        int outcome = -1, loadKnown = 0, exact = 0, untouched = 0, locksHeld = -1;
        ASSERT_EQ(5, sscanf(child.standardOutput.c_str(), "outcome %d, load known %d, exact %d, untouched %d, locks held %d",
                            &outcome, &loadKnown, &exact, &untouched, &locksHeld))
            << child.standardOutput << child.standardError;
        EXPECT_EQ(0, locksHeld);
        if (outcome == SAVE_DONE) {
            EXPECT_EQ(1, exact);
        }
        if (!loadKnown) {
            EXPECT_EQ(SAVE_UNCHECKED, outcome) << "a store read in part is not known, nor empty";
            EXPECT_EQ(1, untouched);
        }
        // "Could not tell" promises that nothing was done: a save that removed keys failed.
        if (outcome == SAVE_UNCHECKED) {
            EXPECT_EQ(1, untouched);
        }
    }
}

// Without the change notification (it could not be armed), the times alone still tell
// another writer's change, the first pair key's included.
TEST_F(StoreFaultTest, WithoutTheNotificationTheTimesStillTell)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    const std::function<void()> writers[] = {[] { SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "0"); },
                                             [] { SetValue(NETWORKS, "Note", REG_SZ, "mine"); }, [] {}};
    for (const auto& writer : writers) {
        StandinReset();
        StorePair("0", "1.1.1.1", "2.2.2.2");
        StorePair("1", "3.3.3.3", "4.4.4.4");
        StandinFailAt("RegNotifyChangeKeyValue", "", ERROR_ACCESS_DENIED);
        SaveSession session;
        BeginSession(&session, true);
        std::string before = StandinDescribeRegistry(NETWORKS);
        writer();
        bool wrote = StandinDescribeRegistry(NETWORKS) != before;
        EXPECT_EQ(wrote ? SAVE_STORE_CHANGED : SAVE_DONE, SaveInSession(&session, rows, 1));
        EndSession(&session);
    }
}

// The lock our two programs save under: waited for without a wait when free, for the whole
// wait when held, given back after every save, and said when it cannot be had. Without it
// the save still goes on, guarded by its compare.
TEST_F(StoreFaultTest, TheLockIsWaitedForGivenBackAndItsTroublesSaid)
{
    struct Case {
        const char* name;
        bool nameTaken;
        std::vector<DWORD> answers;
        std::vector<DWORD> waits;
        std::vector<int> notes;
    };
    const Case cases[] = {
        {"free", false, {}, {0}, {}},
        {"held, then given", false, {WAIT_TIMEOUT, WAIT_OBJECT_0}, {0, 30000}, {SAVE_LOCK_WAITING}},
        {"abandoned", false, {WAIT_ABANDONED}, {0}, {}},
        {"held all along", false, {WAIT_TIMEOUT, WAIT_TIMEOUT}, {0, 30000}, {SAVE_LOCK_WAITING, SAVE_LOCK_TIMED_OUT}},
        {"the name is another object's", true, {}, {}, {SAVE_LOCK_NAME_TAKEN}},
        {"the wait fails", false, {WAIT_FAILED}, {0}, {SAVE_LOCK_UNAVAILABLE}},
    };
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandinReset();
        ClearCorvaneKey();
        CreateKey(NETWORKS);
        SaveSession session;
        BeginSession(&session, true);
        StandinScriptMutex(c.nameTaken, c.answers);
        std::vector<int> notes;
        SaveRequest request = {NULL, NULL, NULL,
                               [](SaveLockNote note, void* context) { ((std::vector<int>*)context)->push_back(note); },
                               &notes, kTestReaderGrace, NULL};
        EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1, &request, true));
        EXPECT_EQ(c.waits, StandinMutexWaits());
        EXPECT_EQ(c.notes, notes);
        EndSession(&session);
        EXPECT_EQ(0, StandinHeldMutexCount());
        EXPECT_EQ(0, StandinOpenMutexHandleCount());
    }
}

}  // namespace
