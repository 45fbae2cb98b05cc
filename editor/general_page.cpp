// The dialog procedure of the General page.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdlib.h>
#include <string.h>

#include "general_page.h"
#include "pair_list_control.h"
#include "pair_rules.h"
#include "../net/local_addresses.h"
#include "../resources/program_texts.h"
#include "../resources/resource_ids.h"
#include "../store/network_pair.h"

#define SOURCE_COLUMN_WIDTH 144
#define DESTINATION_COLUMN_WIDTH 96

static void FillChoosers(HWND page)
{
    HWND source = GetDlgItem(page, IDC_SOURCE_CHOOSER);
    HWND destination = GetDlgItem(page, IDC_DESTINATION_CHOOSER);
    SendMessageA(source, CB_RESETCONTENT, 0, 0);
    SendMessageA(destination, CB_RESETCONTENT, 0, 0);
    for (int slot = 0; slot < LocalAddressCount; ++slot) {
        SendMessageA(source, CB_ADDSTRING, 0, (LPARAM)LocalAddressList[slot]);
        SendMessageA(destination, CB_ADDSTRING, 0, (LPARAM)LocalAddressList[slot]);
    }
}

static void InsertColumn(HWND list, int column, const char* heading, int width)
{
    LVCOLUMNA description;
    ZeroMemory(&description, sizeof description);
    description.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    description.cx = width;
    description.pszText = (LPSTR)heading;
    description.iSubItem = column;
    SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)column, (LPARAM)&description);
}

static void InitialisePage(HWND page)
{
    FillChoosers(page);
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    InsertColumn(list, 0, COLUMN_HEADING_SOURCE, SOURCE_COLUMN_WIDTH);
    InsertColumn(list, 1, COLUMN_HEADING_DESTINATION, DESTINATION_COLUMN_WIDTH);
    // Every stored record becomes a row, empty ones included, in table order.
    for (DWORD record = 0; record < PairTableCount; ++record)
        AppendListRow(list, PairTable[record].sourceAddress, PairTable[record].destinationAddress);
}

// The chooser's selected text, whole; empty when nothing is selected. The text lands in
// `buffer` (zero-filled, CANDIDATE_TEXT_SIZE) or, when longer, in memory the caller frees.
static char* ReadChosenText(HWND chooser, char* buffer)
{
    memset(buffer, 0, CANDIDATE_TEXT_SIZE);
    LRESULT selected = SendMessageA(chooser, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return buffer;
    LRESULT length = SendMessageA(chooser, CB_GETLBTEXTLEN, (WPARAM)selected, 0);
    if (length == CB_ERR) return buffer;
    // CB_GETLBTEXT takes no capacity: measure first.
    char* text = length < CANDIDATE_TEXT_SIZE ? buffer : (char*)calloc((size_t)length + 1, 1);
    if (text == NULL) return buffer;
    SendMessageA(chooser, CB_GETLBTEXT, (WPARAM)selected, (LPARAM)text);
    return text;
}

static void AddChosenPair(HWND page)
{
    char sourceBuffer[CANDIDATE_TEXT_SIZE];
    char destinationBuffer[CANDIDATE_TEXT_SIZE];
    char* source = ReadChosenText(GetDlgItem(page, IDC_SOURCE_CHOOSER), sourceBuffer);
    char* destination = ReadChosenText(GetDlgItem(page, IDC_DESTINATION_CHOOSER), destinationBuffer);
    PairRows rows = ListControlRows(GetDlgItem(page, IDC_PAIR_LIST));
    AddPair(page, source, destination, &rows);
    if (source != sourceBuffer) free(source);
    if (destination != destinationBuffer) free(destination);
}

static void RemoveSelectedPair(HWND page)
{
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    int selected = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_SELECTED, 0));
    PairRows rows = ListControlRows(list);
    RemovePair(page, selected, &rows);
}

static void HandleCommand(HWND page, WPARAM wParam)
{
    WORD notification = HIWORD(wParam);
    // Any button click counts as a change, also one the rules then reject.
    if (notification == BN_CLICKED || notification == EN_CHANGE)
        SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
    switch (LOWORD(wParam)) {
    case IDC_ADD_BUTTON: AddChosenPair(page); break;
    case IDC_REMOVE_BUTTON: RemoveSelectedPair(page); break;
    default: break;
    }
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitialisePage(page); break;
    case WM_COMMAND: HandleCommand(page, wParam); break;
    case WM_NOTIFY:
        // The page reports no error to the sheet, so Cancel is always allowed and OK closes.
        if (((NMHDR*)lParam)->code == (UINT)PSN_APPLY) SaveSheetPairs(GetParent(page));
        break;
    default: break;
    }
    return FALSE;
}
