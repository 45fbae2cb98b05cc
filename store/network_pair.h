// The stored address pairs as the start-up load reads them, and the process-wide table
// that holds them until the General page has been filled.
#pragma once

#include <windows.h>

#define SUBKEY_NAME_SIZE 256
#define ADDRESS_FIELD_SIZE 16

struct NetworkPair {
    char subkeyName[SUBKEY_NAME_SIZE];
    DWORD subkeyNameLength;
    char sourceAddress[ADDRESS_FIELD_SIZE];
    char destinationAddress[ADDRESS_FIELD_SIZE];
    LONG direction;
    LONG enabled;
};

// Filled once by LoadPairTable; never freed before the process ends.
extern NetworkPair* PairTable;
extern DWORD PairTableCount;

// Reads every pair below the Networks key. An unusable store ends the process.
void LoadPairTable(void);

// Reports an unusable store and ends the process with exit code -1.
[[noreturn]] void FatalSettingsError(void);
