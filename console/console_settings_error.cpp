// The console companion's report of an unusable store: on standard error, not in a box,
// and an exit code of its own that a script can tell from the others.
#include <stdio.h>
#include <stdlib.h>

#include "console/pairs_commands.h"
#include "resources/program_texts.h"
#include "store/store.h"

void FatalSettingsError(void)
{
    fflush(stdout);
    fprintf(stderr, "%s\n", TEXT_SETTINGS_ERROR);
    exit(PAIRS_STORE_UNUSABLE);
}
