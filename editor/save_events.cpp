// The configurator's events, with the same difference lines as the companion's.
#include <stdlib.h>

#include <vector>

#include "editor/save_events.h"
#include "store/change_events.h"
#include "store/pair_list_changes.h"
#include "store/printable_text.h"

#define CONFIGURATOR_NAME "mDNSConfig"

// What the store is known to hold: the start-up list, then each list this sheet saved.
static std::vector<PairRowText> g_known;
static bool g_knownValid = false;

void RememberLoadedPairs(void)
{
    g_known.assign(PairTableCount, PairRowText());
    g_knownValid = PairTableCount == 0 || CopyPairTableRows(g_known.data(), KEY_NUMBER_ORDER);
}

static void Report(ListEvent event, int before, int after, const std::string& changes, const std::string& detail)
{
    ListEventReport report = {event, CONFIGURATOR_NAME, before, after, changes, detail};
    DWORD error;
    ReportListEvent(report, &error);  // the configurator's boxes say nothing more: lost events stay unsaid
}

static std::string Shown(const char* text)
{
    return PrintableText(text);
}

// The words of a saved list's event beyond its changes.
static std::string SavedDetail(bool overAnotherChange)
{
    std::string detail = overAnotherChange ? "The administrator chose to replace another program's change." : "";
    const char* aside = SaveLeftOldListAside();
    if (aside == NULL) return detail;
    return detail + (detail.empty() ? "" : " ") + "The old list could not be removed entirely and was left aside as \"" +
           aside + "\".";
}

void NoteSheetSave(SaveOutcome outcome, const PairRowText* rows, int rowCount, bool overAnotherChange)
{
    std::vector<PairRowText> saved(rows, rows + rowCount);
    bool known = g_knownValid && !overAnotherChange;
    std::string changes = known ? PairListChangeLines(ComparePairLists(g_known, saved), Shown) : "";
    int before = known ? (int)g_known.size() : -1;
    switch (outcome) {
    case SAVE_DONE:
        // OK rewrites the list whether or not it changed: only a change is logged.
        if (!known || !changes.empty())
            Report(LIST_EVENT_SAVED, before, rowCount, changes, SavedDetail(overAnotherChange));
        g_known = saved;
        g_knownValid = true;
        break;
    case SAVE_FAILED:
        // Nearly always the old list is as it was, and what is known of it stands.
        Report(LIST_EVENT_FAILED, before, SaveTouchedStore() ? -1 : before, changes,
               SaveTouchedStore() ? "The save did not complete, and the old list could not be put back in its place; "
                                    "the sheet showed its error and stays open."
                                  : "The save did not complete and nothing was changed; the sheet showed its error "
                                    "and stays open.");
        if (SaveTouchedStore()) g_knownValid = false;
        break;
    default:
        break;  // the question follows, and its answer is what is logged
    }
}

void NoteSheetSaveQuestion(SaveOutcome outcome, const PairRowText* rows, int rowCount, bool answeredYes)
{
    std::vector<PairRowText> shown(rows, rows + rowCount);
    std::string changes = g_knownValid ? PairListChangeLines(ComparePairLists(g_known, shown), Shown) : "";
    std::string found = outcome == SAVE_STORE_CHANGED ? "Another program changed the list first"
                                                      : "Whether another program changed the list could not be read";
    Report(LIST_EVENT_REFUSED, g_knownValid ? (int)g_known.size() : -1, -1, changes,
           found + (answeredYes ? "; the administrator answered Yes: the list shown replaces it."
                                : "; the administrator answered No: nothing was saved, and the sheet stays open."));
    if (outcome == SAVE_STORE_CHANGED) g_knownValid = false;  // the store holds another program's list now
}
