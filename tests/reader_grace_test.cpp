// How long an old list stays aside for its readers: the least grace, plus twice a reader's
// pass over the old list at the pace the save wrote the new one, at most a minute.
#include <gtest/gtest.h>

#include "store/old_list_retirement.h"

namespace {

TEST(ReaderGraceTest, FollowsTheOldListsSizeBetweenTheLeastAndAMinute)
{
    const struct {
        DWORD buildMilliseconds;
        int rowCount;
        DWORD oldKeys;
        DWORD least;
        DWORD grace;
    } cases[] = {
        {0, 2, 2, 250, 250},           // a fast build: the least
        {100, 100, 100, 250, 450},     // as many old pairs as new: twice the build
        {100, 100, 1000, 250, 2250},   // ten times as many old pairs
        {100, 1000, 100, 250, 270},    // a tenth as many
        {100, 0, 100, 250, 20250},     // no new rows: the build's time per old pair
        {1000, 10, 10000, 250, 60000}, // at most a minute
        {0, 0, 0, 0, 0},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.grace, ReaderGrace(test.buildMilliseconds, test.rowCount, test.oldKeys, test.least))
            << test.buildMilliseconds << " ms for " << test.rowCount << " rows, " << test.oldKeys << " old";
}

}  // namespace
