// The commands of the command table, each given its parsed command line and this
// computer's addresses.
#pragma once

#include "console/command_line.h"
#include "net/adapters.h"

// Those that may change the list, and check, which says what "set" would change.
int AddPair(const CommandLine& line, const OwnAddresses& own);
int RemovePair(const CommandLine& line, const OwnAddresses& own);
int SetPairs(const CommandLine& line, const OwnAddresses& own);
int ClearPairs(const CommandLine& line, const OwnAddresses& own);
int ImportPairs(const CommandLine& line, const OwnAddresses& own);
int PrunePairs(const CommandLine& line, const OwnAddresses& own);
int CheckPairs(const CommandLine& line, const OwnAddresses& own);

// Those that only read, or only ask the service.
int ListPairs(const CommandLine& line, const OwnAddresses& own);
int ExportPairs(const CommandLine& line, const OwnAddresses& own);
int ShowStatus(const CommandLine& line, const OwnAddresses& own);
int RestartService(const CommandLine& line, const OwnAddresses& own);
int PrintVersion(const CommandLine& line, const OwnAddresses& own);
// dsc get|test|set|whatif|export: the DSC resource's operations, the instance on standard input.
int RunDscOperation(const CommandLine& line, const OwnAddresses& own);
