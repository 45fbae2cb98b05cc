// Add, Remove and the duplicate test over the page's rows, and the messages of rejections.
#include <string.h>

#include "editor/pair_rules.h"
#include "resources/program_texts.h"

bool IsDuplicate(const char* source, const char* destination, const PairRowText* rows, int rowCount)
{
    for (int row = 0; row < rowCount; ++row) {
        const char* rowSource = rows[row].source;
        const char* rowDestination = rows[row].destination;
        if ((strcmp(source, rowSource) == 0 && strcmp(destination, rowDestination) == 0) ||
            (strcmp(source, rowDestination) == 0 && strcmp(destination, rowSource) == 0))
            return true;
    }
    return false;
}

PairRuleVerdict CheckAddPair(const char* source, const char* destination, const PairRowText* rows,
                             int rowCount)
{
    if (source[0] == 0 || destination[0] == 0) return PAIR_BLANK;
    if (strcmp(source, destination) == 0) return PAIR_SAME;
    if (IsDuplicate(source, destination, rows, rowCount)) return PAIR_DUPLICATE;
    return PAIR_ACCEPTED;
}

PairRuleVerdict CheckRemovePair(int selectedRow, int rowCount)
{
    if (selectedRow < 0 || selectedRow >= rowCount) return PAIR_NOTHING_SELECTED;
    return PAIR_ACCEPTED;
}

const char* PairRuleMessage(PairRuleVerdict verdict)
{
    switch (verdict) {
    case PAIR_BLANK: return TEXT_RULE_BLANK;
    case PAIR_SAME: return TEXT_RULE_SAME;
    case PAIR_DUPLICATE: return TEXT_RULE_DUPLICATE;
    case PAIR_NOTHING_SELECTED: return TEXT_RULE_NOTHING_SELECTED;
    case PAIR_ACCEPTED: break;
    }
    return NULL;
}
