// The keys a save keeps beside Networks: the new list it builds, and the old list it swaps
// out. Private to the store.
#pragma once

#include "store/store.h"
#include "store/store_names.h"

// Which of the save's own names beside Networks are taken, from one enumeration of the
// product key; when it cannot be listed, every one may be.
struct AsideNames {
    bool building;
    bool replaced[REPLACED_KEY_NAMES + 1];  // by number, from 1
};
void FindAsideNames(HKEY productKey, AsideNames* names);

// Removes the key `name` below the product key as itself, with everything below it, links as
// links. True when it is gone (or was never there).
bool RemoveAsideKey(HKEY productKey, const char* name, RemovalNotes* notes);
// Tries again to remove every old list an earlier save left aside. False, with the name of
// the first that stays in `left`, when one could not be removed.
bool RemoveReplacedLists(HKEY productKey, AsideNames* names, char left[ASIDE_NAME_SIZE], RemovalNotes* notes);
// A name for the old list that no key below the product key has, or false when every one is
// taken.
bool FreeReplacedName(HKEY productKey, const AsideNames* names, char name[ASIDE_NAME_SIZE]);
// Renames the key `key` holds, in place; false when the name is taken or the rename refused.
bool RenameOpenKey(HKEY key, const char* newName);
// Removes the tree below the open `key`, then the key, through handles, links as links.
// `path` names it for the diagnostics.
// `leaf`: it may have no subkeys (or be a link), so a delete is tried first.
bool RemoveOpenTree(HKEY key, const char* path, RemovalNotes* notes, bool leaf = true);
