// The General page's list of pairs: its columns, its rows, and a snapshot of all rows
// that Add, Remove and the save work on.
#pragma once

#include <windows.h>

#include "store/store.h"

enum PairListColumn {
    SOURCE_COLUMN = 0,
    DESTINATION_COLUMN = 1,
};

// Full-row selection and the two columns, their widths scaled to the display's DPI; the
// list starts empty.
void SetUpPairList(HWND list);

// Appends a row at the end: the source column's text, then the destination column's.
void AppendPairRow(HWND list, const char* source, const char* destination);

void DeletePairRow(HWND list, int row);

// Control texts are read into buffers of this many characters.
#define CONTROL_TEXT_SIZE 256

// The selected row, or -1.
int SelectedPairRow(HWND list);
// The row's two texts, each read with a capacity of CONTROL_TEXT_SIZE; false when one does
// not fit an address field (it is left empty).
bool ReadPairRow(HWND list, int row, PairRowText* texts);
// Scrolls the list, if need be, so that the row shows.
void ShowPairRow(HWND list, int row);

// Reads every row, in index order, into `*rows` (memory the caller frees). Returns the
// number of rows, or -1 when memory ran out or a text does not fit an address field. This is
// what the save writes.
int ReadPairList(HWND list, PairRowText** rows);

// The rows' texts as kept beside the list, in step with it, so that Add's check for a
// duplicate need not read thousands of rows back from the control. NULL when they could
// not be kept (memory ran out): then only ReadPairList knows the rows.
const PairRowText* KeptPairRows(int* rowCount);
