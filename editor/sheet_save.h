// The save on OK and Apply, as the General page runs it inside the sheet.
#pragma once

#include <windows.h>

#include "editor/save_answers.h"

// Saves the rows of the General page (page 0 of `sheet`), in list order, in the page's
// session (general_page.h). Asks before
// replacing another program's change, or a store it could not check. False when the pairs
// were not saved (the administrator said no, or the save failed and said so in a box): the
// sheet stays open with its rows.
bool SaveSheetPairs(HWND sheet);
// When the sheet has closed: removes the old list the last save swapped out, once its
// readers' grace has passed, and says in a box owned by `owner` where what stays of it is.
void RetireSheetLists(HWND owner, SheetSession* session);
