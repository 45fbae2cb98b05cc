// The keys a save keeps beside Networks: the new list it builds, and the old list it swaps
// out. Private to the store.
#pragma once

#include "store/store.h"
#include "store/store_names.h"

// Which of the save's own names beside Networks are taken, from one enumeration of the
// product key; when it cannot be listed, every one may be. Names a save may not touch: the
// key a Networks link names (a link never makes one of our names ours to remove), and the
// list an interrupted save left as the one the service last read.
struct AsideNames {
    bool building[2];                       // BUILDING_KEY_NAME, BUILDING_KEY_NAME_2
    bool replaced[REPLACED_KEY_NAMES + 1];  // by number, from 1
    bool keepAll;                           // a link at Networks that could not be read
    char kept[ASIDE_NAME_SIZE];             // the one name a save leaves alone, or ""
};
void FindAsideNames(HKEY productKey, AsideNames* names);
// Networks missing: the list an interrupted save put aside and never put back (the first old
// list without a mark), opened as itself with `access`; its name in `name`. False when none.
bool OpenInterruptedList(HKEY productKey, const AsideNames* names, REGSAM access, HKEY* key, char name[ASIDE_NAME_SIZE]);
// The first old list aside that may not be opened to be removed, as a problem naming it; false
// when there is none.
bool FindStayingList(HKEY productKey, const AsideNames* names, StoreProblem* stays);
// Whether a save may remove or reuse the key `name` beside Networks.
bool AsideNameFree(const AsideNames* names, const char* name);

// Removes the key `name` below the product key as itself, with everything below it, links as
// links. True when it is gone (or was never there).
bool RemoveAsideKey(HKEY productKey, const char* name, RemovalNotes* notes);
// Removes every old list an earlier save left aside whose readers' grace has ended, and which
// is as it was put there. One still in its grace is left for later; one another program wrote
// to since is kept, its name in `changed`; one without a mark (an interrupted save's) is kept
// when `keepUnmarked`. False, with the name of the first that stays in `left`, when one could
// not be removed.
bool RemoveReplacedLists(HKEY productKey, AsideNames* names, bool keepUnmarked, char left[ASIDE_NAME_SIZE],
                         char changed[ASIDE_NAME_SIZE], RemovalNotes* notes);
// The first of a save's names to build the new list under that is free, or that holds a
// half-built list which could be removed. False, with the last status, when neither can be used.
bool TakeBuildingName(HKEY productKey, AsideNames* names, RemovalNotes* notes, const char** name, LONG* status);
// A name for the old list that no key below the product key has, or false when every one is
// taken.
bool FreeReplacedName(HKEY productKey, const AsideNames* names, char name[ASIDE_NAME_SIZE]);
// Renames the key `key` holds, in place; false when the name is taken or the rename refused.
bool RenameOpenKey(HKEY key, const char* newName);
// Removes the tree below the open `key`, then the key, through handles, links as links.
// `path` names it for the diagnostics.
// `leaf`: it may have no subkeys (or be a link), so a delete is tried first.
bool RemoveOpenTree(HKEY key, const char* path, RemovalNotes* notes, bool leaf = true);
