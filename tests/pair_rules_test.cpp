// The pair editing rules over an array of rows: the order of the checks, exact comparison,
// duplicates in either order, long texts, Remove, and the messages shown.
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "editor/pair_rules.h"
#include "resources/program_texts.h"
#ifndef _WIN32
#include "standin.h"
#endif

namespace {

typedef std::vector<std::pair<std::string, std::string>> RowArray;

int CountRows(void* context)
{
    return (int)static_cast<RowArray*>(context)->size();
}

// Copies as a list control does: at most capacity - 1 characters and a NUL.
int ReadRowText(void* context, int row, int column, char* text, int capacity)
{
    const auto& cell = (*static_cast<RowArray*>(context))[(size_t)row];
    const std::string& whole = column == 0 ? cell.first : cell.second;
    size_t copied = whole.size() < (size_t)capacity - 1 ? whole.size() : (size_t)capacity - 1;
    memcpy(text, whole.data(), copied);
    text[copied] = 0;
    return (int)copied;
}

void AppendRow(void* context, const char* source, const char* destination)
{
    static_cast<RowArray*>(context)->emplace_back(source, destination);
}

void RemoveRow(void* context, int row)
{
    auto* rows = static_cast<RowArray*>(context);
    rows->erase(rows->begin() + row);
}

class PairRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        StandinReset();
#endif
    }
    RowArray rows_ = {{"192.168.1.10", "10.0.0.5"}};
    PairRows access_ = {&rows_, CountRows, ReadRowText, AppendRow, RemoveRow};
};

TEST_F(PairRulesTest, ChecksInOrderBlankThenSameThenDuplicate)
{
    EXPECT_EQ(PAIR_BLANK, CheckAddPair("192.168.1.10", "", &access_));
    EXPECT_EQ(PAIR_BLANK, CheckAddPair("", "10.0.0.5", &access_));
    EXPECT_EQ(PAIR_BLANK, CheckAddPair("", "", &access_)) << "blank comes before same";
    EXPECT_EQ(PAIR_SAME, CheckAddPair("192.168.1.10", "192.168.1.10", &access_)) << "same before duplicate";
    EXPECT_EQ(PAIR_DUPLICATE, CheckAddPair("192.168.1.10", "10.0.0.5", &access_));
    EXPECT_EQ(PAIR_DUPLICATE, CheckAddPair("10.0.0.5", "192.168.1.10", &access_));
    EXPECT_EQ(PAIR_ACCEPTED, CheckAddPair("192.168.1.10", "10.0.0.6", &access_));
}

TEST_F(PairRulesTest, ComparisonIsExact)
{
    rows_ = {{"Host-A", "host-b"}};
    EXPECT_FALSE(IsDuplicate("host-a", "host-b", &access_));
    EXPECT_FALSE(IsDuplicate("Host-A ", "host-b", &access_));
    EXPECT_FALSE(IsDuplicate("Host-A", "host-b\n", &access_));
    EXPECT_TRUE(IsDuplicate("host-b", "Host-A", &access_));
    EXPECT_FALSE(IsDuplicate("Host-A", "Host-A", &access_)) << "both texts must match one row";
}

TEST_F(PairRulesTest, DuplicatesFoundAnywhereAndAmongEmptyRows)
{
    rows_ = {{"", ""}, {"1.1.1.1", ""}, {"2.2.2.2", "3.3.3.3"}, {"4.4.4.4", "5.5.5.5"}};
    EXPECT_TRUE(IsDuplicate("5.5.5.5", "4.4.4.4", &access_));
    EXPECT_TRUE(IsDuplicate("", "1.1.1.1", &access_));
    EXPECT_FALSE(IsDuplicate("1.1.1.1", "2.2.2.2", &access_));
    rows_.clear();
    EXPECT_FALSE(IsDuplicate("1.1.1.1", "2.2.2.2", &access_));
}

TEST_F(PairRulesTest, LongTextsAreComparedWhole)
{
    std::string limit(255, 'a');
    std::string longer = std::string(255, 'a') + "b";
    std::string longerStill = std::string(255, 'a') + "c" + std::string(300, 'd');
    rows_ = {{limit, "x"}, {longer, "y"}};
    EXPECT_TRUE(IsDuplicate(limit.c_str(), "x", &access_));
    EXPECT_FALSE(IsDuplicate(limit.c_str(), "y", &access_)) << "a 256-character row is not its first 255";
    EXPECT_TRUE(IsDuplicate("y", longer.c_str(), &access_));
    EXPECT_FALSE(IsDuplicate(longerStill.c_str(), "y", &access_));
    EXPECT_EQ(PAIR_ACCEPTED, CheckAddPair(longerStill.c_str(), "y", &access_));
}

TEST_F(PairRulesTest, AddAppendsAsLastRow)
{
    rows_.emplace_back("1.1.1.1", "2.2.2.2");
    EXPECT_EQ(PAIR_ACCEPTED, AddPair(nullptr, "192.168.1.10", "10.0.0.6", &access_));
    RowArray expected = {{"192.168.1.10", "10.0.0.5"}, {"1.1.1.1", "2.2.2.2"}, {"192.168.1.10", "10.0.0.6"}};
    EXPECT_EQ(expected, rows_);
}

TEST_F(PairRulesTest, RemoveKeepsTheOrderOfTheOthers)
{
    rows_ = {{"1.1.1.1", "2.2.2.2"}, {"3.3.3.3", "4.4.4.4"}, {"5.5.5.5", "6.6.6.6"}};
    EXPECT_EQ(PAIR_ACCEPTED, RemovePair(nullptr, 1, &access_));
    RowArray expected = {{"1.1.1.1", "2.2.2.2"}, {"5.5.5.5", "6.6.6.6"}};
    EXPECT_EQ(expected, rows_);
    EXPECT_EQ(PAIR_NOTHING_SELECTED, CheckRemovePair(-1, &access_));
    EXPECT_EQ(PAIR_NOTHING_SELECTED, CheckRemovePair(2, &access_)) << "a stale index removes nothing";
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

#ifndef _WIN32
// A rejection shows a message box; natively the stand-in records it instead of waiting.

TEST_F(PairRulesTest, RejectionsShowErrorBoxAndLeaveRows)
{
    HWND page = (HWND)(ULONG_PTR)0x1234;
    RowArray before = rows_;
    EXPECT_EQ(PAIR_BLANK, AddPair(page, "192.168.1.10", "", &access_));
    EXPECT_EQ(PAIR_SAME, AddPair(page, "10.0.0.5", "10.0.0.5", &access_));
    EXPECT_EQ(PAIR_DUPLICATE, AddPair(page, "10.0.0.5", "192.168.1.10", &access_));
    rows_.clear();
    EXPECT_EQ(PAIR_NOTHING_SELECTED, RemovePair(page, -1, &access_));
    rows_ = before;
    EXPECT_EQ(before, rows_);

    const auto& boxes = StandinMessageBoxes();
    ASSERT_EQ(4u, boxes.size());
    const char* texts[] = {TEXT_RULE_BLANK, TEXT_RULE_SAME, TEXT_RULE_DUPLICATE, TEXT_RULE_NOTHING_SELECTED};
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(page, boxes[i].owner);
        EXPECT_EQ(texts[i], boxes[i].text);
        EXPECT_EQ("mDNS Error", boxes[i].caption);
        EXPECT_EQ((UINT)0x10, boxes[i].type);
    }
}

TEST_F(PairRulesTest, AcceptedEditsShowNothing)
{
    AddPair(nullptr, "1.1.1.1", "2.2.2.2", &access_);
    RemovePair(nullptr, 0, &access_);
    EXPECT_TRUE(StandinMessageBoxes().empty());
}
#endif

}  // namespace
