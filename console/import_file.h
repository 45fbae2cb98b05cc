// The list a .reg file asks for, exactly as it holds it: each text a dotted IPv4 address
// (an adapter's name in a file is not looked up), under the configurator's rules.
#pragma once

#include <vector>

#include "store/store.h"

// The file's rows, or false having said why on standard error; `exitCode` then holds the
// answer: a file that cannot be read or is not of the export's shape is a usage error, a
// list a rule refuses is refused.
bool ReadImportFile(const char* path, std::vector<PairRowText>* rows, int* exitCode);
