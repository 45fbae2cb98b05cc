// The sheet's save as a conversation: the save, the question when another program changed the
// pairs, the save again on Yes, and what the registry holds afterwards.
#include "editor/save_answers.h"

#include <stdio.h>
#include <string.h>

#include "editor/pair_list_changes.h"
#include "editor/save_events.h"
#include "service/restart_record.h"
#include "resources/diagnostic_texts.h"
#include "resources/program_texts.h"
#include "store/store_names.h"

#define ANSWER_TEXT_SIZE 1024

void BeginSheetSession(SheetSession* session, StoreReading* reading)
{
    session->base = reading->stamps;
    memset(&reading->stamps, 0, sizeof reading->stamps);
    session->known.assign(reading->rows, reading->rows + reading->pairCount);
    session->knownValid = true;
    session->knownExact = reading->differenceCount == 0;
    memset(&session->own, 0, sizeof session->own);
    memset(&session->held, 0, sizeof session->held);
    session->readerGrace = READER_GRACE_BY_SIZE;
}

// The full path of an old list left aside below the product key.
static void AsidePath(const char* aside, char* path, size_t size)
{
    snprintf(path, size, "HKEY_LOCAL_MACHINE\\%s\\%s", PRODUCT_KEY_PATH, aside);
}

static void TellLeftAside(const SaveAnswers* answers, const char* aside)
{
    char path[ANSWER_TEXT_SIZE / 2];
    AsidePath(aside, path, sizeof path);
    char text[ANSWER_TEXT_SIZE];
    snprintf(text, sizeof text, TEXT_SAVE_LEFT_ASIDE, path);
    answers->tell(text, false, answers->context);
}

// An old list another program wrote to after a save put it aside: a box and the audit trail.
static void TellAsideChanged(const SaveAnswers* answers, const char* aside)
{
    if (aside[0] == 0) return;
    char path[ANSWER_TEXT_SIZE / 2];
    AsidePath(aside, path, sizeof path);
    char text[ANSWER_TEXT_SIZE];
    snprintf(text, sizeof text, TEXT_SAVE_ASIDE_CHANGED, path);
    NoteAsideChanged(aside);
    answers->tell(text, false, answers->context);
}

// What the registry holds after a save that did not complete, or that stored the pairs but
// left part of an old list aside.
static void TellAftermath(const SaveAnswers* answers, const SaveResult& result)
{
    const char* aside = result.leftAside[0] != 0 ? result.leftAside : NULL;
    if (result.outcome == SAVE_FAILED && result.storeTouched && aside != NULL) {
        char path[ANSWER_TEXT_SIZE / 2];
        AsidePath(aside, path, sizeof path);
        char text[ANSWER_TEXT_SIZE];
        snprintf(text, sizeof text, TEXT_SAVE_ERROR_OLD_ASIDE, NETWORKS_REG_PATH, path);
        answers->tell(text, true, answers->context);
    } else if (result.outcome == SAVE_FAILED) {
        answers->tell(TEXT_SAVE_ERROR, true, answers->context);
    } else if (result.outcome == SAVE_DONE && aside != NULL) {
        TellLeftAside(answers, aside);
    }
}

// The key removal's diagnostics, where the configurator writes its diagnostics.
static void PrintNotes(const RemovalNotes& notes)
{
    for (int i = 0; i < notes.keysNotFound; ++i) printf(DIAGNOSTIC_KEY_NOT_FOUND);
    for (int i = 0; i < notes.keysNotOpened; ++i) printf(DIAGNOSTIC_KEY_NOT_OPENED);
}

// One save over `base`. An old list the session held goes first when its readers' grace is
// over, or is left to the save, without a wait on the window's thread; what the save found or
// wrote becomes the base of the next.
static SaveResult SaveOnce(const PairRowText* rows, int rowCount, SaveRequest* request, SheetSession* session,
                           const StampSet* base, const SaveAnswers* answers)
{
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    RemovalNotes earlier = {0, 0};
    RetireOldList(&session->held, 0, left, changed, &earlier);
    PrintNotes(earlier);
    TellAsideChanged(answers, changed);
    request->base = base;
    request->path = NULL;
    request->readerGrace = session->readerGrace;
    SaveResult result = answers->run != NULL ? answers->run(rows, rowCount, request, answers->context)
                                              : SavePairListOver(rows, rowCount, request);
    PrintNotes(result.notes);
    TellAsideChanged(answers, result.changedAside);
    if (!result.productKeyUsable) FatalSettingsError();
    session->held = result.held;
    memset(&result.held, 0, sizeof result.held);
    return result;
}

static unsigned long long Ticks(const FILETIME& time)
{
    return (unsigned long long)time.dwHighDateTime << 32 | time.dwLowDateTime;
}

// The newest write time a set of stamps holds: Networks' own and its pair keys'.
static bool NewestOf(const StampSet& stamps, FILETIME* newest)
{
    if (stamps.state != STAMPS_KNOWN || !stamps.ownKnown) return false;
    *newest = stamps.own;
    for (DWORD i = 0; i < stamps.count; ++i)
        if (Ticks(stamps.stamps[i].lastWrite) > Ticks(*newest)) *newest = stamps.stamps[i].lastWrite;
    return true;
}

bool SaveAnswering(const PairRowText* rows, int rowCount, SaveRequest* request, const SaveAnswers* answers,
                   SheetSession* session)
{
    // OK rewrites the list whether or not it changed; a rewrite of the very list the store
    // held is noted, so that the service that read it is not said to need a restart.
    FILETIME before;
    bool sameList = session->knownValid && session->knownExact && NewestOf(session->base, &before) &&
                    PairListUnchanged(ComparePairLists(session->known, std::vector<PairRowText>(rows, rows + rowCount)));
    SaveResult result = SaveOnce(rows, rowCount, request, session, &session->base, answers);
    if (result.outcome == SAVE_DONE && sameList && result.newestKnown) NoteSameListRewritten(before, result.newest);
    NoteSheetSave(session, result, rows, rowCount, false);
    // Yes replaces what the refused save found; when that changes again meanwhile, ask again.
    while (result.outcome == SAVE_STORE_CHANGED || result.outcome == SAVE_UNCHECKED) {
        bool yes = answers->ask(result.outcome == SAVE_STORE_CHANGED ? TEXT_STORE_CHANGED_QUESTION
                                                                     : TEXT_STORE_UNCHECKED_QUESTION,
                                answers->context);
        NoteSheetSaveQuestion(session, result.outcome, rows, rowCount, yes);
        if (!yes) break;
        // The administrator confirmed replacing what the refused save found; one that could
        // not be read is replaced whatever it holds.
        StampSet seen = result.next;
        memset(&result.next, 0, sizeof result.next);
        FreeSaveResult(&result);
        result = SaveOnce(rows, rowCount, request, session, seen.state == STAMPS_UNKNOWN ? NULL : &seen, answers);
        FreeStamps(&seen);
        NoteSheetSave(session, result, rows, rowCount, true);
    }
    TellAftermath(answers, result);
    // From a completed save on, the store is compared with what it wrote.
    if (result.outcome == SAVE_DONE) {
        session->knownExact = true;
        FreeStamps(&session->base);
        session->base = result.next;
        memset(&result.next, 0, sizeof result.next);
    }
    bool saved = result.outcome == SAVE_DONE;
    FreeSaveResult(&result);
    return saved;
}

void RetireAnswering(const SaveAnswers* answers, SheetSession* session)
{
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    RemovalNotes notes = {0, 0};
    RetireOldList(&session->held, READER_GRACE_WAIT_MAX_MS, left, changed, &notes);
    PrintNotes(notes);
    if (left[0] != 0) TellLeftAside(answers, left);
    TellAsideChanged(answers, changed);
}
