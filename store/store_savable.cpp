// Whether a save could change the store at all: asked while a change is planned, so that a
// dry run and a real run refuse alike, naming the cause, before anything is written.
#include <stdio.h>

#include "store/registry_links.h"
#include "store/store.h"
#include "store/store_names.h"

// Opens `name` below `parent` as itself with `access`; on failure says why in `why`.
static bool OpenLevel(HKEY parent, const char* name, REGSAM access, HKEY* key, char* why, size_t whySize)
{
    LONG status = RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key);
    if (status == ERROR_SUCCESS && !OpenKeyMayBeLink(*key)) return true;
    if (status == ERROR_SUCCESS) {
        RegCloseKey(*key);
        snprintf(why, whySize, "\"%s\" is a registry link, which the save never writes through", name);
    } else if (status == ERROR_FILE_NOT_FOUND) {
        snprintf(why, whySize, "\"%s\" is missing", name);
    } else {
        snprintf(why, whySize, "this account may not change \"%s\" (error %ld)", name, (long)status);
    }
    return false;
}

bool StoreCanBeSaved(char* why, size_t whySize)
{
    HKEY software, company, product, networks;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_QUERY_VALUE, &software) != ERROR_SUCCESS) {
        snprintf(why, whySize, "\"%s\" cannot be opened", SOFTWARE_KEY_NAME);
        return false;
    }
    // The rights each level is held with during a save.
    bool savable = OpenLevel(software, COMPANY_KEY_NAME, KEY_QUERY_VALUE, &company, why, whySize);
    if (savable) {
        // Full access, as the save asks of the product key when it ends.
        savable = OpenLevel(company, PRODUCT_KEY_NAME, KEY_ALL_ACCESS, &product, why, whySize);
        if (savable) {
            // Networks itself may be a link: the save deletes a link as itself. It must let
            // itself be deleted.
            LONG status = RegOpenKeyExA(product, NETWORKS_KEY_NAME, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &networks);
            if (status == ERROR_SUCCESS) RegCloseKey(networks);
            else if (status == ERROR_FILE_NOT_FOUND) snprintf(why, whySize, "\"%s\" is missing", NETWORKS_KEY_NAME);
            else snprintf(why, whySize, "this account may not replace \"%s\" (error %ld)", NETWORKS_KEY_NAME, (long)status);
            savable = status == ERROR_SUCCESS;
            RegCloseKey(product);
        }
        RegCloseKey(company);
    }
    RegCloseKey(software);
    return savable;
}
