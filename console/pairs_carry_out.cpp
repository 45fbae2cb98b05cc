// Carrying out a plan: the save, the record of which service process read what, and the
// restart, each said once, in that order.
#include <stdio.h>

#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "console/run_events.h"
#include "store/printable_text.h"
#include "store/store_names.h"
#include "resources/program_texts.h"

// The save's words about its lock, on standard error: a script's log shows why a run waited.
static void NoteLock(SaveLockNote note, void*)
{
    const char* texts[] = {TEXT_PAIRS_LOCK_WAITING, TEXT_PAIRS_LOCK_TIMED_OUT, TEXT_PAIRS_LOCK_NAME_TAKEN,
                           TEXT_PAIRS_LOCK_UNAVAILABLE};
    fprintf(stderr, "%s\n", texts[note]);
}

// The changes a save makes, as the plan says them: the audit trail's words.
static std::string ChangeLines(const PairsPlan& plan)
{
    std::string lines = PairListChangeLines(plan.changes, [](const char* text) { return PrintableText(text); });
    for (const std::string& detail : plan.storeDetails) lines += "rewrite: " + PrintableText(detail.c_str()) + "\n";
    return lines;
}

// Where an old list the save left aside is, as a person would look it up.
static std::string AsidePath(void)
{
    return std::string("HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\") + SaveLeftOldListAside();
}

// What a save that did not complete left, on standard error and in the log: nearly always the
// old list as it was.
static std::string NotSavedText(void)
{
    if (!SaveTouchedStore() || SaveLeftOldListAside() == NULL) return TEXT_PAIRS_NOT_SAVED;
    char text[1024];
    snprintf(text, sizeof text, TEXT_PAIRS_NOT_SAVED_OLD_ASIDE, StoreShownAs().c_str(), AsidePath().c_str());
    return text;
}

// The save, said once on standard error when it did not complete, and logged either way.
static int Save(const CommandLine& line, const PairsPlan& plan)
{
    // The key removal's diagnostics are diagnostics: standard output is the result. The
    // store must still be what the plan read, or another writer's work would be lost.
    SaveRequest request = {SAVE_OVER_LAST_READ, stderr, NULL, NoteLock, NULL, false};
    SaveOutcome outcome = SavePairListChecked(plan.wanted.data(), (int)plan.wanted.size(), &request);
    int before = (int)plan.stored.size(), after = (int)plan.wanted.size();
    std::string changes = ChangeLines(plan);
    switch (outcome) {
    case SAVE_DONE: {
        // The list is saved; an old tree that stayed aside is said, and does not fail the run.
        std::string aside;
        if (SaveLeftOldListAside() != NULL) {
            char text[1024];
            snprintf(text, sizeof text, TEXT_PAIRS_LEFT_ASIDE, AsidePath().c_str());
            aside = text;
            fprintf(stderr, "%s\n", text);
        }
        LogRun(line, LIST_EVENT_SAVED, before, after, changes, aside);
        return PAIRS_CHANGED;
    }
    case SAVE_STORE_CHANGED:
        fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_CHANGED);
        LogRun(line, LIST_EVENT_REFUSED, before, -1, changes,
               "Another program changed the list first: its change was kept, and this command was not retried (exit 6).");
        return PAIRS_STORE_CHANGED;
    case SAVE_UNCHECKED:
        fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_UNCHECKED);
        LogRun(line, LIST_EVENT_REFUSED, before, before, changes,
               "Whether another program changed the list could not be read: nothing was changed (exit 8).");
        return PAIRS_STORE_UNCHECKED;
    default: {
        std::string text = NotSavedText();
        fprintf(stderr, "%s\n", text.c_str());
        LogRun(line, LIST_EVENT_FAILED, before, SaveTouchedStore() ? -1 : before, changes, text);
        return PAIRS_SAVE_FAILED;
    }
    }
}

RestartResult RestartAndLog(const CommandLine& line, int pairs)
{
    std::string what;
    RestartResult restarted = RestartRepeaterService(line.service, &what);
    fprintf(restarted == RESTART_FAILED ? stderr : stdout, "%s\n", what.c_str());
    // A stopped service stays stopped: nothing happened to it, and nothing is logged.
    if (restarted != LEFT_STOPPED)
        LogRun(line, restarted == RESTARTED ? LIST_EVENT_RESTARTED : LIST_EVENT_NOT_RESTARTED, pairs, pairs, "", what);
    return restarted;
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
        int saved = Save(line, plan);
        if (saved != PAIRS_CHANGED) return saved;
        RecordSavedList(plan.service, plan.serviceFound, PlanReading(plan), plan.pending);
    }
    if (!plan.restart) {
        printf("%s\n", TEXT_RESTART_NOTICE);
        return PAIRS_CHANGED;
    }
    RestartResult restarted = RestartAndLog(line, (int)plan.wanted.size());
    if (restarted == RESTART_FAILED) return PAIRS_NOT_RESTARTED;
    // The new process read the list as it stands now: exactly the wanted one.
    if (restarted == RESTARTED) RecordRestartedService(line.service, plan.wanted, true);
    return PAIRS_CHANGED;
}
