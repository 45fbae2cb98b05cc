// Building and running the one-page configuration sheet.
#include <string.h>

#include "editor/general_page.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "shell/configuration_sheet.h"

HINSTANCE ProgramInstance = NULL;

#if !defined(_WIN64)
static_assert(sizeof(PROPSHEETHEADERA) == 52, "the sheet header is the second version");
static_assert(sizeof(SheetPageDescription) == 56, "the page description is the fourth version");
#endif

// Selects the first page once the sheet is up.
static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED) SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    return 0;
}

void FillSheetHeader(PROPSHEETHEADERA* header, SheetPageDescription* page, HINSTANCE instance, HWND owner,
                     SheetSession* session)
{
    memset(page, 0, sizeof *page);
    page->page.dwSize = sizeof *page;
    page->page.dwFlags = PSP_USETITLE | PSP_USEICONID;
    page->page.hInstance = instance;
    page->page.pszTemplate = MAKEINTRESOURCEA(IDD_GENERAL_PAGE);
    page->page.pszTitle = PAGE_TITLE_GENERAL;
    page->page.pfnDlgProc = GeneralPageProc;
    page->page.lParam = (LPARAM)session;

    memset(header, 0, sizeof *header);
    header->dwSize = sizeof *header;
    header->dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_USEICONID;
    header->hwndParent = owner;
    header->hInstance = instance;
    header->pszCaption = SHEET_CAPTION;
    header->nPages = 1;
    header->nStartPage = 0;
    header->ppsp = &page->page;
    header->pfnCallback = SheetCallback;
}

void RunSheet(HINSTANCE instance, HWND owner, SheetSession* session)
{
    PROPSHEETHEADERA header;
    SheetPageDescription page;
    FillSheetHeader(&header, &page, instance, owner, session);
    // Which button closed the sheet does not matter: the notice follows in every case.
    PropertySheetA(&header);
}
