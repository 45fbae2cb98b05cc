// Writing the pair list back: the old list goes with its whole key tree, and every row is
// written anew as a numbered subkey, "0" upward in row order.
#pragma once

#include <windows.h>

#define KEY_TREE_PATH_SIZE 520

struct PairRowText {
    const char* source;
    const char* destination;
};

// Replaces the stored list with `rows`. Returns false when the store may not hold exactly
// these rows afterwards (a removal, create or write failed). Ends the process when the
// product key cannot be opened afterwards.
bool SavePairList(const PairRowText* rows, int rowCount);

// Deletes the key at `path` below `root` and everything below it. True when the key is
// gone. `path` is a KEY_TREE_PATH_SIZE buffer; it is extended while the tree is walked
// and on return holds its original text, less a trailing backslash.
bool RemoveKeyTree(HKEY root, char* path);

// Copies `source` into a KEY_TREE_PATH_SIZE buffer, always terminated; false when cut.
bool BoundedCopy(char* destination, const char* source);
