// Carrying out a plan: the save, the record of which service process read what, and the
// restart, each said once, in that order.
#include <stdio.h>

#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "resources/program_texts.h"

// The save's words about its lock, on standard error: a script's log shows why a run waited.
static void NoteLock(SaveLockNote note, void*)
{
    const char* texts[] = {TEXT_PAIRS_LOCK_WAITING, TEXT_PAIRS_LOCK_TIMED_OUT, TEXT_PAIRS_LOCK_NAME_TAKEN,
                           TEXT_PAIRS_LOCK_UNAVAILABLE};
    fprintf(stderr, "%s\n", texts[note]);
}

static int Save(const PairRows& rows)
{
    // The key removal's diagnostics are diagnostics: standard output is the result. The
    // store must still be what the plan read, or another writer's work would be lost.
    SaveRequest request = {SAVE_OVER_LAST_READ, stderr, NULL, NoteLock, NULL};
    switch (SavePairListChecked(rows.data(), (int)rows.size(), &request)) {
    case SAVE_DONE: return PAIRS_CHANGED;
    case SAVE_STORE_CHANGED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_CHANGED); return PAIRS_STORE_CHANGED;
    case SAVE_UNCHECKED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_UNCHECKED); return PAIRS_STORE_UNCHECKED;
    default: fprintf(stderr, "%s\n", TEXT_PAIRS_NOT_SAVED); return PAIRS_SAVE_FAILED;
    }
}

int RunPlan(const CommandLine& line, const PairsPlan& plan, bool dryRun)
{
    if (plan.refuse) {
        fprintf(stderr, TEXT_PAIRS_STORE_UNSAVABLE "\n", StoreShownAs().c_str(), plan.unsavable.c_str());
        return PAIRS_STORE_UNUSABLE;
    }
    fputs(PlanText(plan).c_str(), stdout);
    if (dryRun || (!plan.save && !plan.restart)) return PlanExitCode(plan);
    if (plan.save) {
        int saved = Save(plan.wanted);
        if (saved != PAIRS_CHANGED) return saved;
        RecordSavedList(plan.service, plan.serviceFound, PlanReading(plan), plan.pending);
    }
    if (!plan.restart) {
        printf("%s\n", TEXT_RESTART_NOTICE);
        return PAIRS_CHANGED;
    }
    std::string what;
    RestartResult restarted = RestartRepeaterService(line.service, &what);
    if (restarted == RESTART_FAILED) {
        fprintf(stderr, "%s\n", what.c_str());
        return PAIRS_NOT_RESTARTED;
    }
    printf("%s\n", what.c_str());
    // The new process read the list as it stands now: exactly the wanted one.
    if (restarted == RESTARTED) RecordRestartedService(line.service, plan.wanted, true);
    return PAIRS_CHANGED;
}
