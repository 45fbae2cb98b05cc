// The console companion's report of an unusable store: on standard error, not in a box,
// naming the key and what to do, and an exit code of its own that a script can tell apart.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console/pairs_commands.h"
#include "store/printable_text.h"
#include "resources/program_texts.h"
#include "store/store.h"
#include "store/store_names.h"

#define WIDE_NAME_CAPACITY 256

// A pair key whose name the code page cannot hold is listed under a name that opens
// nothing (or another key): find it, to say so rather than blame the rights.
static bool FindUnreadableName(HKEY networksKey, std::string* shown)
{
    for (DWORD index = 0;; ++index) {
        WCHAR name[WIDE_NAME_CAPACITY];
        DWORD length = WIDE_NAME_CAPACITY;
        if (RegEnumKeyExW(networksKey, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return false;
        // A name survives when it comes back from the code page as it went in.
        char ansi[WIDE_NAME_CAPACITY * 2];
        BOOL lost = FALSE;
        int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, (int)length, ansi, sizeof ansi - 1, NULL, &lost);
        ansi[count > 0 ? count : 0] = 0;
        WCHAR back[WIDE_NAME_CAPACITY * 2];
        int backLength = count > 0 ? MultiByteToWideChar(CP_ACP, 0, ansi, count, back, WIDE_NAME_CAPACITY * 2) : 0;
        if (lost || backLength != (int)length || memcmp(back, name, length * sizeof(WCHAR)) != 0) {
            *shown = PrintableText(ansi);
            return true;
        }
    }
}

void FatalSettingsError(void)
{
    // Which open failed is not handed here; asking again only reads, and tells a missing
    // store from one that cannot be read, a name that cannot be read, and one that reads but
    // may not be changed (the save's last open asks for full access).
    HKEY networksKey;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networksKey);
    std::string badName;
    bool nameUnreadable = status == ERROR_SUCCESS && FindUnreadableName(networksKey, &badName);
    if (status == ERROR_SUCCESS) RegCloseKey(networksKey);
    fflush(stdout);
    std::string store = StoreShownAs();
    long error = (long)(status == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : status);
    if (status == ERROR_FILE_NOT_FOUND)
        fprintf(stderr, TEXT_PAIRS_STORE_MISSING "\n", store.c_str());
    else if (nameUnreadable)
        fprintf(stderr, TEXT_PAIRS_STORE_BAD_NAME "\n", store.c_str(), badName.c_str());
    else if (status == ERROR_SUCCESS)  // it reads: what failed was opening it to change it
        fprintf(stderr, TEXT_PAIRS_STORE_NOT_WRITABLE "\n", store.c_str(), error);
    else
        fprintf(stderr, TEXT_PAIRS_STORE_NOT_READABLE "\n", store.c_str(), error);
    exit(PAIRS_STORE_UNUSABLE);
}
