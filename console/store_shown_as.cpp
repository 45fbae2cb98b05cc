// The Networks key as the companion's messages name it. A 32-bit program on 64-bit Windows
// sees the 32-bit view; regedit and 64-bit tools show the same key below WOW6432Node.
#include <windows.h>

#include "console/pairs_commands.h"
#include "store/store_names.h"

std::string StoreShownAs(void)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return NETWORKS_REG_PATH;
    return NETWORKS_REG_PATH " (64-bit tools show it as HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME
                             "\\WOW6432Node\\" COMPANY_KEY_NAME "\\" PRODUCT_KEY_NAME "\\" NETWORKS_KEY_NAME ")";
}
