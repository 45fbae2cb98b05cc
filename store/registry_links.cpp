// Telling a registry link from a key, and deleting a key through its own handle.
#include "store/registry_links.h"

#ifdef _WIN32
#include <winternl.h>
// ntdll's user-mode name of the documented ZwDeleteKey. RegDeleteKeyA names the key
// again and would follow a link there; this deletes exactly the key the handle holds.
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);
#endif

// The value through which the platform follows a link.
#define LINK_VALUE_NAME "SymbolicLinkValue"

bool DeleteOpenKey(HKEY key)
{
    return NtDeleteKey((HANDLE)key) == 0;  // STATUS_SUCCESS
}

// One look at the link value: false only for a key that has none, or one of another type.
static bool LinkValueMayBeThere(HKEY key)
{
    DWORD type = REG_NONE;
    LONG status = RegQueryValueExA(key, LINK_VALUE_NAME, NULL, &type, NULL, NULL);
    if (status == ERROR_FILE_NOT_FOUND) return false;
    return status != ERROR_SUCCESS || type == REG_LINK;
}

bool OpenKeyMayBeLink(HKEY key)
{
    // Everything the save writes below a key it takes for plain rests on this answer, so
    // the key is asked twice: one answer that a failing call made up cannot pass a link.
    return LinkValueMayBeThere(key) || LinkValueMayBeThere(key);
}

bool OpenKeyMayBeLinkToRead(HKEY key)
{
    return LinkValueMayBeThere(key);
}

bool OpenPlainKey(HKEY parent, const char* name, REGSAM access, HKEY* key)
{
    if (RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
        return false;
    if (!OpenKeyMayBeLink(*key)) return true;
    RegCloseKey(*key);
    return false;
}

bool KeyMayBeLink(HKEY parent, const char* name)
{
    HKEY key;
    LONG status = RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) return true;
    bool mayBeLink = OpenKeyMayBeLink(key);
    RegCloseKey(key);
    return mayBeLink;
}

bool LinkTargetLastName(HKEY key, char* name, DWORD size)
{
    name[0] = 0;
    // A native path in UTF-16, as the platform keeps it; the A call hands a link's bytes as they are.
    BYTE data[1024];
    DWORD type = REG_NONE, length = sizeof data;
    if (RegQueryValueExA(key, LINK_VALUE_NAME, NULL, &type, data, &length) != ERROR_SUCCESS || type != REG_LINK)
        return false;
    DWORD units = length / 2, start = 0;
    for (DWORD i = 0; i < units; ++i)
        if (data[2 * i] == '\\' && data[2 * i + 1] == 0) start = i + 1;
    // Only a plain ASCII name that fits can be one of ours.
    if (units - start >= size) return true;
    for (DWORD i = start; i < units; ++i)
        if (data[2 * i + 1] != 0 || data[2 * i] == 0 || data[2 * i] >= 128) return true;
    for (DWORD i = start; i < units; ++i) name[i - start] = (char)data[2 * i];
    name[units - start] = 0;
    return true;
}
