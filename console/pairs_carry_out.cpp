// Carrying out a plan: the save, the record of which service process read what, and the
// restart, each said once, in that order.
#include <stdio.h>
#include <string.h>

#include "console/errors_said.h"
#include "console/pairs_commands.h"
#include "console/pairs_plan.h"
#include "console/run_events.h"
#include "console/store_words.h"
#include "audit/printable_text.h"
#include "store/store_names.h"
#include "console/pairs_texts.h"

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
static std::string AsidePath(const char* aside)
{
    return std::string("HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\") + aside;
}

// What a save that did not complete left, on standard error and in the log: nearly always the
// old list as it was.
static std::string NotSavedText(const SaveResult& result)
{
    if (!result.storeTouched || result.leftAside[0] == 0) return TEXT_PAIRS_NOT_SAVED;
    char text[1024];
    snprintf(text, sizeof text, TEXT_PAIRS_NOT_SAVED_OLD_ASIDE, StoreShownAs().c_str(), AsidePath(result.leftAside).c_str());
    return text;
}

// An old list another program wrote to after a save put it aside: said, and logged.
static std::string SayAsideChanged(const CommandLine& line, const char* aside)
{
    if (aside[0] == 0) return "";
    char text[1024];
    snprintf(text, sizeof text, TEXT_PAIRS_ASIDE_CHANGED, AsidePath(aside).c_str());
    fprintf(stderr, "%s\n", text);
    LogRun(line, LIST_EVENT_REFUSED, -1, -1, "", text);
    return text;
}

// The old list the save swapped out: removed here when its readers' grace ends within half a
// second, else left, marked, for the next save of either program; nobody waits for readers.
static std::string RetireAside(const CommandLine& line, const PairsPlan& plan, SaveResult* result)
{
    // A leftover the plan said stays is not said again.
    if (strcmp(result->leftAside, plan.reading.leftoverStays.keyName) == 0) result->leftAside[0] = 0;
    char left[ASIDE_NAME_SIZE] = "", changed[ASIDE_NAME_SIZE] = "";
    RemovalNotes notes = {0, 0};
    RetireOldList(&result->held, READER_GRACE_WAIT_MAX_MS, left, changed, &notes);
    SayRemovalNotes(notes);
    SayAsideChanged(line, result->changedAside);
    SayAsideChanged(line, changed);
    if (left[0] == 0 && result->leftAside[0] == 0) return "";
    char text[1024];
    snprintf(text, sizeof text, TEXT_PAIRS_LEFT_ASIDE, AsidePath(result->leftAside[0] ? result->leftAside : left).c_str());
    fprintf(stderr, "%s\n", text);
    return text;
}

// The save, said once on standard error when it did not complete, and logged either way.
static int Save(const CommandLine& line, PairsPlan& plan, SaveResult* result)
{
    // The store must still be what the plan read, or another writer's work would be lost.
    SaveRequest request = {&plan.reading.stamps, &plan.reading.path, NULL, NoteLock, NULL, READER_GRACE_BY_SIZE,
                           &plan.reading.security};
    *result = SavePairListOver(plan.wanted.data(), (int)plan.wanted.size(), &request);
    // The key removal's diagnostics are diagnostics: standard output is the result.
    SayRemovalNotes(result->notes);
    int before = (int)plan.stored.size(), after = (int)plan.wanted.size();
    std::string changes = ChangeLines(plan);
    int exitCode = PAIRS_SAVE_FAILED;
    switch (result->outcome) {
    case SAVE_DONE: {
        // The list is saved; an old tree that stayed aside is said, and does not fail the run.
        std::string aside = RetireAside(line, plan, result);
        LogRun(line, LIST_EVENT_SAVED, before, after, changes, aside);
        exitCode = PAIRS_CHANGED;
        break;
    }
    case SAVE_STORE_CHANGED:
        SayError(TEXT_PAIRS_STORE_CHANGED, NETWORKS_REG_PATH);
        LogRun(line, LIST_EVENT_REFUSED, before, -1, changes,
               TEXT_PAIRS_EVENT_CHANGED_FIRST);
        exitCode = PAIRS_STORE_CHANGED;
        break;
    case SAVE_UNCHECKED:
        SayError(TEXT_PAIRS_STORE_UNCHECKED, NETWORKS_REG_PATH);
        LogRun(line, LIST_EVENT_REFUSED, before, before, changes,
               TEXT_PAIRS_EVENT_UNCHECKED);
        exitCode = PAIRS_STORE_UNCHECKED;
        break;
    default: {
        std::string text = NotSavedText(*result);
        if (result->failure.trouble != STORE_FINE) text += "\n" + SaveStoppedText(result->failure);
        SayError(text, ProblemKeyPath(result->failure));
        LogRun(line, LIST_EVENT_FAILED, before, result->storeTouched ? -1 : before, changes, text);
        break;
    }
    }
    return exitCode;
}

RestartResult RestartAndLog(const CommandLine& line, int pairs)
{
    std::string what;
    RestartResult restarted = RestartRepeaterService(line.service, &what);
    if (restarted == RESTART_FAILED) SayError(what, line.service.empty() ? REPEATER_DISPLAY_NAME : line.service);
    else SayToPerson(what + "\n");
    // A stopped service stays stopped: nothing happened to it, and nothing is logged.
    if (restarted != LEFT_STOPPED)
        LogRun(line, restarted == RESTARTED ? LIST_EVENT_RESTARTED : LIST_EVENT_NOT_RESTARTED, pairs, pairs, "", what);
    return restarted;
}

int RunPlan(const CommandLine& line, PairsPlan& plan, bool dryRun)
{
    if (plan.refuse) {
        char text[2048];
        snprintf(text, sizeof text, TEXT_PAIRS_STORE_UNSAVABLE, StoreShownAs().c_str(), plan.unsavable.c_str());
        SayError(text, ProblemKeyPath(plan.reading.unsavable));
        return PlanExitCode(plan);
    }
    SayToPerson(PlanText(plan));
    if (dryRun || (!plan.save && !plan.restart)) return PlanExitCode(plan);
    FILETIME written = plan.reading.newest;
    bool writtenKnown = plan.reading.newestKnown;
    if (plan.save) {
        SaveResult result;
        int saved = Save(line, plan, &result);
        written = result.newest;
        writtenKnown = result.newestKnown;
        FreeSaveResult(&result);
        if (saved != PAIRS_CHANGED) return saved;
        RecordSavedList(plan.service, plan.serviceFound, PlanReading(plan), plan.pending, writtenKnown ? &written : NULL);
    }
    if (!plan.restart) {
        SayToPerson(TEXT_PAIRS_RESTART_NOTICE "\n");
        return PAIRS_CHANGED;
    }
    RestartResult restarted = RestartAndLog(line, (int)plan.wanted.size());
    if (restarted == RESTART_FAILED) return PAIRS_NOT_RESTARTED;
    // The new process read the list as it stands now: exactly the wanted one.
    ListReading now = {&plan.wanted, plan.save || plan.storedExact, written, writtenKnown, &plan.reading.path};
    if (restarted == RESTARTED) RecordRestartedService(line.service, now);
    return PAIRS_CHANGED;
}
