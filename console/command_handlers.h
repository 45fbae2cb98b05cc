// The commands of the command table, each given its parsed command line.
#pragma once

#include "console/command_line.h"

// Those that may change the list, and check, which says what "set" would change.
int AddPair(const CommandLine& line);
int RemovePair(const CommandLine& line);
int SetPairs(const CommandLine& line);
int ClearPairs(const CommandLine& line);
int ImportPairs(const CommandLine& line);
int PrunePairs(const CommandLine& line);
int CheckPairs(const CommandLine& line);

// Those that only read, or only ask the service.
int ListPairs(const CommandLine& line);
int ExportPairs(const CommandLine& line);
int ShowStatus(const CommandLine& line);
int RestartService(const CommandLine& line);
int PrintVersion(const CommandLine& line);
