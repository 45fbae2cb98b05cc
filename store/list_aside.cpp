// The keys beside Networks: made, renamed and removed through the handles the save holds,
// never by a path resolved twice.
#include <string.h>

#include "store/key_tree_removal.h"
#include "store/list_aside.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

static void ReplacedName(int number, char name[ASIDE_NAME_SIZE])
{
    if (number == 1) snprintf(name, ASIDE_NAME_SIZE, "%s", REPLACED_KEY_NAME);
    else snprintf(name, ASIDE_NAME_SIZE, REPLACED_KEY_NAME_BY_NUMBER, number);
}

bool RemoveOpenTree(HKEY key, const char* path, FILE* diagnostics)
{
    char treePath[KEY_TREE_PATH_SIZE];
    BoundedCopy(treePath, path);
    // Most old lists are links or hold only leaves: the first delete takes a link at once.
    return DeleteOpenKey(key) || (RemoveSubkeysOf(key, treePath, diagnostics) && DeleteOpenKey(key));
}

bool RemoveAsideKey(HKEY productKey, const char* name, FILE* diagnostics)
{
    HKEY key;
    LONG status = RegOpenKeyExA(productKey, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    char path[KEY_TREE_PATH_SIZE];
    snprintf(path, sizeof path, "%s\\%s", PRODUCT_KEY_PATH, name);
    bool removed = RemoveOpenTree(key, path, diagnostics);
    RegCloseKey(key);
    return removed;
}

bool RemoveReplacedLists(HKEY productKey, char left[ASIDE_NAME_SIZE], FILE* diagnostics)
{
    bool allGone = true;
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        char name[ASIDE_NAME_SIZE];
        ReplacedName(number, name);
        if (RemoveAsideKey(productKey, name, diagnostics)) continue;
        if (allGone) snprintf(left, ASIDE_NAME_SIZE, "%s", name);
        allGone = false;
    }
    return allGone;
}

bool FreeReplacedName(HKEY productKey, char name[ASIDE_NAME_SIZE])
{
    for (int number = 1; number <= REPLACED_KEY_NAMES; ++number) {
        ReplacedName(number, name);
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
