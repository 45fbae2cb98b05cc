// The General page: the two address choosers, the pair list, Add and Remove, and the
// save when the sheet applies.
#pragma once

#include <windows.h>

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Writes the rows of the General page (page 0 of `sheet`) to the store, in list order.
// Tells the administrator when the store could not take them all.
void SaveSheetPairs(HWND sheet);
