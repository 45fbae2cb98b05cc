// The walk to the product key, written once: the reading, the question whether a save may
// change the store, the save itself and the restart record all hold the path it leaves.
#include <string.h>

#include "store/registry_links.h"
#include "store/store_names.h"
#include "store/store_path.h"

const char* StoreLevelName(StoreKey level)
{
    switch (level) {
    case STORE_KEY_SOFTWARE: return SOFTWARE_KEY_NAME;
    case STORE_KEY_COMPANY: return COMPANY_KEY_NAME;
    case STORE_KEY_PRODUCT: return PRODUCT_KEY_NAME;
    default: return NETWORKS_KEY_NAME;
    }
}

void ProblemFromStatus(StoreProblem* problem, StoreKey level, LONG status, const char* keyName)
{
    memset(problem, 0, sizeof *problem);
    problem->trouble = status == ERROR_FILE_NOT_FOUND ? STORE_MISSING
                       : status == ERROR_ACCESS_DENIED ? STORE_DENIED
                                                       : STORE_REFUSED;
    problem->key = level;
    problem->status = status;
    if (keyName != NULL) strncpy(problem->keyName, keyName, SUBKEY_NAME_SIZE - 1);
}

void ReleaseStorePath(StorePath* path)
{
    if (path->networks) RegCloseKey(path->networks);
    path->networks = NULL;
    path->networksIsLink = false;
    if (path->product) RegCloseKey(path->product);
    if (path->company) RegCloseKey(path->company);
    if (path->software) RegCloseKey(path->software);
    path->software = path->company = path->product = NULL;
    path->throughLink = false;
}

// Opens one level as itself. A link is refused to save; to read, it is opened again through
// what it names.
static bool OpenLevel(HKEY parent, StoreKey level, REGSAM access, PathUse use, HKEY* key, StoreProblem* problem,
                      bool* linked)
{
    const char* name = StoreLevelName(level);
    LONG status = RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key);
    if (status == ERROR_FILE_NOT_FOUND && use == PATH_TO_SAVE_MAKING && level == STORE_KEY_PRODUCT) {
        DWORD disposition = 0;
        status = RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, NULL, key,
                                 &disposition);
        if (status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY) return true;
    }
    if (status != ERROR_SUCCESS) {
        *key = NULL;
        ProblemFromStatus(problem, level, status, NULL);
        return false;
    }
    if (!OpenKeyMayBeLink(*key)) return true;
    RegCloseKey(*key);
    *key = NULL;
    *linked = true;
    if (use != PATH_TO_READ) {
        memset(problem, 0, sizeof *problem);
        problem->trouble = STORE_LINK;
        problem->key = level;
        return false;
    }
    status = RegOpenKeyExA(parent, name, 0, access, key);
    if (status == ERROR_SUCCESS) return true;
    *key = NULL;
    ProblemFromStatus(problem, level, status, NULL);
    return false;
}

bool HoldStorePath(PathUse use, StorePath* path, StoreProblem* problem, int* linkAt)
{
    memset(path, 0, sizeof *path);
    memset(problem, 0, sizeof *problem);
    int firstLink = -1;
    if (linkAt == NULL) linkAt = &firstLink;
    *linkAt = -1;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_QUERY_VALUE, &path->software);
    if (status != ERROR_SUCCESS) {
        path->software = NULL;
        ProblemFromStatus(problem, STORE_KEY_SOFTWARE, status, NULL);
        return false;
    }
    bool linked = false;
    // A save also writes the restart record beside the product key.
    REGSAM companyAccess = use != PATH_TO_READ ? KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY : KEY_QUERY_VALUE;
    bool held = OpenLevel(path->software, STORE_KEY_COMPANY, companyAccess, use, &path->company, problem, &linked);
    if (!held && use != PATH_TO_READ && problem->trouble == STORE_DENIED)
        held = OpenLevel(path->software, STORE_KEY_COMPANY, KEY_QUERY_VALUE, use, &path->company, problem, &linked);
    if (linked && *linkAt < 0) *linkAt = STORE_KEY_COMPANY;
    linked = false;
    if (held)
        held = OpenLevel(path->company, STORE_KEY_PRODUCT, use != PATH_TO_READ ? PRODUCT_SAVE_ACCESS : KEY_READ, use,
                         &path->product, problem, &linked);
    if (linked && *linkAt < 0) *linkAt = STORE_KEY_PRODUCT;
    if (!held) ReleaseStorePath(path);
    // A level held on a second try leaves no problem from the first.
    if (held) memset(problem, 0, sizeof *problem);
    path->throughLink = held && *linkAt >= 0;
    return held;
}
