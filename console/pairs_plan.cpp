// Building a plan and saying it: one load of the store, one look at its exact shape and
// write times, one question to the service manager.
#include <stdio.h>

#include "console/errors_said.h"
#include "console/pairs_texts.h"
#include "console/errors_said.h"
#include "console/json_text.h"
#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "console/store_words.h"
#include "audit/printable_text.h"
#include "console/pairs_texts.h"

// Where an interrupted save left the lists, on standard error, whatever else is said.
static void SayInterruptedSave(const StoreReading& reading)
{
    std::string text = InterruptedSaveText(reading.interrupted);
    if (!text.empty()) fprintf(stderr, "%s\n", text.c_str());
}

bool ReadStoreSaying(StoreReadPurpose purpose, StoreReading* reading)
{
    bool read = ReadStore(purpose, reading);
    SayInterruptedSave(*reading);
    if (read) return true;
    SayError(StoreProblemText(reading->problem), ProblemKeyPath(reading->problem));
    return false;
}

PairRows StoredRows(const StoreReading& reading)
{
    return PairRows(reading.rows, reading.rows + reading.pairCount);
}

ListReading PlanReading(const PairsPlan& plan)
{
    return ListReading{&plan.stored, plan.storedExact, plan.reading.newest, plan.reading.newestKnown,
                       &plan.reading.path};
}

bool BeginPlan(const CommandLine& line, bool restartAsked, StoreReadPurpose purpose, PairsPlan* plan)
{
    bool read = ReadStore(purpose, &plan->reading);
    SayInterruptedSave(plan->reading);
    if (!read) return false;
    plan->stored = StoredRows(plan->reading);
    plan->storeDetails.clear();
    for (DWORD i = 0; i < plan->reading.differenceCount; ++i)
        plan->storeDetails.push_back(DifferenceText(plan->reading.differences[i]));
    plan->storedExact = plan->reading.differenceCount == 0;
    plan->serviceFound = FindRepeaterService(line.service, &plan->service, &plan->serviceWhy);
    plan->pending = FindPendingRestart(plan->serviceFound, plan->service, plan->serviceWhy, PlanReading(*plan));
    plan->restartAsked = restartAsked;
    return true;
}

void EndPlan(PairsPlan* plan)
{
    FreeStoreReading(&plan->reading);
}

void FinishPlan(const PairRows& wanted, const std::string& nothingText, PairsPlan* plan)
{
    plan->wanted = wanted;
    plan->nothingText = nothingText;
    plan->changes = ComparePairLists(plan->stored, wanted);
    plan->exact = plan->storedExact && PairListUnchanged(plan->changes);
    plan->save = !plan->exact;
    // After a save the service is restarted when asked, whatever it ran; without one, only
    // when it runs an older list.
    // A running service whose reading cannot be told may run an older list: restarting it
    // costs seconds, believing it current costs the network.
    bool pending = plan->pending.answer == PENDING_YES || (plan->pending.answer == PENDING_UNKNOWN && plan->serviceFound);
    plan->restart = plan->restartAsked && (plan->save || pending);
    // The reading asked whether a save may change the store, on the save's own path.
    plan->refuse = plan->save && plan->reading.unsavable.trouble != STORE_FINE;
    plan->unsavable = plan->refuse ? UnsavableText(plan->reading.unsavable) : "";
}

int PlanExitCode(const PairsPlan& plan)
{
    // A store whose keys this account may not use is unusable; the save's own keys beside it
    // failing it is a save that cannot be made.
    if (plan.refuse) return plan.reading.unsavable.key == STORE_KEY_ASIDE ? PAIRS_SAVE_FAILED : PAIRS_STORE_UNUSABLE;
    return plan.save || plan.restart ? PAIRS_CHANGED : PAIRS_UNCHANGED;
}

// The pending restart when this run does not act on it by a save: acted on, or only said.
static std::string PendingLine(const PairsPlan& plan)
{
    if (plan.save) return "";
    if (plan.pending.answer == PENDING_YES)
        return plan.restart ? TEXT_PAIRS_RESTART_DUE "\n" : TEXT_PAIRS_RESTART_PENDING "\n";
    if (plan.pending.answer == PENDING_UNKNOWN && plan.serviceFound)
        return Worded(plan.restart ? TEXT_PAIRS_RESTART_UNTOLD : TEXT_PAIRS_PENDING_UNTOLD,
                      PrintableText(plan.pending.why.c_str()).c_str()) +
               "\n";
    return "";
}

std::string PlanText(const PairsPlan& plan)
{
    std::string text = PairListChangeLines(plan.changes, [](const char* shown) { return PrintableText(shown); });
    if (plan.save)
        for (const std::string& detail : plan.storeDetails) text += "rewrite: " + PrintableText(detail.c_str()) + "\n";
    std::string building = BuildingBlockedLine(plan.reading.buildingBlocked);
    if (plan.save && !building.empty()) text += building + "\n";
    std::string stays = LeftoverStaysLine(plan.reading.leftoverStays);
    if (plan.save && !stays.empty()) text += stays + "\n";
    if (plan.save && plan.reading.security.pairsDiffer) text += TEXT_PAIRS_PAIR_SECURITY_DIFFERS "\n";
    if (!plan.save && !plan.restart) text += plan.nothingText + "\n";
    return text + PendingLine(plan);
}

static std::string PairsJson(const PairRows& pairs)
{
    std::string json = "[";
    for (size_t i = 0; i < pairs.size(); ++i)
        json += std::string(i ? "," : "") + "{\"source\":" + JsonString(pairs[i].source) +
                ",\"destination\":" + JsonString(pairs[i].destination) + "}";
    return json + "]";
}

std::string PendingJson(const PendingRestart& pending)
{
    const char* answers[] = {"false", "true", "null"};
    return std::string("\"restartPending\":") + answers[pending.answer] +
           ",\"restartPendingHow\":" + JsonString(pending.how);
}

std::string PlanJson(const PairsPlan& plan)
{
    std::string details = "[";
    for (size_t i = 0; plan.save && i < plan.storeDetails.size(); ++i)
        details += std::string(i ? "," : "") + JsonString(plan.storeDetails[i].c_str());
    bool converged = !plan.save && !plan.restart;
    return std::string("{\"converged\":") + (converged ? "true" : "false") + ",\"add\":" + PairsJson(plan.changes.added) +
           ",\"remove\":" + PairsJson(plan.changes.removed) + ",\"reorder\":" + (plan.changes.reordered ? "true" : "false") +
           ",\"store\":" + details + "]," + PendingJson(plan.pending) + "}\n";
}
