// The four values of one stored row: their names, and the texts a save writes.
#include <string.h>

#include "store/store.h"
#include "store/store_names.h"

const char* const PairValueNames[PAIR_VALUE_COUNT] = {VALUE_SOURCE, VALUE_DESTINATION, VALUE_DIRECTION,
                                                      VALUE_ENABLED};

void PairValueTexts(const PairRowText* row, const char* texts[PAIR_VALUE_COUNT])
{
    texts[PAIR_VALUE_SOURCE] = row->source;
    texts[PAIR_VALUE_DESTINATION] = row->destination;
    texts[PAIR_VALUE_DIRECTION] = DIRECTION_WRITTEN;
    texts[PAIR_VALUE_ENABLED] = ENABLED_WRITTEN;
}

int PairValueByName(const char* name)
{
    for (int which = 0; which < PAIR_VALUE_COUNT; ++which)
        if (strcmp(name, PairValueNames[which]) == 0) return which;
    return -1;
}
