// The configuration sheet: a modal property sheet with the General page and the
// standard OK, Cancel and Apply buttons.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "editor/save_answers.h"

// The page description in its fourth version (56 bytes on 32-bit Windows). MinGW's
// headers stop at the third, which lacks the trailing header-bitmap field.
union SheetPageDescription {
    PROPSHEETPAGEA page;
    BYTE fourthVersion[sizeof(PROPSHEETPAGEA_V3) + sizeof(HBITMAP)];
};

// The program's module, stored at start-up before anything uses it.
extern HINSTANCE ProgramInstance;

// Fills the header and the page description for a sheet of `instance`'s resources owned by
// `owner`, whose page saves in `session`.
void FillSheetHeader(PROPSHEETHEADERA* header, SheetPageDescription* page, HINSTANCE instance, HWND owner,
                     SheetSession* session);

// Runs the sheet modally and returns when it closes, however it closed.
void RunSheet(HINSTANCE instance, HWND owner, SheetSession* session);
