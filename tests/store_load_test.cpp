// The start-up load: order, texts and numbers of the records, and what missing parts leave.
#include "tests/registry_helpers.h"

#include <string.h>

#include "store/store.h"
#include "store/pair_values.h"

namespace {

class LoadTest : public StoreTest {};

TEST_F(LoadTest, EmptyNetworksKeyGivesEmptyTable)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    LoadTable();
    ASSERT_EQ(1u, PairTableCount);
    DeleteKey(NETWORKS "\\0");
    LoadTable();
    EXPECT_EQ(0u, PairTableCount);
}

TEST_F(LoadTest, RecordsFollowEnumerationOrderWithTheirTexts)
{
    StorePair("1", "192.168.1.10", "10.0.0.5");
    StorePair("0", "10.0.0.6", "192.168.1.11");
    StorePair("office", "172.16.0.1", "172.16.1.1");
    LoadTable();
    ASSERT_EQ(3u, PairTableCount);
    EXPECT_STREQ("0", PairTable[0].subkeyName);
    EXPECT_EQ(1u, PairTable[0].subkeyNameLength);
    EXPECT_STREQ("10.0.0.6", PairTable[0].sourceAddress);
    EXPECT_STREQ("192.168.1.11", PairTable[0].destinationAddress);
    EXPECT_STREQ("1", PairTable[1].subkeyName);
    EXPECT_STREQ("192.168.1.10", PairTable[1].sourceAddress);
    EXPECT_STREQ("office", PairTable[2].subkeyName);
    EXPECT_EQ(6u, PairTable[2].subkeyNameLength);
    EXPECT_STREQ("172.16.1.1", PairTable[2].destinationAddress);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        EXPECT_EQ(2, PairTable[i].direction) << "record " << i;
        EXPECT_EQ(1, PairTable[i].enabled) << "record " << i;
    }
}

TEST_F(LoadTest, TwelveNumberedPairsLoadInRegistryOrder)
{
    for (int i = 0; i < 12; ++i) {
        std::string address = "10.0.0." + std::to_string(i + 1);
        StorePair(std::to_string(i), address.c_str(), "10.1.0.1");
    }
    LoadTable();
    ASSERT_EQ(12u, PairTableCount);
    std::vector<std::string> enumerated = SubkeyNames(NETWORKS);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        EXPECT_EQ(enumerated[i], PairTable[i].subkeyName);
        std::string expected = "10.0.0." + std::to_string(atoi(PairTable[i].subkeyName) + 1);
        EXPECT_EQ(expected, PairTable[i].sourceAddress);
    }
    EXPECT_STREQ("10", PairTable[2].subkeyName) << "names sort as text, not as numbers";

    // Read by their numbers, they come back as the save wrote them; other names follow.
    StorePair("office", "10.2.0.1", "10.1.0.1");
    StorePair("b", "10.2.0.2", "10.1.0.1");
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    std::vector<PairRowText> rows(reading.rows, reading.rows + reading.pairCount);
    FreeStoreReading(&reading);
    ASSERT_EQ(14u, rows.size());
    for (int i = 0; i < 12; ++i) EXPECT_EQ("10.0.0." + std::to_string(i + 1), rows[i].source);
    EXPECT_STREQ("10.2.0.2", rows[12].source);
    EXPECT_STREQ("10.2.0.1", rows[13].source);
}

TEST_F(LoadTest, MissingValuesLeaveEmptyFieldsAndZeros)
{
    SetValue(NETWORKS "\\only-source", "IPsource", REG_SZ, "192.168.1.10");
    CreateKey(NETWORKS "\\bare");
    LoadTable();
    ASSERT_EQ(2u, PairTableCount);
    EXPECT_STREQ("bare", PairTable[0].subkeyName);
    EXPECT_STREQ("", PairTable[0].sourceAddress);
    EXPECT_STREQ("", PairTable[0].destinationAddress);
    EXPECT_STREQ("192.168.1.10", PairTable[1].sourceAddress);
    EXPECT_STREQ("", PairTable[1].destinationAddress);
    EXPECT_EQ(0, PairTable[1].direction);
    EXPECT_EQ(0, PairTable[1].enabled);
}

TEST_F(LoadTest, WrittenPairsReadBackWithFixedNumbers)
{
    SetValue(NETWORKS "\\7", "Direction", REG_SZ, "5");
    SetValue(NETWORKS "\\7", "Enabled", REG_SZ, "0");
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "255.255.255.255"}};
    ASSERT_TRUE(SavePairList(rows, 2));
    LoadTable();
    ASSERT_EQ(2u, PairTableCount);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(std::to_string(i), PairTable[i].subkeyName);
        EXPECT_STREQ(rows[i].source, PairTable[i].sourceAddress);
        EXPECT_STREQ(rows[i].destination, PairTable[i].destinationAddress);
        EXPECT_EQ(2, PairTable[i].direction);
        EXPECT_EQ(1, PairTable[i].enabled);
    }
}

TEST(ParseDecimalTest, AgreesWithAtoiAndClampsInsteadOfOverflowing)
{
    const char* texts[] = {"", "abc", "2", "  \t\n42", "\r\v\f7", "\v-3", "-17", "+8", "12abc", "- 5", "0x10", "007"};
    for (const char* text : texts) EXPECT_EQ(atoi(text), ParseDecimal(text)) << "\"" << text << "\"";
    EXPECT_EQ(2147483647, ParseDecimal("2147483647"));
    EXPECT_EQ(2147483647, ParseDecimal("99999999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, ParseDecimal("-2147483648"));
    EXPECT_EQ(-2147483647 - 1, ParseDecimal("-99999999999999999999999"));
}

}  // namespace

namespace {

// A pair key that is a registry link is read through what it names, as the repeater service
// reads it; it is no row's key for a save, which replaces it.
TEST_F(LoadTest, APairKeyThatIsALinkLoadsWhatItNames)
{
    SetValue(OUTSIDE "\\Pair", "IPsource", REG_SZ, "10.0.0.6");
    SetValue(OUTSIDE "\\Pair", "IPdestination", REG_SZ, "10.0.0.7");
    SetValue(OUTSIDE "\\Pair", "Direction", REG_SZ, "2");
    SetValue(OUTSIDE "\\Pair", "Enabled", REG_SZ, "1");
    CreateLink(NETWORKS "\\0", OUTSIDE "\\Pair");
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    ASSERT_EQ(1u, reading.pairCount);
    EXPECT_STREQ("10.0.0.6", reading.pairs[0].sourceAddress);
    EXPECT_STREQ("10.0.0.7", reading.pairs[0].destinationAddress);
    EXPECT_EQ(2, reading.pairs[0].direction);
    ASSERT_EQ(1u, reading.differenceCount);
    EXPECT_EQ(DIFFERS_ROW_MISSING, reading.differences[0].kind);
    EXPECT_STREQ("0", reading.differences[0].keyName);
    FreeStoreReading(&reading);
    // What the link names lacks a value: that field is empty, as for any pair key.
    SetValue(OUTSIDE "\\Half", "IPsource", REG_SZ, "10.0.0.8");
    CreateLink(NETWORKS "\\1", OUTSIDE "\\Half");
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    ASSERT_EQ(2u, reading.pairCount);
    EXPECT_STREQ("10.0.0.8", reading.pairs[1].sourceAddress);
    EXPECT_STREQ("", reading.pairs[1].destinationAddress);
    EXPECT_EQ(0, reading.pairs[1].enabled);
    FreeStoreReading(&reading);
}

}  // namespace

namespace {

// Rows read back by their key numbers, leading zeros or not, and names that are not numbers
// after them in the order the registry lists them.
TEST_F(LoadTest, RowsFollowTheirKeyNumbers)
{
    const char* names[] = {"10", "007", "9", "x", "0", "a"};
    for (const char* name : names) StorePair(name, ("10.0.0." + std::string(name)).c_str(), "10.1.0.1");
    StoreReading reading;
    ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
    std::vector<std::string> sources;
    for (DWORD i = 0; i < reading.pairCount; ++i) sources.push_back(reading.rows[i].source);
    FreeStoreReading(&reading);
    EXPECT_EQ((std::vector<std::string>{"10.0.0.0", "10.0.0.007", "10.0.0.9", "10.0.0.10", "10.0.0.a", "10.0.0.x"}),
              sources);
}

}  // namespace
