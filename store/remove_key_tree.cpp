// Recursive removal of a registry key. Subkey 0 is always the next one to remove,
// because every removal re-indexes the subkeys that remain.
#include <stdio.h>
#include <string.h>

#include "save_pair_list.h"

#define SUBKEY_NAME_CAPACITY MAX_PATH

bool BoundedCopy(char* destination, const char* source)
{
    size_t length = strlen(source);
    bool fits = length < KEY_TREE_PATH_SIZE;
    if (!fits) length = KEY_TREE_PATH_SIZE - 1;
    memcpy(destination, source, length);
    destination[length] = 0;
    return fits;
}

// Removes the key `name` below `parent`; `path` holds the key's full path, which is
// extended by each subkey's name while that subkey is removed. The platform calls name
// the key relative to its parent, since the ANSI calls refuse paths over 260 characters.
static bool RemoveKeyBelow(HKEY parent, const char* name, char* path)
{
    if (RegDeleteKeyA(parent, name) == ERROR_SUCCESS) return true;

    HKEY key;
    LONG status = RegOpenKeyExA(parent, name, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
        printf("Key not found.\n");
        return true;
    }
    if (status != ERROR_SUCCESS) {
        printf("Error opening key.\n");
        return false;
    }

    size_t length = strlen(path);
    size_t baseLength = (length > 0 && path[length - 1] == '\\') ? length - 1 : length;
    size_t nameStart = baseLength + 1;
    // No room for the separator and a name: the subkeys cannot be named, so stay put.
    bool canDescend = nameStart + 1 < KEY_TREE_PATH_SIZE;
    if (canDescend) {
        path[baseLength] = '\\';
        path[nameStart] = 0;
    }

    char previousName[SUBKEY_NAME_CAPACITY] = "";
    while (canDescend) {
        char subkeyName[SUBKEY_NAME_CAPACITY];
        DWORD nameLength = SUBKEY_NAME_CAPACITY;
        if (RegEnumKeyExA(key, 0, subkeyName, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        if (nameLength >= SUBKEY_NAME_CAPACITY) break;
        subkeyName[nameLength] = 0;
        // A subkey that a successful removal left in place would be handed to us forever.
        if (strcmp(subkeyName, previousName) == 0) break;
        if (nameStart + nameLength >= KEY_TREE_PATH_SIZE) break;
        memcpy(path + nameStart, subkeyName, nameLength + 1);
        if (!RemoveKeyBelow(key, path + nameStart, path)) break;
        memcpy(previousName, subkeyName, nameLength + 1);
    }

    // Cutting the path also restores `name` when it points into the path.
    path[baseLength] = 0;
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

bool RemoveKeyTree(HKEY root, char* path)
{
    return RemoveKeyBelow(root, path, path);
}
