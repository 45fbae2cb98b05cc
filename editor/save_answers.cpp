// The sheet's save as a conversation: the save, the question when another program changed the
// pairs, the save again on Yes, and what the registry holds afterwards.
#include "editor/save_answers.h"

#include <stdio.h>

#include "editor/save_events.h"
#include "resources/program_texts.h"
#include "store/store_names.h"

#define ANSWER_TEXT_SIZE 1024

// The full path of the old list a save left aside, or NULL for none.
static const char* AsidePath(char* path, size_t size)
{
    const char* aside = SaveLeftOldListAside();
    if (aside == NULL) return NULL;
    snprintf(path, size, "HKEY_LOCAL_MACHINE\\%s\\%s", PRODUCT_KEY_PATH, aside);
    return path;
}

static void TellLeftAside(const SaveAnswers* answers, const char* asidePath)
{
    char text[ANSWER_TEXT_SIZE];
    snprintf(text, sizeof text, TEXT_SAVE_LEFT_ASIDE, asidePath);
    answers->tell(text, false, answers->context);
}

// What the registry holds after a save that did not complete, or that stored the pairs but
// left part of an old list aside.
static void TellAftermath(const SaveAnswers* answers, SaveOutcome outcome)
{
    char asidePath[ANSWER_TEXT_SIZE / 2];
    const char* aside = AsidePath(asidePath, sizeof asidePath);
    if (outcome == SAVE_FAILED && SaveTouchedStore() && aside != NULL) {
        char text[ANSWER_TEXT_SIZE];
        snprintf(text, sizeof text, TEXT_SAVE_ERROR_OLD_ASIDE, NETWORKS_REG_PATH, aside);
        answers->tell(text, true, answers->context);
    } else if (outcome == SAVE_FAILED) {
        answers->tell(TEXT_SAVE_ERROR, true, answers->context);
    } else if (outcome == SAVE_DONE && aside != NULL) {
        TellLeftAside(answers, aside);
    }
}

bool SaveAnswering(const PairRowText* rows, int rowCount, SaveRequest* request, const SaveAnswers* answers)
{
    request->base = SAVE_OVER_LAST_READ;
    SaveOutcome outcome = SavePairListChecked(rows, rowCount, request);
    NoteSheetSave(outcome, rows, rowCount, false);
    // Yes replaces what the refused save found; when that changes again meanwhile, ask again.
    while (outcome == SAVE_STORE_CHANGED || outcome == SAVE_UNCHECKED) {
        bool yes = answers->ask(outcome == SAVE_STORE_CHANGED ? TEXT_STORE_CHANGED_QUESTION : TEXT_STORE_UNCHECKED_QUESTION,
                                answers->context);
        NoteSheetSaveQuestion(outcome, rows, rowCount, yes);
        if (!yes) break;
        request->base = SAVE_OVER_LAST_SEEN;
        outcome = SavePairListChecked(rows, rowCount, request);
        NoteSheetSave(outcome, rows, rowCount, true);
    }
    TellAftermath(answers, outcome);
    return outcome == SAVE_DONE;
}

void RetireAnswering(const SaveAnswers* answers)
{
    char asidePath[ANSWER_TEXT_SIZE / 2];
    if (!RetireOldLists() && AsidePath(asidePath, sizeof asidePath) != NULL) TellLeftAside(answers, asidePath);
}
