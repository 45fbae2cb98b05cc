// The commands: each loads the store as the configurator's start-up does, and every change
// goes through the configurator's save.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "console/address_arguments.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "editor/pair_rules.h"
#include "net/adapters.h"
#include "resources/program_texts.h"
#include "store/store.h"

#define REASON_SIZE 512

typedef std::vector<PairRowText> PairRows;

static const char kUsage[] =
    "Usage: mDNSPairs COMMAND [ARGUMENTS]\n"
    "Reads and changes the address pairs that the Corvane mDNS Repeater service bridges.\n"
    "\n"
    "  list                      the stored pairs, one a line: source, destination, and the\n"
    "                            adapter of this computer that holds each (tab-separated)\n"
    "  add SOURCE DESTINATION    appends a pair, under the configurator's rules\n"
    "  remove SOURCE DESTINATION removes the pair, whichever way round it is stored\n"
    "  set [SOURCE DESTINATION]...  makes the list exactly these pairs, in this order\n"
    "  export                    the list as a .reg file, on standard output\n"
    "\n"
    "SOURCE and DESTINATION are IPv4 addresses of this computer, or names of its adapters\n"
    "(\"Ethernet 2\"), each standing for the adapter's one IPv4 address.\n"
    "\n"
    "Exit codes:\n"
    "  0  done, and nothing needed changing\n"
    "  1  the store could not be made to hold the list (it may hold part of it)\n"
    "  2  done, and the list changed: restart the repeater service\n"
    "  3  refused by a rule; nothing was changed\n"
    "  4  usage error\n"
    "  5  the store cannot be used (the Networks key is missing)\n";

// The stored list as the configurator's page would show it: every record, in table order.
static PairRows StoredRows(void)
{
    LoadPairTable();
    PairRows rows(PairTableCount);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        memcpy(rows[i].source, PairTable[i].sourceAddress, ADDRESS_FIELD_SIZE);
        memcpy(rows[i].destination, PairTable[i].destinationAddress, ADDRESS_FIELD_SIZE);
    }
    return rows;
}

static int Refuse(const char* reason)
{
    fprintf(stderr, "%s\n", reason);
    return PAIRS_REFUSED;
}

static int Save(const PairRows& rows)
{
    if (!SavePairList(rows.data(), (int)rows.size())) {
        fprintf(stderr, "%s\n", TEXT_PAIRS_NOT_SAVED);
        return PAIRS_SAVE_FAILED;
    }
    printf("%s\n", TEXT_RESTART_NOTICE);
    return PAIRS_CHANGED;
}

// Checks a new pair as the page's Add does, with the rows before it; both sides must be
// this computer's. On refusal says why and returns false.
static bool AcceptPair(const char* sourceArgument, const char* destinationArgument, const PairRows& rows,
                       PairRowText* pair)
{
    char reason[REASON_SIZE];
    if (sourceArgument[0] == 0 || destinationArgument[0] == 0) {
        Refuse(PairRuleMessage(PAIR_BLANK));
        return false;
    }
    if (!ResolveAddressArgument(sourceArgument, true, pair->source, reason, sizeof reason) ||
        !ResolveAddressArgument(destinationArgument, true, pair->destination, reason, sizeof reason)) {
        Refuse(reason);
        return false;
    }
    PairRuleVerdict verdict = CheckAddPair(pair->source, pair->destination, rows.data(), (int)rows.size());
    if (verdict != PAIR_ACCEPTED) {
        Refuse(PairRuleMessage(verdict));
        return false;
    }
    return true;
}

static int ListPairs(void)
{
    for (const PairRowText& row : StoredRows()) {
        char sourceHolder[ADDRESS_HOLDER_TEXT_SIZE], destinationHolder[ADDRESS_HOLDER_TEXT_SIZE];
        DescribeAddressHolder(row.source, sourceHolder, sizeof sourceHolder);
        DescribeAddressHolder(row.destination, destinationHolder, sizeof destinationHolder);
        printf("%s\t%s\t%s\t%s\n", row.source, row.destination, sourceHolder, destinationHolder);
    }
    return PAIRS_UNCHANGED;
}

static int AddPair(const char* source, const char* destination)
{
    PairRows rows = StoredRows();
    PairRowText pair;
    if (!AcceptPair(source, destination, rows, &pair)) return PAIRS_REFUSED;
    rows.push_back(pair);
    return Save(rows);
}

static int RemovePair(const char* sourceArgument, const char* destinationArgument)
{
    // A stored pair may name an address this computer no longer has: any address will do.
    PairRowText pair;
    char reason[REASON_SIZE];
    if (!ResolveAddressArgument(sourceArgument, false, pair.source, reason, sizeof reason) ||
        !ResolveAddressArgument(destinationArgument, false, pair.destination, reason, sizeof reason))
        return Refuse(reason);
    PairRows rows = StoredRows(), kept;
    for (const PairRowText& row : rows)
        if (!IsDuplicate(pair.source, pair.destination, &row, 1)) kept.push_back(row);
    if (kept.size() == rows.size()) {
        printf(TEXT_PAIRS_NOT_STORED "\n", pair.source, pair.destination);
        return PAIRS_UNCHANGED;
    }
    return Save(kept);
}

static int SetPairs(int count, char** arguments)
{
    PairRows wanted;
    for (int i = 0; i + 1 < count; i += 2) {
        PairRowText pair;
        if (!AcceptPair(arguments[i], arguments[i + 1], wanted, &pair)) return PAIRS_REFUSED;
        wanted.push_back(pair);
    }
    PairRows stored = StoredRows();
    bool same = stored.size() == wanted.size();
    for (size_t i = 0; same && i < stored.size(); ++i)
        same = strcmp(stored[i].source, wanted[i].source) == 0 && strcmp(stored[i].destination, wanted[i].destination) == 0;
    if (same) {
        printf("%s\n", TEXT_PAIRS_ALREADY_SO);
        return PAIRS_UNCHANGED;
    }
    return Save(wanted);
}

static int ExportPairs(void)
{
    PairRows rows = StoredRows();
    std::vector<char> text(PairsExportSize((int)rows.size()));
    WritePairsExport(rows.data(), (int)rows.size(), text.data(), text.size());
    fputs(text.data(), stdout);
    return PAIRS_UNCHANGED;
}

int RunPairsCommand(int argc, char** argv)
{
    const char* command = argc > 1 ? argv[1] : "";
    int extra = argc - 2;
    if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 || strcmp(command, "/?") == 0) {
        fputs(kUsage, stdout);
        return PAIRS_UNCHANGED;
    }
    if (strcmp(command, "list") == 0 && extra == 0) return ListPairs();
    if (strcmp(command, "export") == 0 && extra == 0) return ExportPairs();
    if (strcmp(command, "add") == 0 && extra == 2) return AddPair(argv[2], argv[3]);
    if (strcmp(command, "remove") == 0 && extra == 2) return RemovePair(argv[2], argv[3]);
    if (strcmp(command, "set") == 0 && extra >= 0 && extra % 2 == 0) return SetPairs(extra, argv + 2);
    fputs(kUsage, stderr);
    return PAIRS_USAGE;
}
