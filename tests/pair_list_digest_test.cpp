// The digest the restart record keeps of the list a service process read: one list from another.
#include <gtest/gtest.h>

#include "service/restart_record.h"

namespace {

TEST(PairListDigestTest, TellsListsApartByTheirTextsAndOrder)
{
    const PairRowText a = {"1.2", "3"}, b = {"1.23", ""}, c = {"10.0.0.5", "10.0.0.6"}, d = {"10.0.0.6", "10.0.0.5"};
    const std::vector<std::vector<PairRowText>> lists = {{}, {a}, {b}, {c}, {d}, {c, d}, {d, c}, {c, c}};
    for (size_t i = 0; i < lists.size(); ++i)
        for (size_t j = 0; j < lists.size(); ++j) {
            unsigned long long left = PairListDigest(lists[i].data(), (int)lists[i].size());
            unsigned long long right = PairListDigest(lists[j].data(), (int)lists[j].size());
            EXPECT_EQ(i == j, left == right) << "lists " << i << " and " << j;
        }
    // A field read to its end without a NUL digests as its first fifteen characters.
    PairRowText full;
    memset(&full, 'x', sizeof full);
    PairRowText cut = {"xxxxxxxxxxxxxxx", "xxxxxxxxxxxxxxx"};
    EXPECT_EQ(PairListDigest(&cut, 1), PairListDigest(&full, 1));
}

}  // namespace
