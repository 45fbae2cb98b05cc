// What the sheet's saves leave in the audit trail: the change a save made, measured against
// the list the sheet last knew the store to hold, a save refused with the administrator's
// answer, and a save that failed. The configurator's texts and boxes are not touched: an
// event that cannot be written is left unsaid.
#pragma once

#include "editor/save_answers.h"

// A save of `rows` came out as `result` says. `overAnotherChange`: the administrator chose to
// replace another program's change, so what the store held before is not the list known.
// A save that changed no pair of a known list is not logged. The session's known list
// follows what the store holds.
void NoteSheetSave(SheetSession* session, const SaveResult& result, const PairRowText* rows, int rowCount,
                   bool overAnotherChange);

// A save found another program's change (or could not check), and the administrator
// answered the question: Yes replaces it, No keeps it.
void NoteSheetSaveQuestion(SheetSession* session, SaveOutcome outcome, const PairRowText* rows, int rowCount,
                           bool answeredYes);

// Another program wrote to an old list after a save put it aside as `aside`; it is kept.
void NoteAsideChanged(const char* aside);
