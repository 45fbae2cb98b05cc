// Another process racing the save, for the end-to-end run: as fast as it can, it puts a
// registry link to a key outside the store wherever Networks or its first row key is
// missing, as an attacker with rights on those keys would. Runs until a stop file exists,
// or two minutes have passed, and prints how many links it planted.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "store/store_names.h"
#include "tests/wine_check.h"

namespace {

// A link named `name` below `parent`, naming `target` below HKEY_LOCAL_MACHINE.
bool PlantLink(HKEY parent, const char* name, const char* target)
{
    HKEY link;
    if (RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link,
                        NULL) != ERROR_SUCCESS)
        return false;
    std::string native = std::string("\\Registry\\Machine\\") + target, wide;
    for (char c : native) wide += std::string{c, '\0'};
    RegSetValueExA(link, "SymbolicLinkValue", 0, REG_LINK, (const BYTE*)wide.data(), (DWORD)wide.size());
    RegCloseKey(link);
    return true;
}

bool Missing(HKEY parent, const char* name)
{
    HKEY key;
    LONG status = RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, KEY_READ, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || !RunningOnWine()) {
        printf("usage, under Wine only: link_racer OUTSIDE-KEY STOP-FILE\n");
        return 2;
    }
    const char* outside = argv[1];
    std::string outsideRow = std::string(outside) + "\\Networks\\0";
    std::string outsideNetworks = std::string(outside) + "\\Networks";
    int planted = 0;
    DWORD start = GetTickCount();
    for (unsigned round = 0; GetTickCount() - start < 120000; ++round) {
        if (round % 256 == 0 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
        HKEY product;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, 0, KEY_ALL_ACCESS, &product) != ERROR_SUCCESS) continue;
        if (Missing(product, NETWORKS_KEY_NAME)) {
            planted += PlantLink(product, NETWORKS_KEY_NAME, outsideNetworks.c_str());
        } else {
            HKEY networks;
            if (RegOpenKeyExA(product, NETWORKS_KEY_NAME, 0, KEY_ALL_ACCESS, &networks) == ERROR_SUCCESS) {
                if (Missing(networks, "0")) planted += PlantLink(networks, "0", outsideRow.c_str());
                RegCloseKey(networks);
            }
        }
        RegCloseKey(product);
    }
    printf("planted %d\n", planted);
    return 0;
}
