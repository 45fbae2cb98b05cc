// The pair list as a REGEDIT4 file that `reg import` and `regedit /s` read, and the
// companion's own reading of such a file back into rows.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "store/store.h"

// The rows as the configurator writes them, "0" upward in row order. The file deletes
// nothing: a delete by name would follow a registry link out of the store.
std::string PairsExportText(const PairRowText* rows, int rowCount);

// Reads a file that PairsExportText wrote. False, with the reason and its line in `why`,
// when the text is not such a file.
bool ParsePairsExport(const std::string& text, std::vector<PairRowText>* rows, std::string* why);
