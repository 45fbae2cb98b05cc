// Recursive removal of a registry key. Subkey 0 is always the next one to remove,
// because every removal re-indexes the subkeys that remain.
#include <stdio.h>
#include <string.h>

#include "store/key_tree_removal.h"
#include "store/registry_links.h"
#include "store/store.h"
#include "resources/diagnostic_texts.h"

#define SUBKEY_NAME_CAPACITY MAX_PATH
// Enough to walk the subkeys and to delete the key; links are opened as links.
#define REMOVAL_ACCESS (KEY_READ | DELETE)

bool BoundedCopy(char* destination, const char* source)
{
    size_t length = strlen(source);
    bool fits = length < KEY_TREE_PATH_SIZE;
    if (!fits) length = KEY_TREE_PATH_SIZE - 1;
    memcpy(destination, source, length);
    destination[length] = 0;
    return fits;
}

// Removes the key `name` (or, found by the walk, `wideName`) below `parent`. The key is opened
// with REG_OPTION_OPEN_LINK and deleted through that handle, never by name: a registry link
// is removed as a link, and what it names stays as it was. The calls name the key relative
// to its parent, since the ANSI calls refuse paths over 260 characters; a subkey is named as
// the registry keeps its name, in UTF-16, since one that the code page cannot hold opens
// nothing by its ANSI name.
static bool RemoveKeyBelow(HKEY parent, const char* name, const WCHAR* wideName, char* path, RemovalNotes* notes)
{
    HKEY key;
    LONG status = wideName != NULL ? RegOpenKeyExW(parent, wideName, REG_OPTION_OPEN_LINK, REMOVAL_ACCESS, &key)
                                   : RegOpenKeyExA(parent, name, REG_OPTION_OPEN_LINK, REMOVAL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
        if (notes) ++notes->keysNotFound;
        return true;
    }
    if (status != ERROR_SUCCESS) {
        if (notes) ++notes->keysNotOpened;
        return false;
    }
    // Most keys are leaves (or links): the first delete takes them at once.
    bool removed = DeleteOpenKey(key) || (RemoveSubkeysOf(key, path, notes) && DeleteOpenKey(key));
    RegCloseKey(key);
    return removed;
}

bool RemoveSubkeysOf(HKEY key, char* path, RemovalNotes* notes)
{
    size_t length = strlen(path);
    size_t baseLength = (length > 0 && path[length - 1] == '\\') ? length - 1 : length;
    size_t nameStart = baseLength + 1;
    bool emptied = false;
    // No room for the separator and a name: subkeys could not be named, so none is tried.
    if (nameStart + 1 < KEY_TREE_PATH_SIZE) {
        path[baseLength] = '\\';
        path[nameStart] = 0;
    }
    WCHAR previousName[SUBKEY_NAME_CAPACITY] = {0};
    for (;;) {
        WCHAR wideName[SUBKEY_NAME_CAPACITY];
        DWORD wideLength = SUBKEY_NAME_CAPACITY;
        LONG status = RegEnumKeyExW(key, 0, wideName, &wideLength, NULL, NULL, NULL, NULL);
        // Only "no more subkeys" says the key is empty; any other failure leaves it in doubt.
        if (status == ERROR_NO_MORE_ITEMS) emptied = true;
        if (status != ERROR_SUCCESS || wideLength >= SUBKEY_NAME_CAPACITY) break;
        wideName[wideLength] = 0;
        // A subkey that a successful removal left in place would be handed to us forever.
        if (memcmp(wideName, previousName, (wideLength + 1) * sizeof(WCHAR)) == 0) break;
        // The path holds the name as the ANSI calls give it.
        char subkeyName[SUBKEY_NAME_CAPACITY * 2];
        int nameLength = WideCharToMultiByte(CP_ACP, 0, wideName, -1, subkeyName, sizeof subkeyName, NULL, NULL) - 1;
        if (nameLength < 0 || nameStart + (size_t)nameLength >= KEY_TREE_PATH_SIZE) break;
        memcpy(path + nameStart, subkeyName, (size_t)nameLength + 1);
        if (!RemoveKeyBelow(key, NULL, wideName, path, notes)) break;
        memcpy(previousName, wideName, (wideLength + 1) * sizeof(WCHAR));
    }
    // Cutting the path also restores the caller's name when it points into the path.
    path[baseLength] = 0;
    return emptied;
}

bool RemoveKeyTreeNoting(HKEY root, char* path, RemovalNotes* notes)
{
    return RemoveKeyBelow(root, path, NULL, path, notes);
}

bool RemoveKeyTree(HKEY root, char* path)
{
    RemovalNotes notes = {0, 0};
    bool removed = RemoveKeyTreeNoting(root, path, &notes);
    // In the order the walk met them: it stops at the first key it cannot open.
    for (int i = 0; i < notes.keysNotFound; ++i) printf(DIAGNOSTIC_KEY_NOT_FOUND);
    for (int i = 0; i < notes.keysNotOpened; ++i) printf(DIAGNOSTIC_KEY_NOT_OPENED);
    return removed;
}
