// Turning words into a list, and checking a list pair by pair as the page's Add would.
#include <stdio.h>

#include "console/address_arguments.h"
#include "console/pairs_commands.h"
#include "store/printable_text.h"
#include "console/wanted_list.h"
#include "editor/pair_rules.h"
#include "console/pairs_texts.h"

#define REASON_SIZE 512

int CheckWantedList(const std::vector<PairRowText>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        PairRuleVerdict verdict = CheckAddPair(rows[i].source, rows[i].destination, rows.data(), (int)i);
        if (verdict == PAIR_ACCEPTED) continue;
        if (verdict == PAIR_DUPLICATE)
            fprintf(stderr, TEXT_PAIRS_DUPLICATE_PAIR "\n", PrintableText(rows[i].source).c_str(),
                    PrintableText(rows[i].destination).c_str());
        else
            fprintf(stderr, "%s\n", PairRuleMessage(verdict));
        return PAIRS_REFUSED;
    }
    return PAIRS_UNCHANGED;
}

bool ResolveWord(const OwnAddresses& own, const char* word, bool mustBeLocal, char* address, int* exitCode)
{
    char why[REASON_SIZE];
    if (word[0] == 0) {
        // A blank side is the rule's to refuse, as the page refuses it.
        fprintf(stderr, "%s\n", PairRuleMessage(PAIR_BLANK));
        *exitCode = PAIRS_REFUSED;
        return false;
    }
    switch (ResolveAddressArgument(own, word, mustBeLocal, address, why, sizeof why)) {
    case ADDRESS_RESOLVED: return true;
    case ADDRESS_MALFORMED:
        fprintf(stderr, "%s\n%s\n", why, TEXT_PAIRS_USAGE_HINT);
        *exitCode = PAIRS_USAGE;
        return false;
    default:
        fprintf(stderr, "%s\n", why);
        *exitCode = PAIRS_REFUSED;
        return false;
    }
}

bool WantedFromWords(const OwnAddresses& own, const std::vector<const char*>& words, std::vector<PairRowText>* rows,
                     int* exitCode)
{
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
        PairRowText pair;
        if (!ResolveWord(own, words[i], true, pair.source, exitCode) ||
            !ResolveWord(own, words[i + 1], true, pair.destination, exitCode))
            return false;
        rows->push_back(pair);
    }
    *exitCode = CheckWantedList(*rows);
    return *exitCode == PAIRS_UNCHANGED;
}
