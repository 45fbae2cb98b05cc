// The General page's list control as the ordered rows the pair rules work on.
#pragma once

#include <windows.h>

#include "pair_rules.h"

// Rows backed by the report-style list `list` (column 0 source, column 1 destination).
PairRows ListControlRows(HWND list);

// Appends a row at the end: text of column 0, then column 1 of the new row.
void AppendListRow(HWND list, const char* source, const char* destination);
