// The pair list as a .reg file that the registry editor imports: the old list goes, and the
// rows come back as the configurator writes them, "0" upward in row order.
#pragma once

#include <stddef.h>

#include "store/store.h"

// Room for the text of `rowCount` rows, its NUL included.
size_t PairsExportSize(int rowCount);

void WritePairsExport(const PairRowText* rows, int rowCount, char* text, size_t size);
