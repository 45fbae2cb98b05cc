// The commands that may change the list: each works out the list it wants, then hands it to
// one plan. check answers for "set" (or "import") with --restart, and changes nothing.
#include <stdio.h>

#include "console/errors_said.h"
#include "console/command_handlers.h"
#include "console/import_file.h"
#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "console/store_words.h"
#include "console/wanted_list.h"
#include "editor/pair_rules.h"
#include "net/own_addresses.h"
#include "console/pairs_texts.h"

#define REASON_SIZE 512

static int Converge(const CommandLine& line, const PairRows& wanted, const std::string& nothingText, PairsPlan* plan)
{
    FinishPlan(wanted, nothingText, plan);
    int exitCode = RunPlan(line, *plan, line.whatIf);
    EndPlan(plan);
    return exitCode;
}

// The first half of a plan for a command that may change the list; false, having said why,
// with the exit code: a store that cannot be used, or a --service that names no service (a
// run that could not know the service's list would say "as asked" for ever).
static bool Begin(const CommandLine& line, bool restartAsked, PairsPlan* plan, int* exitCode)
{
    bool begun = BeginPlan(line, restartAsked, READ_TO_CHANGE, plan);
    *exitCode = begun ? PAIRS_NO_SERVICE : PAIRS_STORE_UNUSABLE;
    if (begun && (line.service.empty() || plan->serviceFound || !plan->service.missing)) return true;
    if (begun) SayError(plan->serviceWhy, line.service);
    else SayError(StoreProblemText(plan->reading.problem), ProblemKeyPath(plan->reading.problem));
    EndPlan(plan);
    return false;
}

// The pair a command's two words name; false, having said why, with the exit code.
static bool ResolvePairWords(const CommandLine& line, const OwnAddresses& own, bool mustBeLocal, PairRowText* pair,
                             int* exitCode)
{
    return ResolveWord(own, line.words[0], mustBeLocal, pair->source, exitCode) &&
           ResolveWord(own, line.words[1], mustBeLocal, pair->destination, exitCode);
}

int AddPair(const CommandLine& line, const OwnAddresses& own)
{
    PairRowText pair;
    int exitCode;
    if (!ResolvePairWords(line, own, true, &pair, &exitCode)) return exitCode;
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    PairRuleVerdict verdict = CheckAddPair(pair.source, pair.destination, plan.stored.data(), (int)plan.stored.size());
    // A pair already in the list is what was asked for: running the same add again is safe.
    if (verdict == PAIR_DUPLICATE) {
        char already[REASON_SIZE];
        snprintf(already, sizeof already, TEXT_PAIRS_ALREADY_STORED, pair.source, pair.destination);
        return Converge(line, plan.stored, already, &plan);
    }
    if (verdict != PAIR_ACCEPTED) {
        SayError(PairRuleMessage(verdict), std::string(pair.source) + " " + pair.destination);
        EndPlan(&plan);
        return PAIRS_REFUSED;
    }
    PairRows wanted = plan.stored;
    wanted.push_back(pair);
    return Converge(line, wanted, TEXT_PAIRS_ALREADY_SO, &plan);
}

int RemovePair(const CommandLine& line, const OwnAddresses& own)
{
    // A stored pair may name an address this computer no longer has: any address will do.
    PairRowText pair;
    int exitCode;
    if (!ResolvePairWords(line, own, false, &pair, &exitCode)) return exitCode;
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    PairRows kept;
    for (const PairRowText& row : plan.stored)
        if (!IsDuplicate(pair.source, pair.destination, &row, 1)) kept.push_back(row);
    char notStored[REASON_SIZE];
    snprintf(notStored, sizeof notStored, TEXT_PAIRS_NOT_STORED, pair.source, pair.destination);
    return Converge(line, kept, kept.size() == plan.stored.size() ? notStored : TEXT_PAIRS_ALREADY_SO, &plan);
}

int SetPairs(const CommandLine& line, const OwnAddresses& own)
{
    PairRows wanted;
    int exitCode;
    if (!WantedFromWords(own, line.words, &wanted, &exitCode)) return exitCode;
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    return Converge(line, wanted, TEXT_PAIRS_ALREADY_SO, &plan);
}

int ClearPairs(const CommandLine& line, const OwnAddresses&)
{
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    return Converge(line, PairRows(), TEXT_PAIRS_ALREADY_SO, &plan);
}

int ImportPairs(const CommandLine& line, const OwnAddresses&)
{
    PairRows wanted;
    int exitCode;
    if (!ReadImportFile(line.words[0], &wanted, &exitCode)) return exitCode;
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    return Converge(line, wanted, TEXT_PAIRS_ALREADY_SO, &plan);
}

// Removes the pairs that name an address this computer does not have now, keeping the others
// in their order. Refused when the addresses cannot be read: that is not "none".
int PrunePairs(const CommandLine& line, const OwnAddresses& own)
{
    if (!OwnAddressesKnown(own)) {
        SayError(TEXT_PAIRS_ADDRESSES_UNKNOWN);
        return PAIRS_ADDRESSES_UNKNOWN;
    }
    PairsPlan plan;
    int begun;
    if (!Begin(line, line.restart, &plan, &begun)) return begun;
    PairRows kept;
    for (const PairRowText& row : plan.stored) {
        const char* missing[2];
        if (MissingPairAddresses(own, row.source, row.destination, missing) == 0) kept.push_back(row);
    }
    return Converge(line, kept, kept.size() == plan.stored.size() ? TEXT_PAIRS_NONE_STALE : TEXT_PAIRS_ALREADY_SO, &plan);
}

int CheckPairs(const CommandLine& line, const OwnAddresses& own)
{
    PairRows wanted;
    int exitCode;
    if (line.fileGiven ? !ReadImportFile(line.file.c_str(), &wanted, &exitCode)
                       : !WantedFromWords(own, line.words, &wanted, &exitCode))
        return exitCode;
    PairsPlan plan;
    int begun;
    if (!Begin(line, true, &plan, &begun)) return begun;
    FinishPlan(wanted, TEXT_PAIRS_CONVERGED, &plan);
    int answer = PlanExitCode(plan);
    if (!line.json || plan.refuse) answer = RunPlan(line, plan, true);
    else fputs(PlanJson(plan).c_str(), stdout);
    EndPlan(&plan);
    return answer;
}
