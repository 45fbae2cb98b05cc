// The settings store as the rest of the program sees it: the stored pairs loaded at
// start-up, the rewrite of the whole list on OK and Apply, the key-tree removal, and the
// fatal error for a store that cannot be used. The registry layout is in store_names.h.
#pragma once

#include <windows.h>

#define SUBKEY_NAME_SIZE 256
// An IPv4 address in dotted-decimal text, at most 15 characters and a NUL.
#define ADDRESS_FIELD_SIZE 16
#define KEY_TREE_PATH_SIZE 520

// One stored pair as the start-up load reads it.
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

// The texts of one row of the pair list, as the page shows them and the save writes them.
struct PairRowText {
    char source[ADDRESS_FIELD_SIZE];
    char destination[ADDRESS_FIELD_SIZE];
};

// Replaces the stored list with `rows`, as subkeys "0", "1", ... in row order. True only
// when the store then holds exactly these rows. Ends the process when the product key
// cannot be opened afterwards.
bool SavePairList(const PairRowText* rows, int rowCount);

// Deletes the key at `path` below `root` and everything below it; a registry link is
// deleted as a link, never followed. True when the key is gone. `path` is a
// KEY_TREE_PATH_SIZE buffer; it is extended while the tree is walked and on return holds
// its original text, less a trailing backslash.
bool RemoveKeyTree(HKEY root, char* path);

// Copies `source` into a KEY_TREE_PATH_SIZE buffer, always terminated; false when cut.
bool BoundedCopy(char* destination, const char* source);

// Reports an unusable store and ends the process. Each program provides its own report: the
// configurator's (store/fatal_settings_error.cpp) shows a message box and exits with -1.
[[noreturn]] void FatalSettingsError(void);
