// The keys a save keeps beside Networks: the new list it builds, and the old list it swaps
// out. Private to the store.
#pragma once

#include <stdio.h>

#include <windows.h>

#define ASIDE_NAME_SIZE 32

// Removes the key `name` below the product key as itself, with everything below it, links as
// links. True when it is gone (or was never there).
bool RemoveAsideKey(HKEY productKey, const char* name, FILE* diagnostics);
// Tries again to remove every old list an earlier save left aside. False, with the name of
// the first that stays in `left`, when one could not be removed.
bool RemoveReplacedLists(HKEY productKey, char left[ASIDE_NAME_SIZE], FILE* diagnostics);
// A name for the old list that no key below the product key has, or false when every one is
// taken.
bool FreeReplacedName(HKEY productKey, char name[ASIDE_NAME_SIZE]);
// Renames the key `key` holds, in place; false when the name is taken or the rename refused.
bool RenameOpenKey(HKEY key, const char* newName);
// Removes the tree below the open `key`, then the key, through handles, links as links.
// `path` names it for the diagnostics.
bool RemoveOpenTree(HKEY key, const char* path, FILE* diagnostics);
