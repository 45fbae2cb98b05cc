// The commands: each loads the store as the configurator's start-up does, and every change
// goes through the configurator's save. "Nothing changed" is said only of a store that is
// exactly what the save would leave.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "console/address_arguments.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "console/printable_text.h"
#include "console/program_version.h"
#include "editor/pair_rules.h"
#include "net/adapters.h"
#include "resources/program_texts.h"
#include "store/store.h"

#define REASON_SIZE 512
#define VERSION_TEXT_SIZE 32

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
    "  import FILE               makes the list exactly the pairs of an export\n"
    "  --version                 the version of this program\n"
    "\n"
    "SOURCE and DESTINATION are IPv4 addresses of this computer, or names of its adapters\n"
    "(\"Ethernet 2\"), each standing for the adapter's one IPv4 address.\n"
    "Texts from the store and adapter names are printed with control characters as \\xNN\n"
    "and backslashes doubled.\n"
    "\n"
    "Exit codes:\n"
    "  0  done, and nothing needed changing: the store is exactly the list\n"
    "  1  the store could not be made to hold the list (it may hold part of it)\n"
    "  2  done, and the list changed: restart the repeater service\n"
    "  3  refused by a rule; nothing was changed\n"
    "  4  usage error, or a FILE that is not an export; nothing was changed\n"
    "  5  the store cannot be used (the Networks key is missing or may not be changed)\n"
    "  6  another program changed the list while this ran; nothing was changed: run it again\n";

// The stored list in the order of its key numbers, so that a list `set` wrote reads back
// as it was written whatever order the registry enumerates "10" and "2" in.
static PairRows StoredRows(void)
{
    LoadPairTable();
    PairRows rows(PairTableCount);
    if (!CopyPairTableRows(rows.data(), KEY_NUMBER_ORDER)) FatalSettingsError();
    return rows;
}

static int Refuse(const char* reason)
{
    fprintf(stderr, "%s\n", reason);
    return PAIRS_REFUSED;
}

static int UsageError(const std::string& what)
{
    fprintf(stderr, "%s\n%s\n", what.c_str(), TEXT_PAIRS_USAGE_HINT);
    return PAIRS_USAGE;
}

static int Save(const PairRows& rows)
{
    // The key-tree removal's diagnostics are diagnostics: standard output is the result.
    // The store must still be what the command read, or another writer's work would be lost.
    SaveOutcome outcome = SavePairListChecked(rows.data(), (int)rows.size(), stderr, true);
    if (outcome == SAVE_STORE_CHANGED) {
        fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_CHANGED);
        return PAIRS_STORE_CHANGED;
    }
    if (outcome != SAVE_DONE) {
        fprintf(stderr, "%s\n", TEXT_PAIRS_NOT_SAVED);
        return PAIRS_SAVE_FAILED;
    }
    printf("%s\n", TEXT_RESTART_NOTICE);
    return PAIRS_CHANGED;
}

// Leaves the store exactly `rows`: untouched when it already is (`unchanged` said), else
// rewritten as a whole.
static int Converge(const PairRows& rows, const std::string& unchanged)
{
    if (!StoreHoldsExactly(rows.data(), (int)rows.size())) return Save(rows);
    printf("%s\n", unchanged.c_str());
    return PAIRS_UNCHANGED;
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
        printf("%s\t%s\t%s\t%s\n", PrintableText(row.source).c_str(), PrintableText(row.destination).c_str(),
               PrintableText(sourceHolder).c_str(), PrintableText(destinationHolder).c_str());
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
    if (kept.size() != rows.size()) return Save(kept);
    char notStored[REASON_SIZE];
    snprintf(notStored, sizeof notStored, TEXT_PAIRS_NOT_STORED, pair.source, pair.destination);
    return Converge(rows, notStored);
}

// Makes the list exactly `wanted`, whose sides are arguments or texts of an export.
static int SetPairs(const std::vector<const char*>& sides)
{
    PairRows wanted;
    for (size_t i = 0; i + 1 < sides.size(); i += 2) {
        PairRowText pair;
        if (!AcceptPair(sides[i], sides[i + 1], wanted, &pair)) return PAIRS_REFUSED;
        wanted.push_back(pair);
    }
    StoredRows();  // an unusable store ends here, as for every other command
    return Converge(wanted, TEXT_PAIRS_ALREADY_SO);
}

static int ExportPairs(void)
{
    PairRows rows = StoredRows();
    std::string text = PairsExportText(rows.data(), (int)rows.size());
    fwrite(text.data(), 1, text.size(), stdout);
    return PAIRS_UNCHANGED;
}

static bool ReadWholeFile(const char* path, std::string* text)
{
    FILE* file = fopen(path, "rb");
    if (file == NULL) return false;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, count);
    bool read = ferror(file) == 0;
    fclose(file);
    return read;
}

static int ImportPairs(const char* path)
{
    std::string text, why;
    char message[REASON_SIZE];
    if (!ReadWholeFile(path, &text)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NO_FILE, ShortenedArgument(path).c_str());
        return UsageError(message);
    }
    PairRows rows;
    if (!ParsePairsExport(text, &rows, &why)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NOT_AN_EXPORT, ShortenedArgument(path).c_str(), why.c_str());
        return UsageError(message);
    }
    std::vector<const char*> sides;
    for (const PairRowText& row : rows) {
        sides.push_back(row.source);
        sides.push_back(row.destination);
    }
    return SetPairs(sides);
}

static int PrintVersion(void)
{
    char version[VERSION_TEXT_SIZE];
    if (!ReadProgramVersion(version, sizeof version)) {
        fprintf(stderr, "%s\n", TEXT_PAIRS_NO_VERSION);
        return PAIRS_SAVE_FAILED;
    }
    printf("mDNSPairs %s\n", version);
    return PAIRS_UNCHANGED;
}

// What a command takes, for the message when the count is wrong.
struct CommandShape {
    const char* name;
    const char* arguments;  // in words
    bool (*countFits)(int count);
};

static bool NoArguments(int count) { return count == 0; }
static bool OnePair(int count) { return count == 2; }
static bool Pairs(int count) { return count % 2 == 0; }
static bool OneFile(int count) { return count == 1; }

static const CommandShape kCommands[] = {
    {"list", "no arguments", NoArguments},
    {"export", "no arguments", NoArguments},
    {"add", "a SOURCE and a DESTINATION", OnePair},
    {"remove", "a SOURCE and a DESTINATION", OnePair},
    {"set", "SOURCE DESTINATION pairs", Pairs},
    {"import", "one FILE", OneFile},
    {"--version", "no arguments", NoArguments},
};

int RunPairsCommand(int argc, char** argv)
{
    if (argc < 2) return UsageError("No command was given.");
    const char* command = argv[1];
    int count = argc - 2;
    char** arguments = argv + 2;
    if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 || strcmp(command, "/?") == 0) {
        fputs(kUsage, stdout);
        return PAIRS_UNCHANGED;
    }
    char message[REASON_SIZE];
    const CommandShape* shape = NULL;
    for (const CommandShape& candidate : kCommands)
        if (strcmp(command, candidate.name) == 0) shape = &candidate;
    if (shape == NULL) {
        snprintf(message, sizeof message, TEXT_PAIRS_UNKNOWN_COMMAND, ShortenedArgument(command).c_str());
        return UsageError(message);
    }
    if (!shape->countFits(count)) {
        snprintf(message, sizeof message, TEXT_PAIRS_WRONG_ARGUMENTS, shape->name, shape->arguments);
        return UsageError(message);
    }
    if (strcmp(command, "list") == 0) return ListPairs();
    if (strcmp(command, "export") == 0) return ExportPairs();
    if (strcmp(command, "add") == 0) return AddPair(arguments[0], arguments[1]);
    if (strcmp(command, "remove") == 0) return RemovePair(arguments[0], arguments[1]);
    if (strcmp(command, "import") == 0) return ImportPairs(arguments[0]);
    if (strcmp(command, "--version") == 0) return PrintVersion();
    return SetPairs(std::vector<const char*>(arguments, arguments + count));
}
