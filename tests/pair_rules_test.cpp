// The pair editing rules over a snapshot of rows: the order of the checks, exact
// comparison, duplicates in either order, Remove's selection, and the messages.
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "editor/address_line.h"
#include "editor/pair_rules.h"
#include "net/adapters.h"
#include "net/own_addresses.h"

namespace {

std::vector<PairRowText> Rows(const std::vector<std::pair<const char*, const char*>>& texts)
{
    std::vector<PairRowText> rows(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        snprintf(rows[i].source, sizeof rows[i].source, "%s", texts[i].first);
        snprintf(rows[i].destination, sizeof rows[i].destination, "%s", texts[i].second);
    }
    return rows;
}

TEST(PairRulesTest, ChecksInOrderBlankThenSameThenDuplicate)
{
    // Stored rows may be blank or of one address twice: the order of the rules still holds.
    std::vector<PairRowText> rows = Rows({{"192.168.1.10", "10.0.0.5"}, {"", "10.0.0.5"}, {"10.0.0.9", "10.0.0.9"}});
    struct {
        const char* source;
        const char* destination;
        PairRuleVerdict expected;
    } cases[] = {
        {"192.168.1.10", "", PAIR_BLANK},
        {"", "10.0.0.5", PAIR_BLANK},
        {"", "", PAIR_BLANK},                            // blank comes before same
        {"192.168.1.10", "192.168.1.10", PAIR_SAME},
        {"10.0.0.9", "10.0.0.9", PAIR_SAME},             // same comes before duplicate
        {"192.168.1.10", "10.0.0.5", PAIR_DUPLICATE},
        {"10.0.0.5", "192.168.1.10", PAIR_DUPLICATE},    // in either order
        {"192.168.1.10", "10.0.0.6", PAIR_ACCEPTED},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CheckAddPair(c.source, c.destination, rows.data(), (int)rows.size()))
            << c.source << " -> " << c.destination;
    EXPECT_EQ(PAIR_ACCEPTED, CheckAddPair("192.168.1.10", "10.0.0.5", rows.data(), 0)) << "no rows, no duplicate";
}

TEST(PairRulesTest, ComparisonIsExactAndFindsEveryRow)
{
    std::vector<PairRowText> rows =
        Rows({{"", ""}, {"Host-A", "host-b"}, {"1.1.1.1", ""}, {"2.2.2.2", "3.3.3.3"}, {"4.4.4.4", "5.5.5.5"}});
    int count = (int)rows.size();
    EXPECT_FALSE(IsDuplicate("host-a", "host-b", rows.data(), count));
    EXPECT_FALSE(IsDuplicate("Host-A ", "host-b", rows.data(), count));
    EXPECT_FALSE(IsDuplicate("Host-A", "host-b\n", rows.data(), count));
    EXPECT_TRUE(IsDuplicate("host-b", "Host-A", rows.data(), count));
    EXPECT_FALSE(IsDuplicate("Host-A", "Host-A", rows.data(), count)) << "both texts must match one row";
    EXPECT_TRUE(IsDuplicate("5.5.5.5", "4.4.4.4", rows.data(), count)) << "the last row";
    EXPECT_TRUE(IsDuplicate("", "1.1.1.1", rows.data(), count));
    EXPECT_FALSE(IsDuplicate("1.1.1.1", "2.2.2.2", rows.data(), count));
    EXPECT_FALSE(IsDuplicate("5.5.5.5", "4.4.4.4", rows.data(), count - 1)) << "only the rows counted";
}

TEST(PairRulesTest, RemoveNeedsASelectedRowThatExists)
{
    EXPECT_EQ(PAIR_ACCEPTED, CheckRemovePair(0, 3));
    EXPECT_EQ(PAIR_ACCEPTED, CheckRemovePair(2, 3));
    EXPECT_EQ(PAIR_NOTHING_SELECTED, CheckRemovePair(-1, 3));
    EXPECT_EQ(PAIR_NOTHING_SELECTED, CheckRemovePair(-1, 0));
    EXPECT_EQ(PAIR_NOTHING_SELECTED, CheckRemovePair(3, 3)) << "a stale index removes nothing";
}

TEST(PairRuleMessageTest, TextsWordForWord)
{
    EXPECT_STREQ("The source address or destination address cannot be blank.", PairRuleMessage(PAIR_BLANK));
    EXPECT_STREQ("The source address and destination address cannot be the same.", PairRuleMessage(PAIR_SAME));
    EXPECT_STREQ("The address pair you are attempting to add already exists in the list.",
                 PairRuleMessage(PAIR_DUPLICATE));
    EXPECT_STREQ("No item was selected to remove.", PairRuleMessage(PAIR_NOTHING_SELECTED));
    EXPECT_EQ(nullptr, PairRuleMessage(PAIR_ACCEPTED));
}

// The line below the list leaves out what is not in play, and says when nothing is known.
TEST(AddressLineTest, NamesOnlyTheAddressesInPlay)
{
    AdapterAddress wifi = {"Wi-Fi", "10.0.0.5", 16};
    OwnAddresses own = {false, NULL, 0, &wifi, 1, true};
    struct {
        const char* source;
        const char* destination;
        const char* rowSource;
        int stalePairs;
        const char* expected;
    } cases[] = {
        {"", "", nullptr, 0, ""},
        {"", "10.0.0.5", nullptr, 0, "Destination 10.0.0.5: Wi-Fi, 10.0.0.0/16."},
        {"10.0.0.6", "", nullptr, 0, "Source 10.0.0.6: not on this computer."},
        {"", "", "10.0.0.5", 2, "Selected pair: 10.0.0.5: Wi-Fi, 10.0.0.0/16; 10.0.0.6: not on this computer."},
        {"10.0.0.5", "", "10.0.0.5", 0,
         "Source 10.0.0.5: Wi-Fi, 10.0.0.0/16.\r\nSelected pair: 10.0.0.5: Wi-Fi, 10.0.0.0/16; 10.0.0.6: not on this computer."},
        // With no row selected, the pairs drawn grey are counted.
        {"", "", nullptr, 1, "1 pair names an address this computer does not have."},
        {"10.0.0.5", "", nullptr, 3,
         "Source 10.0.0.5: Wi-Fi, 10.0.0.0/16.\r\n3 pairs name an address this computer does not have."},
    };
    for (const auto& c : cases) {
        char line[ADDRESS_LINE_SIZE];
        FormatAddressLine(own, c.source, c.destination, c.rowSource, c.rowSource ? "10.0.0.6" : nullptr, c.stalePairs, line,
                          sizeof line);
        EXPECT_STREQ(c.expected, line);
    }
    // A pair is stale when either side is not this computer's; unknown addresses make none stale.
    const PairRowText rows[] = {{"10.0.0.5", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}, {"10.0.0.7", "10.0.0.5"}, {"", "10.0.0.5"}};
    EXPECT_EQ(3, CountStalePairs(own, rows, 4));
    EXPECT_EQ(0, CountStalePairs(own, rows, 1));
    own.adaptersKnown = false;
    EXPECT_EQ(0, CountStalePairs(own, rows, 4));
    const AddressText hostList[] = {"10.0.0.6"};
    own.hostListKnown = true;
    own.hostList = hostList;
    own.hostCount = 1;
    EXPECT_EQ(2, CountStalePairs(own, rows, 4)) << "the host lookup alone tells, and its list counts";
}

}  // namespace
