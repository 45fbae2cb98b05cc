// Turning words into a list, and checking a list pair by pair as the page's Add would.
#include <stdio.h>
#include <string.h>

#include "console/errors_said.h"
#include "console/address_arguments.h"
#include "console/pairs_commands.h"
#include "audit/printable_text.h"
#include "console/wanted_list.h"
#include "editor/pair_rules.h"
#include "console/pairs_texts.h"

#define REASON_SIZE 512

// A pair asked for twice, either way round.
static void SayDuplicate(const PairRowText& row)
{
    char text[REASON_SIZE];
    snprintf(text, sizeof text, TEXT_PAIRS_DUPLICATE_PAIR, PrintableText(row.source).c_str(),
             PrintableText(row.destination).c_str());
    SayError(text, std::string(row.source) + " " + row.destination);
}

int CheckWantedList(const std::vector<PairRowText>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        PairRuleVerdict verdict = CheckAddPair(rows[i].source, rows[i].destination, rows.data(), (int)i);
        if (verdict == PAIR_ACCEPTED) continue;
        if (verdict == PAIR_DUPLICATE) SayDuplicate(rows[i]);
        else SayError(PairRuleMessage(verdict), std::string(rows[i].source) + " " + rows[i].destination);
        return PAIRS_REFUSED;
    }
    return PAIRS_UNCHANGED;
}

bool ResolveWord(const OwnAddresses& own, const char* word, bool mustBeLocal, char* address, int* exitCode)
{
    char why[REASON_SIZE];
    if (word[0] == 0) {
        // A blank side is the rule's to refuse, as the page refuses it.
        SayError(PairRuleMessage(PAIR_BLANK), word);
        *exitCode = PAIRS_REFUSED;
        return false;
    }
    AddressResolution resolution = ResolveAddressArgument(own, word, mustBeLocal, address, why, sizeof why);
    if (resolution == ADDRESS_RESOLVED) return true;
    // A word that names nothing here is answered with what does.
    bool elsewhere = resolution == ADDRESS_MALFORMED || (IsAddressText(word) && mustBeLocal);
    std::string known = elsewhere ? "\n" + ThisComputersAddressesText(own) : "";
    bool quoted = word[0] == '\'' || word[strlen(word) - 1] == '\'';
    if (quoted) known += "\n" TEXT_PAIRS_QUOTING;
    if (resolution == ADDRESS_MALFORMED) {
        SayError(why + known, word);
        SayUsageHint();
        *exitCode = PAIRS_USAGE;
    } else {
        SayError(why + known, word);
        *exitCode = PAIRS_REFUSED;
    }
    return false;
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
