// The key-tree removal's walk below a key the caller holds. Private to the store.
#pragma once

#include "store/store.h"

// Removes every subkey of the open `key` (KEY_READ access), each through its own handle,
// links as links. `path` is a KEY_TREE_PATH_SIZE buffer holding the key's full path; it is
// extended while the tree is walked and restored. False when a subkey stays.
bool RemoveSubkeysOf(HKEY key, char* path, RemovalNotes* notes);
