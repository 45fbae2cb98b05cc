// The save on OK and Apply, as the General page runs it inside the sheet.
#pragma once

#include <windows.h>

// Saves the rows of the General page (page 0 of `sheet`), in list order. Asks before
// replacing another program's change, or a store it could not check; false when the
// administrator says no and nothing was saved, so the sheet stays open.
bool SaveSheetPairs(HWND sheet);
