// What the sheet's saves leave in the audit trail: the change a save made, measured against
// the list the sheet last knew the store to hold, a save refused with the administrator's
// answer, and a save that failed. The configurator's texts and boxes are not touched: an
// event that cannot be written is left unsaid.
#pragma once

#include "store/store.h"

// The list the store held when the sheet read it, before any save of this sheet: the
// start-up load's, in the order of the key numbers.
void RememberLoadedPairs(void);

// A save of `rows` came out as `outcome`. `overAnotherChange`: the administrator chose to
// replace another program's change, so what the store held before is not the list known.
// A save that changed no pair of a known list is not logged.
void NoteSheetSave(SaveOutcome outcome, const PairRowText* rows, int rowCount, bool overAnotherChange);

// A save found another program's change (or could not check), and the administrator
// answered the question: Yes replaces it, No keeps it.
void NoteSheetSaveQuestion(SaveOutcome outcome, const PairRowText* rows, int rowCount, bool answeredYes);
