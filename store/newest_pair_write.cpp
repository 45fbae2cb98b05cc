// The time the pair list was last written, in one enumeration, reading only.
#include "store/store.h"
#include "store/store_names.h"

static bool Later(const FILETIME* a, const FILETIME* b)
{
    return a->dwHighDateTime != b->dwHighDateTime ? a->dwHighDateTime > b->dwHighDateTime
                                                  : a->dwLowDateTime > b->dwLowDateTime;
}

bool NewestPairWrite(FILETIME* newest)
{
    HKEY networksKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networksKey) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    bool read = RegQueryInfoKeyA(networksKey, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL,
                                 newest) == ERROR_SUCCESS;
    for (DWORD index = 0; read && index < subkeys; ++index) {
        char name[SUBKEY_NAME_SIZE];
        DWORD nameLength = sizeof name;
        FILETIME lastWrite;
        LONG status = RegEnumKeyExA(networksKey, index, name, &nameLength, NULL, NULL, NULL, &lastWrite);
        if (status == ERROR_NO_MORE_ITEMS) break;  // one went meanwhile: Networks' own time shows it
        read = status == ERROR_SUCCESS;
        if (read && Later(&lastWrite, newest)) *newest = lastWrite;
    }
    RegCloseKey(networksKey);
    return read;
}
