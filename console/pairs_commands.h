// The console companion's commands over the same store and rules as the configurator (the
// command table, console/command_table.cpp, lists them all, with their help). Every change
// rewrites the whole list as the configurator's save does.
#pragma once

#include <string>

#include "net/adapters.h"

// What a script can rely on.
enum PairsExitCode {
    PAIRS_UNCHANGED = 0,       // done, and nothing needed changing
    PAIRS_SAVE_FAILED = 1,     // the store could not be made to hold the list
    PAIRS_CHANGED = 2,         // done, and the store changed: restart the service
    PAIRS_REFUSED = 3,         // refused by a rule; nothing changed
    PAIRS_USAGE = 4,           // the command line is not one of the commands
    PAIRS_STORE_UNUSABLE = 5,  // the store cannot be used or saved (no Networks key, a link, no rights)
    PAIRS_STORE_CHANGED = 6,   // another writer changed the store before or while this saved
    PAIRS_NOT_RESTARTED = 7,   // the store changed, but the repeater service did not restart
    PAIRS_STORE_UNCHECKED = 8, // whether another writer changed it could not be read; nothing changed
    PAIRS_NO_SERVICE = 9,      // the repeater service cannot be found or asked (status, restart)
    PAIRS_ADDRESSES_UNKNOWN = 10, // this computer's addresses cannot be read: no pair can be called stale (prune)
};

// The Networks key as messages name it; under WOW64 also where 64-bit tools show it.
std::string StoreShownAs(void);

// Runs one command line; argv[0] is the program's name. The local addresses must have been
// discovered, and `own` holds what else is known of this computer's addresses. Writes to
// standard output and standard error.
int RunPairsCommand(int argc, char** argv, const OwnAddresses& own);
