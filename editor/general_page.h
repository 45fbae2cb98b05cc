// The General page: the one page of the configuration sheet.
#pragma once

#include <windows.h>

// The page's dialog procedure, for the sheet's page description.
INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
