// The pair list through list-view messages.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "editor/pair_list.h"
#include "resources/program_texts.h"

// Widths at 96 dpi, the display's DPI at 100%.
#define SOURCE_COLUMN_WIDTH 144
#define DESTINATION_COLUMN_WIDTH 96
#define BASE_DPI 96

// The rows' texts beside the list; the page has one list, so they are process-wide.
static PairRowText* KeptRows = NULL;
static int KeptRowCount = 0;
static int KeptRowCapacity = 0;
static bool KeptRowsInStep = true;

static void KeepAppendedRow(const char* source, const char* destination)
{
    if (!KeptRowsInStep) return;
    if (KeptRowCount == KeptRowCapacity) {
        int capacity = KeptRowCapacity > 0 ? KeptRowCapacity * 2 : 64;
        PairRowText* grown = (PairRowText*)realloc(KeptRows, (size_t)capacity * sizeof(PairRowText));
        if (grown == NULL) {
            KeptRowsInStep = false;
            return;
        }
        KeptRows = grown;
        KeptRowCapacity = capacity;
    }
    snprintf(KeptRows[KeptRowCount].source, ADDRESS_TEXT_SIZE, "%s", source);
    snprintf(KeptRows[KeptRowCount].destination, ADDRESS_TEXT_SIZE, "%s", destination);
    ++KeptRowCount;
}

const PairRowText* KeptPairRows(int* rowCount)
{
    *rowCount = KeptRowCount;
    return KeptRowsInStep ? KeptRows : NULL;
}

static void InsertColumn(HWND list, PairListColumn column, const char* heading, int width)
{
    LVCOLUMNA description;
    ZeroMemory(&description, sizeof description);
    description.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    description.cx = width;
    description.pszText = (LPSTR)heading;
    description.iSubItem = column;
    SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)column, (LPARAM)&description);
}

void SetUpPairList(HWND list)
{
    KeptRowCount = 0;
    KeptRowsInStep = true;
    HDC display = GetDC(list);
    int dpi = display != NULL ? GetDeviceCaps(display, LOGPIXELSX) : BASE_DPI;
    if (display != NULL) ReleaseDC(list, display);
    if (dpi <= 0) dpi = BASE_DPI;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    InsertColumn(list, SOURCE_COLUMN, COLUMN_HEADING_SOURCE, MulDiv(SOURCE_COLUMN_WIDTH, dpi, BASE_DPI));
    InsertColumn(list, DESTINATION_COLUMN, COLUMN_HEADING_DESTINATION, MulDiv(DESTINATION_COLUMN_WIDTH, dpi, BASE_DPI));
}

// A row is described by its text only: index, sub-item, text and its length plus one.
static void SetRowText(HWND list, UINT message, int row, PairListColumn column, const char* text)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = (LPSTR)text;
    item.cchTextMax = lstrlenA(text) + 1;
    SendMessageA(list, message, 0, (LPARAM)&item);
}

void AppendPairRow(HWND list, const char* source, const char* destination)
{
    int row = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    SetRowText(list, LVM_INSERTITEMA, row, SOURCE_COLUMN, source);
    SetRowText(list, LVM_SETITEMA, row, DESTINATION_COLUMN, destination);
    KeepAppendedRow(source, destination);
}

void DeletePairRow(HWND list, int row)
{
    SendMessageA(list, LVM_DELETEITEM, (WPARAM)row, 0);
    if (row >= 0 && row < KeptRowCount) {
        memmove(&KeptRows[row], &KeptRows[row + 1], (size_t)(KeptRowCount - row - 1) * sizeof(PairRowText));
        --KeptRowCount;
    }
}

// A cell's text, read as control texts are, into a 256-character buffer; it goes into the
// address field only when it fits there whole. Every text of the list came from an address
// field, so one that does not fit is a list that is not the one shown: false.
static bool ReadRowText(HWND list, int row, PairListColumn column, char* field)
{
    char text[CONTROL_TEXT_SIZE] = "";
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = CONTROL_TEXT_SIZE;
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    text[CONTROL_TEXT_SIZE - 1] = 0;
    size_t length = strlen(text);
    bool fits = length < ADDRESS_TEXT_SIZE;
    memcpy(field, text, fits ? length + 1 : 1);
    if (!fits) field[0] = 0;
    return fits;
}

int SelectedPairRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_SELECTED, 0));
}

bool ReadPairRow(HWND list, int row, PairRowText* texts)
{
    bool source = ReadRowText(list, row, SOURCE_COLUMN, texts->source);
    return ReadRowText(list, row, DESTINATION_COLUMN, texts->destination) && source;
}

void ShowPairRow(HWND list, int row)
{
    SendMessageA(list, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
}

int ReadPairList(HWND list, PairRowText** rows)
{
    int rowCount = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    *rows = (PairRowText*)calloc(rowCount > 0 ? (size_t)rowCount : 1, sizeof(PairRowText));
    if (*rows == NULL) return -1;
    // All items in index order, each found from the one before.
    int taken = 0;
    for (int row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_ALL, 0));
         row != -1 && taken < rowCount;
         row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)row, MAKELPARAM(LVNI_ALL, 0))) {
        if (!ReadPairRow(list, row, &(*rows)[taken])) {
            free(*rows);
            *rows = NULL;
            return -1;
        }
        ++taken;
    }
    return taken;
}
