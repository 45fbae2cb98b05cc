// The dialog procedure of the General page: the choosers, the pair list, Add, Remove, and
// the save when the sheet applies.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdlib.h>
#include <string.h>

#include "editor/accessible_names.h"
#include "editor/address_line.h"
#include "editor/general_page.h"
#include "editor/pair_list.h"
#include "editor/pair_rules.h"
#include "editor/save_events.h"
#include "editor/sheet_save.h"
#include "net/local_addresses.h"
#include "net/own_addresses.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "store/store.h"

#define CHOSEN_TEXT_SIZE 256
// Posted to itself by the page: the screen-reader names are set once the sheet is up,
// since they start COM, which would delay the sheet's first appearance.
#define WM_NAME_CONTROLS (WM_APP + 1)

SheetSession* PageSession(HWND page)
{
    return (SheetSession*)GetWindowLongPtrA(page, DWLP_USER);
}

// The local address list, as the session hands it to the page.
static void FillChoosers(HWND page)
{
    const OwnAddresses& own = PageSession(page)->own;
    HWND source = GetDlgItem(page, IDC_SOURCE_CHOOSER);
    HWND destination = GetDlgItem(page, IDC_DESTINATION_CHOOSER);
    SendMessageA(source, CB_RESETCONTENT, 0, 0);
    SendMessageA(destination, CB_RESETCONTENT, 0, 0);
    for (int slot = 0; slot < own.hostCount; ++slot) {
        SendMessageA(source, CB_ADDSTRING, 0, (LPARAM)own.hostList[slot]);
        SendMessageA(destination, CB_ADDSTRING, 0, (LPARAM)own.hostList[slot]);
    }
}

static void ShowAddressLine(HWND page);


static void InitialisePage(HWND page, const PROPSHEETPAGEA* description)
{
    SetWindowLongPtrA(page, DWLP_USER, description->lParam);
    FillChoosers(page);
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    SetUpPairList(list);
    // Every stored record becomes a row, empty ones included, in table order. The list
    // would repaint after every row; it paints once, when all are in.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)PairTableCount, 0);
    for (DWORD record = 0; record < PairTableCount; ++record)
        AppendPairRow(list, PairTable[record].sourceAddress, PairTable[record].destinationAddress);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    PostMessageA(page, WM_NAME_CONTROLS, 0, 0);
    ShowAddressLine(page);
}

// The chooser's selected text into a zero-filled CHOSEN_TEXT_SIZE buffer; empty when
// nothing is selected. The entries are address slots, so one always fits; CB_GETLBTEXT
// takes no capacity, so that is checked all the same.
static void ReadChosenText(HWND chooser, char* text)
{
    memset(text, 0, CHOSEN_TEXT_SIZE);
    LRESULT selected = SendMessageA(chooser, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    LRESULT length = SendMessageA(chooser, CB_GETLBTEXTLEN, (WPARAM)selected, 0);
    if (length == CB_ERR || length >= CHOSEN_TEXT_SIZE) return;
    SendMessageA(chooser, CB_GETLBTEXT, (WPARAM)selected, (LPARAM)text);
}

// Both choosers' texts, each into a CHOSEN_TEXT_SIZE buffer.
static void ReadChosenPair(HWND page, char* source, char* destination)
{
    ReadChosenText(GetDlgItem(page, IDC_SOURCE_CHOOSER), source);
    ReadChosenText(GetDlgItem(page, IDC_DESTINATION_CHOOSER), destination);
}

// Says, below the list, which adapter holds each chosen address and each of the selected row's.
static void ShowAddressLine(HWND page)
{
    char source[CHOSEN_TEXT_SIZE];
    char destination[CHOSEN_TEXT_SIZE];
    ReadChosenPair(page, source, destination);
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    int selected = SelectedPairRow(list);
    PairRowText row;
    if (selected >= 0) ReadPairRow(list, selected, &row);
    // With no row selected, the line counts the pairs drawn grey.
    int stalePairs = 0;
    if (selected < 0) {
        int rowCount;
        const PairRowText* rows = KeptPairRows(&rowCount);
        if (rows != NULL) stalePairs = CountStalePairs(PageSession(page)->own, rows, rowCount);
    }
    char line[ADDRESS_LINE_SIZE];
    FormatAddressLine(PageSession(page)->own, source, destination, selected >= 0 ? row.source : NULL, selected >= 0 ? row.destination : NULL,
                      stalePairs, line, sizeof line);
    SetDlgItemTextA(page, IDC_ADDRESS_LINE, line);
}

// A row that names an address this computer does not have is drawn in grey text; the
// columns and texts stay as they are.
static LRESULT DrawPairRow(const OwnAddresses& own, NMLVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    int rowCount;
    const PairRowText* rows = KeptPairRows(&rowCount);
    int row = (int)draw->nmcd.dwItemSpec;
    const char* missing[2];
    if (rows != NULL && row >= 0 && row < rowCount &&
        MissingPairAddresses(own, rows[row].source, rows[row].destination, missing) > 0)
        draw->clrText = GetSysColor(COLOR_GRAYTEXT);
    return CDRF_DODEFAULT;
}

static void ShowRejection(HWND page, PairRuleVerdict verdict)
{
    MessageBoxA(page, PairRuleMessage(verdict), CAPTION_RULE_ERROR, MB_ICONERROR);
}

static void AddChosenPair(HWND page)
{
    char source[CHOSEN_TEXT_SIZE];
    char destination[CHOSEN_TEXT_SIZE];
    ReadChosenPair(page, source, destination);
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    int rowCount;
    const PairRowText* keptRows = KeptPairRows(&rowCount);
    PairRowText* readRows = NULL;
    if (keptRows == NULL) {
        rowCount = ReadPairList(list, &readRows);
        if (rowCount < 0) return;
    }
    PairRuleVerdict verdict = CheckAddPair(source, destination, keptRows ? keptRows : readRows, rowCount);
    free(readRows);
    if (verdict == PAIR_ACCEPTED) {
        AppendPairRow(list, source, destination);
        ShowPairRow(list, rowCount);
    } else {
        ShowRejection(page, verdict);
    }
}

static void RemoveSelectedPair(HWND page)
{
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    int selected = SelectedPairRow(list);
    int rowCount = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    PairRuleVerdict verdict = CheckRemovePair(selected, rowCount);
    if (verdict == PAIR_ACCEPTED) {
        DeletePairRow(list, selected);
        ShowAddressLine(page);  // the selected row is gone
    } else {
        ShowRejection(page, verdict);
    }
}

static void MarkSheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

static void HandleCommand(HWND page, WPARAM wParam)
{
    WORD notification = HIWORD(wParam);
    // Any button click counts as a change, also one the rules then reject.
    if (notification == BN_CLICKED || notification == EN_CHANGE) MarkSheetChanged(page);
    switch (LOWORD(wParam)) {
    case IDC_ADD_BUTTON: AddChosenPair(page); break;
    case IDC_REMOVE_BUTTON: RemoveSelectedPair(page); break;
    case IDC_SOURCE_CHOOSER:
    case IDC_DESTINATION_CHOOSER:
        if (notification == CBN_SELCHANGE) ShowAddressLine(page);
        break;
    default: break;
    }
}

// True only when the page answers the notification itself (an apply it turned down).
static bool HandleNotify(HWND page, const NMHDR* header)
{
    // Cancel is always allowed. OK closes once the pairs are saved; when they were not (the
    // administrator kept another program's change, or the save failed), the sheet stays open
    // with its rows.
    if (header->code == (UINT)PSN_APPLY) {
        if (SaveSheetPairs(GetParent(page))) return false;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_INVALID);
        return true;
    }
    if (header->idFrom != IDC_PAIR_LIST) return false;
    if (header->code == (UINT)NM_CUSTOMDRAW) {
        SetWindowLongPtrA(page, DWLP_MSGRESULT, DrawPairRow(PageSession(page)->own, (NMLVCUSTOMDRAW*)header));
        return true;
    }
    if (header->code == (UINT)LVN_ITEMCHANGED && (((const NMLISTVIEW*)header)->uChanged & LVIF_STATE)) {
        ShowAddressLine(page);
    } else if (header->code == (UINT)LVN_KEYDOWN && ((const NMLVKEYDOWN*)header)->wVKey == VK_DELETE) {
        // The Delete key is the Remove button's twin, message and change mark included.
        MarkSheetChanged(page);
        RemoveSelectedPair(page);
    }
    return false;
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitialisePage(page, (const PROPSHEETPAGEA*)lParam); break;
    case WM_COMMAND: HandleCommand(page, wParam); break;
    case WM_NOTIFY:
        if (HandleNotify(page, (const NMHDR*)lParam)) return TRUE;
        break;
    case WM_NAME_CONTROLS: NameControlsForScreenReaders(page); break;
    default: break;
    }
    return FALSE;
}
