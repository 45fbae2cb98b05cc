// The store is written by hand too: values of the wrong size or type, odd subkey names
// and large lists must load soundly.
#include "tests/registry_helpers.h"

#include <stdio.h>
#include <string.h>

#include "store/store.h"

namespace {

class HostileInputTest : public StoreTest {
protected:
    // Loads a single pair key holding one value and returns its record.
    NetworkPair LoadWith(const char* name, DWORD type, const std::string& data)
    {
        SetValue(NETWORKS "\\0", name, type, data);
        LoadTable();
        EXPECT_EQ(1u, PairTableCount);
        return PairTableCount == 1 ? PairTable[0] : NetworkPair{};
    }
};

struct AddressCase {
    size_t characters;
    bool withNul;
    bool kept;
};

TEST_F(HostileInputTest, AddressesFitOnlyWithTheirNulInSixteenBytes)
{
    const AddressCase cases[] = {
        {14, true, true},  {15, false, true}, {15, true, true},   {16, false, false},
        {16, true, false}, {17, false, false}, {1000, false, false}, {999, true, false},
    };
    for (DWORD type : {(DWORD)REG_SZ, (DWORD)REG_BINARY}) {
        for (const AddressCase& c : cases) {
            std::string text(c.characters, '7');
            std::string data = c.withNul ? text + '\0' : text;
            SetValue(NETWORKS "\\0", "IPsource", type, data);
            SetValue(NETWORKS "\\0", "IPdestination", type, data);
            LoadTable();
            ASSERT_EQ(1u, PairTableCount);
            std::string expected = c.kept ? text : "";
            SCOPED_TRACE(testing::Message() << c.characters << " characters, NUL " << c.withNul << ", type " << type);
            EXPECT_EQ(expected, PairTable[0].sourceAddress);
            EXPECT_EQ(expected, PairTable[0].destinationAddress);
            EXPECT_EQ(0, PairTable[0].sourceAddress[15]);
        }
    }
}

TEST_F(HostileInputTest, AddressWithEmbeddedNulKeepsTheTextBeforeIt)
{
    NetworkPair pair = LoadWith("IPsource", REG_BINARY, std::string("1.2.3.4\0garbage!", 16));
    EXPECT_STREQ("1.2.3.4", pair.sourceAddress);
}

TEST_F(HostileInputTest, NumbersReadLikeAtoi)
{
    struct {
        DWORD type;
        std::string data;
        LONG expected;
    } cases[] = {
        {REG_SZ, "2", 2},
        {REG_SZ, "  -12abc", -12},
        {REG_SZ, "+7", 7},
        {REG_SZ, "two", 0},
        {REG_SZ, "", 0},
        {REG_SZ, "99999999999", 2147483647},
        {REG_BINARY, std::string(1024, '9'), 2147483647},   // fills the buffer, no NUL
        {REG_BINARY, std::string(1023, ' ') + "5", 5},
        {REG_SZ, std::string(1024, '3'), 0},                // the platform adds a NUL: 1025 bytes
        {REG_SZ, std::string(1025, '1'), 0},                // does not fit: read fails
        {REG_SZ, std::string(5000, '1'), 0},
        {REG_DWORD, std::string("\x02\x00\x00\x00", 4), 0}, // not text
        {REG_BINARY, "42", 42},
    };
    for (const auto& c : cases) {
        SetValue(NETWORKS "\\0", "Direction", c.type, c.data);
        SetValue(NETWORKS "\\0", "Enabled", c.type, c.data);
        LoadTable();
        ASSERT_EQ(1u, PairTableCount);
        EXPECT_EQ(c.expected, PairTable[0].direction) << c.data.size() << " bytes of type " << c.type;
        EXPECT_EQ(c.expected, PairTable[0].enabled) << c.data.size() << " bytes of type " << c.type;
    }
}

TEST_F(HostileInputTest, LongAndNonNumericSubkeyNamesLoad)
{
    std::string longest(255, 'q');
    StorePair(longest, "1.1.1.1", "2.2.2.2");
    StorePair("Living room (2.4 GHz)", "3.3.3.3", "4.4.4.4");
    LoadTable();
    ASSERT_EQ(2u, PairTableCount);
    EXPECT_STREQ("Living room (2.4 GHz)", PairTable[0].subkeyName);
    EXPECT_STREQ("3.3.3.3", PairTable[0].sourceAddress);
    EXPECT_EQ(longest, PairTable[1].subkeyName);
    EXPECT_EQ(255u, PairTable[1].subkeyNameLength);
    EXPECT_STREQ("2.2.2.2", PairTable[1].destinationAddress);
}

TEST_F(HostileInputTest, TenThousandPairsLoadAndSave)
{
    const int count = 10000;
    std::vector<std::string> sources(count);
    std::vector<PairRowText> rows(count);
    for (int i = 0; i < count; ++i) {
        sources[i] = "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ".1";
        snprintf(rows[i].source, sizeof rows[i].source, "%s", sources[i].c_str());
        snprintf(rows[i].destination, sizeof rows[i].destination, "192.168.0.1");
    }
    ASSERT_TRUE(SavePairList(rows.data(), count));
    LoadTable();
    ASSERT_EQ((DWORD)count, PairTableCount);
    std::vector<bool> seen(count, false);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        int number = atoi(PairTable[i].subkeyName);
        ASSERT_EQ(sources[number], PairTable[i].sourceAddress);
        seen[number] = true;
    }
    EXPECT_EQ(std::vector<bool>(count, true), seen);
    EXPECT_STREQ("10", PairTable[2].subkeyName);
}

}  // namespace
