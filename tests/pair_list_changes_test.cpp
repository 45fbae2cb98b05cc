// The comparison of two pair lists, as both programs say what a change does.
#include <gtest/gtest.h>

#include "editor/pair_list_changes.h"

namespace {

typedef std::vector<PairRowText> Rows;

std::string Lines(const Rows& before, const Rows& after)
{
    return PairListChangeLines(ComparePairLists(before, after), [](const char* text) { return std::string(text); });
}

TEST(PairListChangesTest, AddedRemovedAndReorderedAsTheLinesSayThem)
{
    const PairRowText a = {"10.0.0.1", "10.0.0.2"}, b = {"10.0.0.3", "10.0.0.4"}, c = {"10.0.0.5", "10.0.0.6"};
    const PairRowText reversed = {"10.0.0.2", "10.0.0.1"};
    struct Case {
        Rows before, after;
        std::string lines;
        bool unchanged;
    } cases[] = {
        {{}, {}, "", true},
        {{a, b}, {a, b}, "", true},
        {{a}, {a, b}, "add 10.0.0.3 10.0.0.4\n", false},
        {{a, b}, {b}, "remove 10.0.0.1 10.0.0.2\n", false},
        {{a, b}, {b, a}, "reorder the pairs\n", false},
        // A pair the other way round is another pair; a pair twice counts twice.
        {{a}, {reversed}, "add 10.0.0.2 10.0.0.1\nremove 10.0.0.1 10.0.0.2\n", false},
        {{a, a}, {a}, "remove 10.0.0.1 10.0.0.2\n", false},
        {{a, b, c}, {c, a}, "remove 10.0.0.3 10.0.0.4\nreorder the pairs\n", false},
        {{a, b}, {a, c, b}, "add 10.0.0.5 10.0.0.6\n", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.lines);
        EXPECT_EQ(test.lines, Lines(test.before, test.after));
        EXPECT_EQ(test.unchanged, PairListUnchanged(ComparePairLists(test.before, test.after)));
    }
}

}  // namespace
