// An administrator may have set a protected DACL on Networks or its pair keys. The save makes
// those keys anew, which would give them the inherited default, so it reads what the old keys
// had and gives the new ones the same; only where the old pair keys differed do the new ones
// get the default, and the plan says so.
#include "store/key_security.h"

#include <stdlib.h>
#include <string.h>

#include "store/store.h"

// Most descriptors fit this; a longer one is asked for again.
#define USUAL_DESCRIPTOR_SIZE 512

bool ReadKeySecurity(HKEY key, KeySecurity* security)
{
    security->size = USUAL_DESCRIPTOR_SIZE;
    security->descriptor = (BYTE*)malloc(security->size);
    LONG status = security->descriptor != NULL ? RegGetKeySecurity(key, DACL_SECURITY_INFORMATION,
                                                                   security->descriptor, &security->size)
                                               : ERROR_NOT_ENOUGH_MEMORY;
    if (status == ERROR_INSUFFICIENT_BUFFER && security->size > USUAL_DESCRIPTOR_SIZE) {
        BYTE* larger = (BYTE*)realloc(security->descriptor, security->size);
        if (larger != NULL) security->descriptor = larger;
        status = larger != NULL ? RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, security->descriptor,
                                                    &security->size)
                                : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (status == ERROR_SUCCESS && security->size > 0) return true;
    FreeKeySecurity(security);
    return false;
}

void FreeKeySecurity(KeySecurity* security)
{
    free(security->descriptor);
    security->descriptor = NULL;
    security->size = 0;
}

bool SameKeySecurity(const KeySecurity* a, const KeySecurity* b)
{
    return a->size == b->size && (a->size == 0 || memcmp(a->descriptor, b->descriptor, a->size) == 0);
}

// The DACL every pair key below the open old list has, or none with `differ` when they do
// not all agree or one cannot be read.
static void ReadPairsSecurity(HKEY oldKey, KeySecurity* pairs, bool* differ)
{
    for (DWORD index = 0;; ++index) {
        WCHAR name[SUBKEY_NAME_SIZE];
        DWORD length = SUBKEY_NAME_SIZE;
        LONG status = RegEnumKeyExW(oldKey, index, name, &length, NULL, NULL, NULL, NULL);
        if (status == ERROR_NO_MORE_ITEMS) return;
        HKEY pairKey;
        KeySecurity one = {NULL, 0};
        bool read = status == ERROR_SUCCESS &&
                    RegOpenKeyExW(oldKey, name, REG_OPTION_OPEN_LINK, READ_CONTROL, &pairKey) == ERROR_SUCCESS;
        if (read) {
            read = ReadKeySecurity(pairKey, &one);
            RegCloseKey(pairKey);
        }
        bool agrees = read && (index == 0 ? true : SameKeySecurity(&one, pairs));
        if (read && index == 0) *pairs = one;
        else FreeKeySecurity(&one);
        if (!agrees) {
            FreeKeySecurity(pairs);
            *differ = true;
            return;
        }
    }
}

void ReadListSecurity(HKEY oldKey, bool link, ListSecurity* security)
{
    memset(security, 0, sizeof *security);
    if (oldKey == NULL || link) return;
    ReadKeySecurity(oldKey, &security->networks);
    ReadPairsSecurity(oldKey, &security->pairs, &security->pairsDiffer);
}

void FreeListSecurity(ListSecurity* security)
{
    FreeKeySecurity(&security->networks);
    FreeKeySecurity(&security->pairs);
}

bool KeepKeySecurity(HKEY key, const KeySecurity* wanted, const KeySecurity* have)
{
    if (wanted->size == 0) return true;
    KeySecurity now = {NULL, 0};
    if (have == NULL && ReadKeySecurity(key, &now)) have = &now;
    bool same = have != NULL && SameKeySecurity(have, wanted);
    FreeKeySecurity(&now);
    return same || RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, wanted->descriptor) == ERROR_SUCCESS;
}
