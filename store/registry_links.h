// Registry links inside the store. A link found where a pair key belongs is never
// written through: what it names lies outside the store.
#pragma once

#include <windows.h>

// Deletes the key that `key` names, without following it if it is a link. `key` must be
// open with DELETE access and have no subkeys left. True when the key is gone.
bool DeleteOpenKey(HKEY key);

// True when the key that `key` holds (opened with REG_OPTION_OPEN_LINK and
// KEY_QUERY_VALUE) is a registry link, or may be one because it cannot be looked at.
bool OpenKeyMayBeLink(HKEY key);

// The same, asked once: for a reading, where a wrong answer would only show the store as
// differing; what a save writes below rests on the answer asked twice.
bool OpenKeyMayBeLinkToRead(HKEY key);

// Opens `name` below `parent` as itself, never through a link, with `access`. False when
// it does not exist, cannot be opened, or is (or may be) a link.
bool OpenPlainKey(HKEY parent, const char* name, REGSAM access, HKEY* key);

// True when `name` below `parent` is a registry link, or may be one because it cannot be
// looked at; false when it is a plain key or does not exist.
bool KeyMayBeLink(HKEY parent, const char* name);

// The last name in the path the link that `key` holds (opened as itself) names, in `name`
// ("" when it is not one a save gives its keys). False when the link cannot be read.
bool LinkTargetLastName(HKEY key, char* name, DWORD size);
