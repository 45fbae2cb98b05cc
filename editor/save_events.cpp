// The configurator's events, with the same difference lines as the companion's.
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "editor/save_events.h"
#include "audit/change_events.h"
#include "editor/pair_list_changes.h"
#include "resources/program_texts.h"
#include "audit/printable_text.h"

#define CONFIGURATOR_NAME "mDNSConfig"

static void Report(ListEvent event, int before, int after, const std::string& changes, const std::string& detail)
{
    ListEventReport report = {event, CONFIGURATOR_NAME, before, after, changes, detail};
    DWORD error;
    ReportListEvent(report, &error);  // the configurator's boxes say nothing more: lost events stay unsaid
}

// The words of a saved list's event beyond its changes.
static std::string SavedDetail(const SaveResult& result, bool overAnotherChange)
{
    std::string detail = overAnotherChange ? TEXT_EVENT_REPLACED_ANOTHER : "";
    const char* aside = result.leftAside;
    if (aside[0] == 0) return detail;
    char leftAside[512];
    snprintf(leftAside, sizeof leftAside, TEXT_EVENT_LEFT_ASIDE, aside);
    return detail + (detail.empty() ? "" : " ") + leftAside;
}

void NoteSheetSave(SheetSession* session, const SaveResult& result, const PairRowText* rows, int rowCount,
                   bool overAnotherChange)
{
    std::vector<PairRowText> saved(rows, rows + rowCount);
    bool known = session->knownValid && !overAnotherChange;
    std::string changes = known ? PairListChangeLines(ComparePairLists(session->known, saved), PrintableText) : "";
    int before = known ? (int)session->known.size() : -1;
    switch (result.outcome) {
    case SAVE_DONE:
        // OK rewrites the list whether or not it changed: only a change is logged.
        if (!known || !changes.empty())
            Report(LIST_EVENT_SAVED, before, rowCount, changes, SavedDetail(result, overAnotherChange));
        session->known = saved;
        session->knownValid = true;
        break;
    case SAVE_FAILED:
        // Nearly always the old list is as it was, and what is known of it stands.
        Report(LIST_EVENT_FAILED, before, result.storeTouched ? -1 : before, changes,
               result.storeTouched ? TEXT_EVENT_SAVE_FAILED_TOUCHED
                                   : TEXT_EVENT_SAVE_FAILED);
        if (result.storeTouched) session->knownValid = false;
        break;
    default:
        break;  // the question follows, and its answer is what is logged
    }
}

void NoteAsideChanged(const char* aside)
{
    char detail[512];
    snprintf(detail, sizeof detail, TEXT_EVENT_ASIDE_CHANGED, aside);
    Report(LIST_EVENT_REFUSED, -1, -1, "", detail);
}

void NoteSheetSaveQuestion(SheetSession* session, SaveOutcome outcome, const PairRowText* rows, int rowCount,
                           bool answeredYes)
{
    std::vector<PairRowText> shown(rows, rows + rowCount);
    std::string changes =
        session->knownValid ? PairListChangeLines(ComparePairLists(session->known, shown), PrintableText) : "";
    std::string found = outcome == SAVE_STORE_CHANGED ? TEXT_EVENT_CHANGED_FIRST
                                                      : TEXT_EVENT_UNCHECKED;
    Report(LIST_EVENT_REFUSED, session->knownValid ? (int)session->known.size() : -1, -1, changes,
           found + (answeredYes ? TEXT_EVENT_ANSWERED_YES
                                : TEXT_EVENT_ANSWERED_NO));
    if (outcome == SAVE_STORE_CHANGED) session->knownValid = false;  // the store holds another program's list now
}
