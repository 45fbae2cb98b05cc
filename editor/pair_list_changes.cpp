// Comparing two pair lists: a multiset difference each way, and the order of what is common.
#include <string.h>

#include "editor/pair_list_changes.h"
#include "resources/program_texts.h"

static bool SamePair(const PairRowText& a, const PairRowText& b)
{
    return strcmp(a.source, b.source) == 0 && strcmp(a.destination, b.destination) == 0;
}

// Splits `list` into the pairs `other` holds too (each match used once) and those it lacks,
// both in `list`'s order.
static void Split(const std::vector<PairRowText>& list, const std::vector<PairRowText>& other,
                  std::vector<PairRowText>* common, std::vector<PairRowText>* missing)
{
    std::vector<bool> used(other.size(), false);
    for (const PairRowText& pair : list) {
        size_t match = 0;
        while (match < other.size() && (used[match] || !SamePair(pair, other[match]))) ++match;
        if (match < other.size()) {
            used[match] = true;
            common->push_back(pair);
        } else {
            missing->push_back(pair);
        }
    }
}

PairListChanges ComparePairLists(const std::vector<PairRowText>& before, const std::vector<PairRowText>& after)
{
    PairListChanges changes;
    std::vector<PairRowText> commonBefore, commonAfter;
    Split(after, before, &commonAfter, &changes.added);
    Split(before, after, &commonBefore, &changes.removed);
    changes.reordered = false;
    for (size_t i = 0; i < commonBefore.size() && !changes.reordered; ++i)
        changes.reordered = !SamePair(commonBefore[i], commonAfter[i]);
    return changes;
}

bool PairListUnchanged(const PairListChanges& changes)
{
    return changes.added.empty() && changes.removed.empty() && !changes.reordered;
}

std::string PairListChangeLines(const PairListChanges& changes, std::string (*shown)(const char* text))
{
    std::string lines;
    for (const PairRowText& pair : changes.added)
        lines += TEXT_CHANGE_ADD " " + shown(pair.source) + " " + shown(pair.destination) + "\n";
    for (const PairRowText& pair : changes.removed)
        lines += TEXT_CHANGE_REMOVE " " + shown(pair.source) + " " + shown(pair.destination) + "\n";
    if (changes.reordered) lines += TEXT_CHANGE_REORDER "\n";
    return lines;
}
