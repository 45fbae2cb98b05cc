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

// The export's first comment, and its last line, which counts the pairs.
#define EXPORT_FIRST_COMMENT "; The address pairs of the Corvane mDNS Repeater."
#define EXPORT_FIRST_COMMENT_END " \"mDNSPairs import FILE\" makes the list"
#define EXPORT_SECOND_COMMENT "; exactly these pairs. A registry import deletes nothing: pairs numbered past these stay."
#define EXPORT_COUNT_PREFIX "; The end of the export. Pairs: "
#define EXPORT_COUNT_SUFFIX "."

// Reads a file of the export's shape: what PairsExportText writes, or what Windows' own tools
// write of the Networks key (a version 5.00 header, the rows in any order). The rows come
// numbered 0 to n-1 with the four values each, and an export of ours with its count line.
// False, with the reason and its line in `why`, when the text is not such a file.
// A file without the count line must end as reg export ends one, and hold pairs. `rowLines`,
// when given, gets the line of each row's section.
bool ParsePairsExport(const std::string& text, std::vector<PairRowText>* rows, std::string* why,
                      std::vector<int>* rowLines = nullptr);

// A .reg file's bytes as single-byte text in the code page: UTF-16LE with its mark (what
// reg export and PowerShell 5.1 write), UTF-8 with or without one, or the code page's own
// bytes. False, with why, when a character has no place in the code page.
bool DecodeRegFile(const std::string& bytes, std::string* text, std::string* why);
