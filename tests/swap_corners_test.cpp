// The swap at its corners, over the real registry and the stand-in alike: a Networks link to
// the save's own names or to a key above it, an old list another program's save finds in its
// readers' grace, a writer in a list held aside, and a store left between the two renames.
#include "tests/registry_helpers.h"

#include <string.h>

#include "store/store.h"
#include "store/store_names.h"

#ifdef _WIN32
#include <sddl.h>
#endif

namespace {

class SwapCornersTest : public StoreTest {};

const char* const kProduct = PRODUCT_KEY_PATH;
const std::string kReplaced = PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME;
const std::string kBuilding = PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME;

void WritePair(const std::string& path, const char* source, const char* destination)
{
    SetValue(path, VALUE_SOURCE, REG_SZ, source);
    SetValue(path, VALUE_DESTINATION, REG_SZ, destination);
    SetValue(path, VALUE_DIRECTION, REG_SZ, DIRECTION_WRITTEN);
    SetValue(path, VALUE_ENABLED, REG_SZ, ENABLED_WRITTEN);
}

// A save of `rows` over what a reading found, its old list given `grace` and left held.
SaveResult SaveOverReading(const PairRowText* rows, int rowCount, DWORD grace)
{
    StoreReading reading;
    EXPECT_TRUE(ReadStore(READ_TO_CHANGE, &reading));
    SaveRequest request = {&reading.stamps, &reading.path, NULL, NULL, NULL, grace, &reading.security};
    SaveResult result = SavePairListOver(rows, rowCount, &request);
    FreeStoreReading(&reading);
    return result;
}

// Lets go of a held list without removing it, as a program that ends within its grace does.
void LeaveHeld(SaveResult* result)
{
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    EXPECT_TRUE(RetireOldList(&result->held, 0, left, changed, NULL));
    FreeSaveResult(result);
}

// A key's DACL as text: SDDL on Windows, the stand-in's own text natively; "" when it cannot
// be read.
std::string SecurityOf(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, READ_CONTROL, &key) != ERROR_SUCCESS)
        return "";
    BYTE descriptor[4096];
    DWORD size = sizeof descriptor;
    LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "";
#ifdef _WIN32
    char* text = NULL;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &text, NULL))
        return "";
    std::string sddl = text;
    LocalFree(text);
    return sddl;
#else
    return (const char*)descriptor;
#endif
}

void SetSecurity(const std::string& path, const char* sddl)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key));
#ifdef _WIN32
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
#else
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, (PSECURITY_DESCRIPTOR)sddl));
#endif
    RegCloseKey(key);
}

// Networks as a link: replaced as a link, whatever it names. The key it names is never
// removed, built over or watched through, even when it has one of the save's own names or
// holds the save's own keys.
TEST_F(SwapCornersTest, ANetworksLinkIsReplacedAsALinkWhateverItNames)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    const struct {
        const char* target;
        bool holdsPairs;
    } cases[] = {
        {PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME, true},
        {PRODUCT_KEY_PATH "\\Networks (replaced 2)", true},
        {PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME, true},
        {PRODUCT_KEY_PATH, false},
        {"Software\\Corvane Software", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        ClearCorvaneKey();
        CreateKey(kProduct);
        if (c.holdsPairs) {
            WritePair(std::string(c.target) + "\\0", "10.9.9.1", "10.9.9.2");
            WritePair(std::string(c.target) + "\\1", "10.9.9.3", "10.9.9.4");
        }
        CreateLink(NETWORKS, c.target);
        std::string targetBefore = c.holdsPairs ? DescribeTree(c.target) : "";
        // The configurator's session: read through the link, and saved without a question.
        // What the link named stays, an old list now, which a later save may remove.
        SaveSession session;
        BeginSession(&session, true);
        EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1));
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
        if (c.holdsPairs) {
            EXPECT_EQ(targetBefore, DescribeTree(c.target)) << "what the link named is kept";
        }
        EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1));
        EndSession(&session);
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
        // And as the companion saves: from one reading, with the same answer.
        ClearCorvaneKey();
        CreateKey(kProduct);
        if (c.holdsPairs) WritePair(std::string(c.target) + "\\0", "10.9.9.1", "10.9.9.2");
        CreateLink(NETWORKS, c.target);
        SaveResult result = SaveOverReading(rows, 1, kTestReaderGrace);
        EXPECT_EQ(SAVE_DONE, result.outcome);
        EXPECT_STREQ(strcmp(c.target, kBuilding.c_str()) == 0 ? BUILDING_KEY_NAME_2 : "", result.builtIn);
        LeaveHeld(&result);
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
        if (c.holdsPairs) {
            EXPECT_TRUE(KeyExists(std::string(c.target) + "\\0"));
        }
    }
}

// An old list held for its readers carries its grace: another program's save within it
// leaves the list whole and puts its own under the next name; the first save after it
// removes both.
TEST_F(SwapCornersTest, AnOldListInItsGraceIsLeftByEveryProgramsSave)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    StorePair("0", "10.9.9.1", "10.9.9.2");
    StorePair("1", "10.9.9.3", "10.9.9.4");
    const DWORD grace = 400;
    SaveResult first = SaveOverReading(rows, 1, grace);
    ASSERT_EQ(SAVE_DONE, first.outcome);
    std::string held = DescribeTree(kReplaced);
    bool found = false;
    GetValue(kReplaced, HOLD_MARK_VALUE_NAME, nullptr, &found);
    EXPECT_TRUE(found) << "marked for other programs";
    LeaveHeld(&first);
    SaveResult second = SaveOverReading(rows, 1, grace);
    ASSERT_EQ(SAVE_DONE, second.outcome);
    EXPECT_EQ(held, DescribeTree(kReplaced)) << "whole while its grace lasts";
    EXPECT_TRUE(KeyExists(PRODUCT_KEY_PATH "\\Networks (replaced 2)"));
    LeaveHeld(&second);
    Sleep(grace + 50);
    SaveResult third = SaveOverReading(rows, 1, 0);
    EXPECT_EQ(SAVE_DONE, third.outcome);
    EXPECT_STREQ("", third.leftAside);
    EXPECT_STREQ("", third.changedAside);
    LeaveHeld(&third);
    EXPECT_EQ((std::vector<std::string>{"Networks"}), SubkeyNames(kProduct));
    EXPECT_TRUE(StoreHoldsExactly(rows, 1));
}

// A program that wrote to a list held aside after the swap wrote to a list nobody reads: its
// change is kept, named, by the holder's retirement and by every later save.
TEST_F(SwapCornersTest, AWriterInAListHeldAsideIsKeptAndNamed)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    const struct {
        const char* name;
        void (*write)(void);
    } writers[] = {
        {"a value rewritten", [] { SetValue(kReplaced + "\\0", VALUE_SOURCE, REG_SZ, "10.7.7.7"); }},
        {"a pair added", [] { WritePair(kReplaced + "\\7", "10.7.7.7", "10.7.7.8"); }},
        {"a pair removed", [] { DeleteKey(kReplaced + "\\1"); }},
        {"a value on the list's own key", [] { SetValue(kReplaced, "Note", REG_SZ, "x"); }},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        ClearCorvaneKey();
        StorePair("0", "10.9.9.1", "10.9.9.2");
        StorePair("1", "10.9.9.3", "10.9.9.4");
        SaveResult result = SaveOverReading(rows, 1, 200);
        ASSERT_EQ(SAVE_DONE, result.outcome);
        w.write();
        std::string written = DescribeTree(kReplaced);
        char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
        EXPECT_FALSE(RetireOldList(&result.held, 60000, left, changed, NULL));
        EXPECT_STREQ(REPLACED_KEY_NAME, changed);
        EXPECT_STREQ("", left);
        FreeSaveResult(&result);
        EXPECT_EQ(written, DescribeTree(kReplaced));
        SaveResult later = SaveOverReading(rows, 1, 0);
        EXPECT_EQ(SAVE_DONE, later.outcome);
        EXPECT_STREQ(REPLACED_KEY_NAME, later.changedAside) << "every later save says it";
        LeaveHeld(&later);
        EXPECT_EQ(written, DescribeTree(kReplaced));
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
    }
}

// Stopped between its two renames, a save leaves no Networks: the old list aside without a
// mark, the new one in "Networks (new)". That store is read from the old list, said as such,
// and the next save starts from it; a Networks with no pairs beside such a list never makes
// it go.
TEST_F(SwapCornersTest, AStoreBetweenTheTwoRenamesIsReadFromTheOldListAndRecovered)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    auto interrupted = [] {
        ClearCorvaneKey();
        WritePair(kReplaced + "\\0", "10.9.9.1", "10.9.9.2");
        WritePair(kReplaced + "\\1", "10.9.9.3", "10.9.9.4");
        WritePair(kBuilding + "\\0", "10.8.8.1", "10.8.8.2");
    };
    interrupted();
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    EXPECT_TRUE(reading.interrupted.networksMissing);
    EXPECT_STREQ(REPLACED_KEY_NAME, reading.interrupted.oldList);
    EXPECT_STREQ(BUILDING_KEY_NAME, reading.interrupted.newList);
    ASSERT_EQ(2u, reading.pairCount);
    EXPECT_STREQ("10.9.9.3", reading.rows[1].source);
    ASSERT_LE(1u, reading.differenceCount);
    EXPECT_EQ(DIFFERS_NETWORKS_MISSING, reading.differences[0].kind);
    FreeStoreReading(&reading);

    SaveResult result = SaveOverReading(rows, 1, 0);
    EXPECT_EQ(SAVE_DONE, result.outcome);
    EXPECT_STREQ(REPLACED_KEY_NAME, result.recoveredFrom);
    // The list the service last read is held for its readers until the grace ends.
    EXPECT_EQ(2u, SubkeyNames(kReplaced).size());
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    EXPECT_TRUE(RetireOldList(&result.held, 0, left, changed, NULL));
    FreeSaveResult(&result);
    EXPECT_EQ((std::vector<std::string>{"Networks"}), SubkeyNames(kProduct));
    EXPECT_TRUE(StoreHoldsExactly(rows, 1));

    // The configurator's session starts from the same list.
    interrupted();
    SaveSession session;
    BeginSession(&session, true);
    EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 1));
    EndSession(&session);
    EXPECT_TRUE(StoreHoldsExactly(rows, 1));

    // A Networks made again empty beside it: the list aside is said and kept.
    interrupted();
    CreateKey(NETWORKS);
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    EXPECT_FALSE(reading.interrupted.networksMissing);
    EXPECT_STREQ(REPLACED_KEY_NAME, reading.interrupted.oldList);
    EXPECT_EQ(2u, reading.interrupted.oldPairs);
    FreeStoreReading(&reading);
    std::string aside = DescribeTree(kReplaced);
    EXPECT_TRUE(SavePairList(rows, 1));
    EXPECT_EQ(aside, DescribeTree(kReplaced));
    EXPECT_FALSE(KeyExists(kBuilding));

}

// Only the new list of a stopped save there: nothing to read, and the reading names where it is.
TEST_F(SwapCornersTest, OnlyTheNewListOfAStoppedSaveIsNothingToRead)
{
    StoreReading reading;
    ClearCorvaneKey();
    WritePair(kBuilding + "\\0", "10.8.8.1", "10.8.8.2");
    EXPECT_FALSE(ReadStore(READ_TO_SHOW, &reading));
    EXPECT_EQ(STORE_MISSING, reading.problem.trouble);
    EXPECT_STREQ(BUILDING_KEY_NAME, reading.interrupted.newList);
    FreeStoreReading(&reading);
}

// The new Networks and pair keys get the DACLs the old ones had: Networks' own, and the pair
// keys' when they all agree; where they differ, the new pair keys get what Networks passes on.
TEST_F(SwapCornersTest, TheKeysSecurityIsKept)
{
    // Protected, and open to everyone, so that no test account loses the keys.
    const char* networksDacl = "D:P(A;OICI;KA;;;WD)(A;;KR;;;BU)";
    const char* pairDacl = "D:P(A;;KA;;;WD)(A;;KR;;;SY)";
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.7"}, {"10.0.0.8", "10.0.0.9"}};
    StorePair("0", "10.9.9.1", "10.9.9.2");
    StorePair("1", "10.9.9.3", "10.9.9.4");
    SetSecurity(NETWORKS, networksDacl);
    SetSecurity(NETWORKS "\\0", pairDacl);
    SetSecurity(NETWORKS "\\1", pairDacl);
    std::string networksBefore = SecurityOf(NETWORKS), pairBefore = SecurityOf(NETWORKS "\\0");
    ASSERT_NE("", networksBefore);
    for (bool fromReading : {true, false}) {
        SCOPED_TRACE(fromReading ? "the companion's save" : "the configurator's save");
        if (fromReading) {
            SaveResult result = SaveOverReading(rows, 3, 0);
            EXPECT_EQ(SAVE_DONE, result.outcome);
            LeaveHeld(&result);
        } else {
            EXPECT_TRUE(SavePairList(rows, 3));
        }
        EXPECT_TRUE(StoreHoldsExactly(rows, 3));
        EXPECT_EQ(networksBefore, SecurityOf(NETWORKS));
        for (const char* pair : {NETWORKS "\\0", NETWORKS "\\1", NETWORKS "\\2"}) EXPECT_EQ(pairBefore, SecurityOf(pair)) << pair;
    }
    // Pair keys that differ: the reading says so, and the new ones get what a new key gets.
    SetSecurity(NETWORKS "\\1", networksDacl);
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_CHANGE, &reading));
    EXPECT_TRUE(reading.security.pairsDiffer);
    FreeStoreReading(&reading);
    CreateKey(OUTSIDE "\\fresh");
    std::string fresh = SecurityOf(OUTSIDE "\\fresh");
    EXPECT_TRUE(SavePairList(rows, 1));
    EXPECT_EQ(networksBefore, SecurityOf(NETWORKS));
    EXPECT_NE(pairBefore, SecurityOf(NETWORKS "\\0"));
    EXPECT_NE(networksBefore, SecurityOf(NETWORKS "\\0"));
}

}  // namespace
