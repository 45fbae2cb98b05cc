// The Networks key as the companion's messages name it. A 32-bit program on 64-bit Windows
// sees the 32-bit view; regedit and 64-bit tools show the same key below WOW6432Node.
#include <windows.h>

#include "console/pairs_texts.h"

#include "console/pairs_commands.h"
#include "store/store_names.h"

std::string StoreShownAs(void)
{
    // Said whatever this process's view: the message may be read on another computer.
    return NETWORKS_REG_PATH " (" TEXT_PAIRS_WOW64_VIEW ")";
}
