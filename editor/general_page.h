// The General page: the one page of the configuration sheet.
#pragma once

#include <windows.h>

#include "editor/save_answers.h"

// The page's dialog procedure, for the sheet's page description, whose lParam is the
// SheetSession the page's saves work in.
INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The session the page was created with.
SheetSession* PageSession(HWND page);
