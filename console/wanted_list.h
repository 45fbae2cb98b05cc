// The list a command asks for, under the configurator's rules: from words on the command
// line (addresses or adapter names of this computer) or from a file's texts.
#pragma once

#include <vector>

#include "net/adapters.h"
#include "store/store.h"

// Every pair under the Add rules against the pairs before it. PAIRS_UNCHANGED when all pass;
// else PAIRS_REFUSED, having said which pair and why on standard error.
int CheckWantedList(const std::vector<PairRowText>& rows);

// One side of a pair from a word; false, having said why, with the exit code.
bool ResolveWord(const OwnAddresses& own, const char* word, bool mustBeLocal, char* address, int* exitCode);

// The pairs that SOURCE DESTINATION words name, each side this computer's; false, having
// said why, with the exit code: a word that is neither an address nor an adapter is a usage
// error, one a rule refuses is refused.
bool WantedFromWords(const OwnAddresses& own, const std::vector<const char*>& words, std::vector<PairRowText>* rows,
                     int* exitCode);
