// The explanation line: for each address in play, the adapter that holds it and its network.
#include <stdio.h>
#include <string.h>

#include "editor/address_line.h"
#include "net/adapters.h"
#include "net/own_addresses.h"
#include "store/store.h"
#include "resources/program_texts.h"

static void AppendClause(char* text, size_t size, const char* separator, const char* clause)
{
    size_t used = strlen(text);
    if (used + 1 >= size) return;
    snprintf(text + used, size - used, "%s%s", used > 0 ? separator : "", clause);
}

// Which adapter holds an address, in the configurator's words.
static void DescribeHolder(const OwnAddresses& own, const char* address, char* text, size_t size)
{
    DescribeAddressHolder(own, address, TEXT_NOT_ON_THIS_COMPUTER, TEXT_ADAPTERS_UNAVAILABLE, text, size);
}

int CountStalePairs(const OwnAddresses& own, const PairRowText* rows, int rowCount)
{
    int stale = 0;
    for (int row = 0; row < rowCount; ++row) {
        const char* missing[2];
        if (MissingPairAddresses(own, rows[row].source, rows[row].destination, missing) > 0) ++stale;
    }
    return stale;
}

void FormatAddressLine(const OwnAddresses& own, const char* source, const char* destination, const char* rowSource,
                       const char* rowDestination, int stalePairs, char* text, size_t size)
{
    if (size == 0) return;
    text[0] = 0;
    char clause[ADDRESS_LINE_SIZE];
    char holder[ADDRESS_HOLDER_TEXT_SIZE], otherHolder[ADDRESS_HOLDER_TEXT_SIZE];
    if (source[0] != 0) {
        DescribeHolder(own, source, holder, sizeof holder);
        snprintf(clause, sizeof clause, TEXT_HOLDER_SOURCE, source, holder);
        AppendClause(text, size, " ", clause);
    }
    if (destination[0] != 0) {
        DescribeHolder(own, destination, holder, sizeof holder);
        snprintf(clause, sizeof clause, TEXT_HOLDER_DESTINATION, destination, holder);
        AppendClause(text, size, " ", clause);
    }
    if (rowSource != NULL && rowDestination != NULL) {
        DescribeHolder(own, rowSource, holder, sizeof holder);
        DescribeHolder(own, rowDestination, otherHolder, sizeof otherHolder);
        snprintf(clause, sizeof clause, TEXT_HOLDER_SELECTED, rowSource, holder, rowDestination, otherHolder);
        AppendClause(text, size, "\r\n", clause);
    } else if (stalePairs > 0) {
        if (stalePairs == 1) snprintf(clause, sizeof clause, TEXT_STALE_PAIR);
        else snprintf(clause, sizeof clause, TEXT_STALE_PAIRS, stalePairs);
        AppendClause(text, size, "\r\n", clause);
    }
}
