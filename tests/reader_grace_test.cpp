// How long an old list stays aside for its readers: a quarter second and a second for each
// thousand pairs, at most a minute, or a fixed grace as it is given; and what its mark says
// to a later save.
#include <gtest/gtest.h>

#include "store/old_list_retirement.h"

namespace {

TEST(ReaderGraceTest, FollowsTheOldListsSizeBetweenTheLeastAndAMinute)
{
    const struct {
        DWORD oldKeys;
        DWORD fixed;
        DWORD grace;
    } cases[] = {
        {0, READER_GRACE_BY_SIZE, 250},        // the least
        {2, READER_GRACE_BY_SIZE, 252},
        {1000, READER_GRACE_BY_SIZE, 1250},
        {10000, READER_GRACE_BY_SIZE, 10250},  // the same for every save of this size
        {59750, READER_GRACE_BY_SIZE, 60000},
        {100000, READER_GRACE_BY_SIZE, 60000}, // at most a minute
        {0xFFFFFFFF, READER_GRACE_BY_SIZE, 60000},
        {10000, 0, 0},                         // fixed, as tests ask
        {10, 700, 700},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.grace, ReaderGrace(test.oldKeys, test.fixed)) << test.oldKeys << " old pairs, " << test.fixed;
}

}  // namespace
