// The keys beside Networks: made, renamed and removed through the handles the save holds,
// never by a path resolved twice.
#include <stdio.h>
#include <ctype.h>
#include <string.h>

#include "store/key_tree_removal.h"
#include "store/list_aside.h"
#include "store/old_list_retirement.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

static void ReplacedName(int number, char name[ASIDE_NAME_SIZE])
{
    if (number == 1) snprintf(name, ASIDE_NAME_SIZE, "%s", REPLACED_KEY_NAME);
    else snprintf(name, ASIDE_NAME_SIZE, REPLACED_KEY_NAME_BY_NUMBER, number);
}

bool RemoveOpenTree(HKEY key, const char* path, RemovalNotes* notes, bool leaf)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, path);
    // A link, or an empty list, goes with the first delete.
    return (leaf && DeleteOpenKey(key)) || (RemoveSubkeysOf(key, treePath, notes) && DeleteOpenKey(key));
}

bool RemoveAsideKey(HKEY productKey, const char* name, RemovalNotes* notes)
{
    HKEY key;
    LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, name);
    bool removed = RemoveOpenTree(key, path, notes);
    RegCloseKey(key);
    return removed;
}

static bool SameName(const WCHAR* wide, DWORD length, const char* name)
{
    if (strlen(name) != length) return false;
    for (DWORD i = 0; i < length; ++i)
        if (wide[i] >= 128 || toupper(wide[i]) != toupper((unsigned char)name[i])) return false;
    return true;
}

static const char* const BuildingNames[2] = {BUILDING_KEY_NAME, BUILDING_KEY_NAME_2};

void FindAsideNames(HKEY productKey, AsideNames* names)
{
    memset(names, 0, sizeof *names);
    bool listed = false;
    for (DWORD index = 0;; ++index) {
        WCHAR wide[ASIDE_NAME_SIZE];
        DWORD length = ASIDE_NAME_SIZE;
        LONG status = RegEnumKeyExW(productKey, index, wide, &length, NULL, NULL, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS) listed = true;
        if (status == ERROR_MORE_DATA) continue;  // longer than any of ours
        if (status != ERROR_SUCCESS) break;
        for (int which = 0; which < 2; ++which)
            if (SameName(wide, length, BuildingNames[which])) names->building[which] = true;
        for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
            char name[ASIDE_NAME_SIZE];
            ReplacedName(number, name);
            if (SameName(wide, length, name)) names->replaced[number] = true;
        }
    }
    if (listed) return;
    names->building[0] = names->building[1] = true;
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) names->replaced[number] = true;
}

bool OpenInterruptedList(HKEY productKey, const AsideNames* names, REGSAM access, HKEY* key, char name[ASIDE_NAME_SIZE])
{
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        if (!names->replaced[number]) continue;
        ReplacedName(number, name);
        if (RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
            continue;
        if (LookAtAsideList(*key, NULL) == ASIDE_UNMARKED) return true;
        RegCloseKey(*key);
    }
    *key = NULL;
    name[0] = 0;
    return false;
}

bool FindStayingList(HKEY productKey, const AsideNames* names, StoreProblem* stays)
{
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        char name[ASIDE_NAME_SIZE];
        ReplacedName(number, name);
        if (!names->replaced[number] || !AsideNameFree(names, name)) continue;
        HKEY key;
        LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
        if (status == ERROR_SUCCESS) RegCloseKey(key);
        if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) continue;
        memset(stays, 0, sizeof *stays);
        stays->trouble = status == ERROR_ACCESS_DENIED ? STORE_DENIED : STORE_REFUSED;
        stays->key = STORE_KEY_ASIDE;
        stays->status = status;
        snprintf(stays->keyName, sizeof stays->keyName, "%s", name);
        return true;
    }
    return false;
}

bool AsideNameFree(const AsideNames* names, const char* name)
{
    if (names->keepAll) return false;
    size_t i = 0;
    while (name[i] != 0 && toupper((unsigned char)name[i]) == toupper((unsigned char)names->kept[i])) ++i;
    return name[i] != 0 || names->kept[i] != 0;
}

bool RemoveReplacedLists(HKEY productKey, AsideNames* names, bool keepUnmarked, char left[ASIDE_NAME_SIZE],
                         char changed[ASIDE_NAME_SIZE], RemovalNotes* notes)
{
    bool allGone = true;
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        char name[ASIDE_NAME_SIZE];
        ReplacedName(number, name);
        if (!names->replaced[number] || !AsideNameFree(names, name)) continue;
        HKEY key;
        LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_READ | KEY_SET_VALUE | DELETE, &key);
        // One whose DACL keeps its values is removed all the same, when it may be.
        if (status == ERROR_ACCESS_DENIED)
            status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
        if (status == ERROR_FILE_NOT_FOUND) {
            names->replaced[number] = false;
            continue;
        }
        AsideListState state = ASIDE_RETIRED;
        bool link = status == ERROR_SUCCESS && OpenKeyMayBeLinkToRead(key);
        if (status == ERROR_SUCCESS && !link) state = LookAtAsideList(key, NULL);
        if (state == ASIDE_CHANGED && changed[0] == 0) snprintf(changed, ASIDE_NAME_SIZE, "%s", name);
        bool removable = state == ASIDE_RETIRED || (state == ASIDE_UNMARKED && !keepUnmarked);
        char path[KEY_TREE_PATH_SIZE];
        snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, name);
        bool removed = status == ERROR_SUCCESS && removable && RemoveAsideList(key, path, notes, link);
        if (status == ERROR_SUCCESS) RegCloseKey(key);
        if (removed) names->replaced[number] = false;
        if (removed || !removable) continue;
        if (allGone) snprintf(left, ASIDE_NAME_SIZE, "%s", name);
        allGone = false;
    }
    return allGone;
}

bool TakeBuildingName(HKEY productKey, AsideNames* names, RemovalNotes* notes, const char** name, LONG* status)
{
    *status = ERROR_ACCESS_DENIED;
    for (int which = 0; which < 2; ++which) {
        *name = BuildingNames[which];
        if (!AsideNameFree(names, *name)) continue;
        // What an interrupted save left there is a half-built list of ours: it goes first.
        if (!names->building[which] || RemoveAsideKey(productKey, *name, notes)) return true;
    }
    return false;
}

bool FreeReplacedName(HKEY productKey, const AsideNames* names, char name[ASIDE_NAME_SIZE])
{
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        ReplacedName(number, name);
        if (!names->replaced[number] && AsideNameFree(names, name)) return true;
        if (!AsideNameFree(names, name)) continue;
        HKEY key;
        LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &key);
        if (status == ERROR_FILE_NOT_FOUND) return true;
        if (status == ERROR_SUCCESS) RegCloseKey(key);
    }
    return false;
}

bool RenameOpenKey(HKEY key, const char* newName)
{
    WCHAR wide[ASIDE_NAME_SIZE];
    if (MultiByteToWideChar(CP_ACP, 0, newName, -1, wide, ASIDE_NAME_SIZE) <= 0) return false;
    return RegRenameKey(key, NULL, wide) == ERROR_SUCCESS;
}
