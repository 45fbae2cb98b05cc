// The security of the keys a save replaces, kept for the keys it makes in their place.
// Private to the store.
#pragma once

#include <windows.h>

#include "store/store.h"

// Reads the DACL of the open `key` (READ_CONTROL); false, and none, when it cannot be read.
bool ReadKeySecurity(HKEY key, KeySecurity* security);
void FreeKeySecurity(KeySecurity* security);
bool SameKeySecurity(const KeySecurity* a, const KeySecurity* b);

// The DACLs of the old list, open as itself with KEY_READ: Networks', and its pair keys' when
// they all agree. A link's own, or one that cannot be read, is none: the new keys then get
// the inherited default.
void ReadListSecurity(HKEY oldKey, bool link, ListSecurity* security);
void FreeListSecurity(ListSecurity* security);

// Gives the new key (open with WRITE_DAC) the DACL `wanted` unless it has it already; `have`,
// when not NULL, is what the new key has. False when it could not be set.
bool KeepKeySecurity(HKEY key, const KeySecurity* wanted, const KeySecurity* have);
