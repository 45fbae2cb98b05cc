// Building a plan and saying it: one load of the store, one look at its exact shape and
// write times, one question to the service manager.
#include <stdio.h>

#include "console/json_text.h"
#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "store/printable_text.h"
#include "resources/program_texts.h"

#define WHY_SIZE 256

PairRows ReadStoredRows(void)
{
    // Reading needs no rights to change: whether the store may be changed is asked of the
    // save's own path while planning.
    LoadPairTableWithAccess(KEY_READ);
    PairRows rows(PairTableCount);
    if (!CopyPairTableRows(rows.data(), KEY_NUMBER_ORDER)) FatalSettingsError();
    return rows;
}

static void NoteDetail(void* context, const char* difference)
{
    ((std::vector<std::string>*)context)->push_back(difference);
}

ListReading PlanReading(const PairsPlan& plan)
{
    return ListReading{&plan.stored, plan.storedExact, plan.newest, plan.newestKnown};
}

void BeginPlan(const CommandLine& line, bool restartAsked, PairsPlan* plan)
{
    plan->stored = ReadStoredRows();
    plan->storeDetails.clear();
    plan->storedExact = LookAtStoredList(plan->stored.data(), (int)plan->stored.size(), NoteDetail,
                                         &plan->storeDetails, &plan->newest, &plan->newestKnown);
    plan->serviceFound = FindRepeaterService(line.service, &plan->service, &plan->serviceWhy);
    plan->pending = FindPendingRestart(plan->serviceFound, plan->service, plan->serviceWhy, PlanReading(*plan));
    plan->restartAsked = restartAsked;
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
    plan->restart = plan->restartAsked && (plan->save || plan->pending.answer == PENDING_YES);
    char why[WHY_SIZE] = "";
    plan->refuse = plan->save && !StoreCanBeSaved(why, sizeof why);
    plan->unsavable = why;
}

int PlanExitCode(const PairsPlan& plan)
{
    if (plan.refuse) return PAIRS_STORE_UNUSABLE;
    return plan.save || plan.restart ? PAIRS_CHANGED : PAIRS_UNCHANGED;
}

// The pending restart when this run does not act on it by a save: acted on, or only said.
static std::string PendingLine(const PairsPlan& plan)
{
    if (plan.save) return "";
    if (plan.pending.answer == PENDING_YES)
        return plan.restart ? "restart the service: it started before the list was last written\n"
                            : "restart pending: the service started before the list was last written (--restart "
                              "restarts it)\n";
    if (plan.pending.answer == PENDING_UNKNOWN && plan.serviceFound)
        return "restart pending: cannot tell (" + PrintableText(plan.pending.why.c_str()) + ")\n";
    return "";
}

std::string PlanText(const PairsPlan& plan)
{
    std::string text = PairListChangeLines(plan.changes, [](const char* shown) { return PrintableText(shown); });
    if (plan.save)
        for (const std::string& detail : plan.storeDetails) text += "rewrite: " + PrintableText(detail.c_str()) + "\n";
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
