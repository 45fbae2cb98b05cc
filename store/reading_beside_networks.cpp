// What a reading finds beside Networks: a list an interrupted save left aside, and the save's
// own names that a save could not use as they are.
#include <stdio.h>
#include <string.h>

#include "store/list_aside.h"
#include "store/reading_beside_networks.h"
#include "store/registry_links.h"
#include "store/store_names.h"
#include "store/store_path.h"

bool FindInterruptedLists(StoreReading* reading, REGSAM access)
{
    InterruptedSave* interrupted = &reading->interrupted;
    interrupted->networksMissing = true;
    AsideNames names;
    FindAsideNames(reading->path.product, &names);
    if (names.building[0]) snprintf(interrupted->newList, sizeof interrupted->newList, "%s", BUILDING_KEY_NAME);
    HKEY aside;
    if (!OpenInterruptedList(reading->path.product, &names, access, &aside, interrupted->oldList)) return false;
    RegCloseKey(aside);
    return true;
}

// Beside a Networks with no pairs, a list an interrupted save left aside is said: it may be
// the only copy of the list the service read.
void NoteListLeftAside(StoreReading* reading)
{
    if (reading->interrupted.networksMissing || reading->pairCount != 0) return;
    AsideNames names;
    FindAsideNames(reading->path.product, &names);
    HKEY aside;
    if (!OpenInterruptedList(reading->path.product, &names, KEY_READ, &aside, reading->interrupted.oldList)) return;
    DWORD keys = 0;
    RegQueryInfoKeyA(aside, NULL, NULL, NULL, &keys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(aside);
    if (keys == 0) reading->interrupted.oldList[0] = 0;
    reading->interrupted.oldPairs = keys;
}

// Whether the save may use `name` beside Networks to build under: it is not there, or it may
// be removed; not when a link at Networks names it.
static LONG BuildingNameUsable(HKEY product, const AsideNames* linked, const char* name)
{
    if (!AsideNameFree(linked, name)) return ERROR_ALREADY_EXISTS;
    HKEY key;
    LONG status = RegOpenKeyExA(product, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// The names a save would build under, when the first may not be used: one that a link at
// Networks names, or a key there that may not be removed. When neither may, no save can.
static void NoteBuildingBlocked(StoreReading* reading, HKEY networksKey, bool link)
{
    AsideNames linked;
    memset(&linked, 0, sizeof linked);
    if (link) LinkTargetLastName(networksKey, linked.kept, sizeof linked.kept);
    LONG status = BuildingNameUsable(reading->path.product, &linked, BUILDING_KEY_NAME);
    if (status == ERROR_SUCCESS) return;
    StoreProblem* blocked = &reading->buildingBlocked;
    ProblemFromStatus(blocked, STORE_KEY_ASIDE, status, BUILDING_KEY_NAME);
    if (status == ERROR_ALREADY_EXISTS) blocked->trouble = STORE_LINK;
    status = BuildingNameUsable(reading->path.product, &linked, BUILDING_KEY_NAME_2);
    if (status != ERROR_SUCCESS && reading->unsavable.trouble == STORE_FINE)
        ProblemFromStatus(&reading->unsavable, STORE_KEY_ASIDE, status, BUILDING_KEY_NAME_2);
}

void NoteWhatBlocksASave(StoreReading* reading, HKEY networksKey, bool link)
{
    NoteBuildingBlocked(reading, networksKey, link);
    AsideNames names;
    FindAsideNames(reading->path.product, &names);
    FindStayingList(reading->path.product, &names, &reading->leftoverStays);
}
