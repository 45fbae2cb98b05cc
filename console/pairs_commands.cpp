// The commands: each loads the store as the configurator's start-up does, and every change
// goes through the configurator's save. "Nothing changed" is said only of a store that is
// exactly what the save would leave.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "console/address_arguments.h"
#include "console/command_line.h"
#include "console/pairs_commands.h"
#include "console/pairs_drift.h"
#include "console/pairs_export.h"
#include "console/pairs_list_json.h"
#include "console/printable_text.h"
#include "console/program_version.h"
#include "console/service_control.h"
#include "editor/pair_rules.h"
#include "net/adapters.h"
#include "resources/program_texts.h"
#include "store/store.h"

#define REASON_SIZE 512
#define VERSION_TEXT_SIZE 32

typedef std::vector<PairRowText> PairRows;

static const char kUsage[] =
    "Usage: mDNSPairs COMMAND [ARGUMENTS] [OPTIONS]\n"
    "Reads and changes the address pairs that the Corvane mDNS Repeater service bridges.\n"
    "\n"
    "  list [--json]             the stored pairs, one a line: source, destination, and the\n"
    "                            adapter of this computer that holds each (tab-separated)\n"
    "  add SOURCE DESTINATION    appends a pair, under the configurator's rules; a pair\n"
    "                            already in the list, either way round, needs no change\n"
    "  remove SOURCE DESTINATION removes the pair, whichever way round it is stored\n"
    "  set SOURCE DESTINATION [SOURCE DESTINATION]...\n"
    "                            makes the list exactly these pairs, in this order\n"
    "  clear                     empties the list\n"
    "  check SOURCE DESTINATION [SOURCE DESTINATION]... | check --file FILE  [--json]\n"
    "                            says what \"set\" (or \"import FILE\") would change; changes nothing\n"
    "  export                    the list as a .reg file, on standard output\n"
    "  import FILE               makes the list exactly the pairs of an export\n"
    "  status                    the repeater service's state and the number of stored pairs\n"
    "  --version                 the version of this program\n"
    "\n"
    "Options of add, remove, set, clear and import:\n"
    "  --what-if                 says what would change, as check does, and changes nothing\n"
    "  --restart                 after a change, restarts the repeater service (found by its\n"
    "                            display name, \"Corvane mDNS Repeater\", or --service NAME);\n"
    "                            a stopped service stays stopped\n"
    "\n"
    "SOURCE and DESTINATION are IPv4 addresses of this computer, or names of its adapters\n"
    "(\"Ethernet 2\"), each standing for the adapter's one IPv4 address.\n"
    "Texts from the store and adapter names are printed with control characters as \\xNN\n"
    "and backslashes doubled.\n"
    "\n"
    "Exit codes:\n"
    "  0  done, and nothing needed changing: the store is exactly the list (check: converged)\n"
    "  1  the store could not be made to hold the list (it may hold part of it)\n"
    "  2  done, and the list changed: restart the repeater service (check, --what-if: it would)\n"
    "  3  refused by a rule; nothing was changed\n"
    "  4  usage error, or a FILE that is not an export; nothing was changed\n"
    "  5  the store cannot be used (the Networks key is missing or may not be changed)\n"
    "  6  another program changed the list before or while this saved; its change was kept\n"
    "     (the list may hold part of this command's): run it again\n"
    "  7  the list changed, but the repeater service did not restart\n"
    "  8  whether another program changed the list could not be read; nothing was changed\n";

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

// The save's words about its lock, on standard error: a script's log shows why a run waited.
static void NoteLock(SaveLockNote note, void*)
{
    const char* texts[] = {TEXT_PAIRS_LOCK_WAITING, TEXT_PAIRS_LOCK_TIMED_OUT, TEXT_PAIRS_LOCK_NAME_TAKEN,
                           TEXT_PAIRS_LOCK_UNAVAILABLE};
    fprintf(stderr, "%s\n", texts[note]);
}

static int Save(const PairRows& rows)
{
    // The key removal's diagnostics are diagnostics: standard output is the result. The
    // store must still be what the command read, or another writer's work would be lost.
    SaveRequest request = {SAVE_OVER_LAST_READ, stderr, NULL, NoteLock, NULL};
    SaveOutcome outcome = SavePairListChecked(rows.data(), (int)rows.size(), &request);
    switch (outcome) {
    case SAVE_DONE: printf("%s\n", TEXT_RESTART_NOTICE); return PAIRS_CHANGED;
    case SAVE_STORE_CHANGED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_CHANGED); return PAIRS_STORE_CHANGED;
    case SAVE_UNCHECKED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_UNCHECKED); return PAIRS_STORE_UNCHECKED;
    default: fprintf(stderr, "%s\n", TEXT_PAIRS_NOT_SAVED); return PAIRS_SAVE_FAILED;
    }
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

// What the command was asked to do beyond its words.
static CommandLine g_line;

// Leaves the store exactly `rows`: untouched when it already is (`unchanged` said), else
// rewritten as a whole, and the service restarted when asked. With --what-if only says
// what would change.
static int Converge(const PairRows& stored, const PairRows& rows, const std::string& unchanged)
{
    if (g_line.whatIf) {
        PairsDrift drift = FindDrift(stored, rows);
        fputs(drift.converged ? (unchanged + "\n").c_str() : DriftText(drift).c_str(), stdout);
        return drift.converged ? PAIRS_UNCHANGED : PAIRS_CHANGED;
    }
    if (StoreHoldsExactly(rows.data(), (int)rows.size())) {
        printf("%s\n", unchanged.c_str());
        return PAIRS_UNCHANGED;
    }
    int saved = Save(rows);
    if (saved != PAIRS_CHANGED || !g_line.restart) return saved;
    std::string what;
    RestartResult restarted = RestartRepeaterService(g_line.service, &what);
    fprintf(restarted == RESTART_FAILED ? stderr : stdout, "%s\n", what.c_str());
    return restarted == RESTART_FAILED ? PAIRS_NOT_RESTARTED : PAIRS_CHANGED;
}

static int ListPairs(void)
{
    PairRows rows = StoredRows();
    if (g_line.json) {
        fputs(PairsListJson(rows).c_str(), stdout);
        return PAIRS_UNCHANGED;
    }
    for (const PairRowText& row : rows) {
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
    PairRows stored = StoredRows();
    PairRowText pair;
    char reason[REASON_SIZE];
    // A pair already in the list is what was asked for: running the same add again is safe.
    if (source[0] != 0 && destination[0] != 0 && ResolveAddressArgument(source, true, pair.source, reason, sizeof reason) &&
        ResolveAddressArgument(destination, true, pair.destination, reason, sizeof reason) &&
        CheckAddPair(pair.source, pair.destination, stored.data(), (int)stored.size()) == PAIR_DUPLICATE) {
        snprintf(reason, sizeof reason, TEXT_PAIRS_ALREADY_STORED, pair.source, pair.destination);
        return Converge(stored, stored, reason);
    }
    if (!AcceptPair(source, destination, stored, &pair)) return PAIRS_REFUSED;
    PairRows rows = stored;
    rows.push_back(pair);
    return Converge(stored, rows, TEXT_PAIRS_ALREADY_SO);
}

static int RemovePair(const char* sourceArgument, const char* destinationArgument)
{
    // A stored pair may name an address this computer no longer has: any address will do.
    PairRowText pair;
    char reason[REASON_SIZE];
    if (!ResolveAddressArgument(sourceArgument, false, pair.source, reason, sizeof reason) ||
        !ResolveAddressArgument(destinationArgument, false, pair.destination, reason, sizeof reason))
        return Refuse(reason);
    PairRows stored = StoredRows(), kept;
    for (const PairRowText& row : stored)
        if (!IsDuplicate(pair.source, pair.destination, &row, 1)) kept.push_back(row);
    char notStored[REASON_SIZE];
    snprintf(notStored, sizeof notStored, TEXT_PAIRS_NOT_STORED, pair.source, pair.destination);
    return Converge(stored, kept, kept.size() == stored.size() ? notStored : TEXT_PAIRS_ALREADY_SO);
}

// The list that `sides` (arguments or texts of an export) ask for, under the rules.
static bool WantedRows(const std::vector<const char*>& sides, PairRows* wanted)
{
    for (size_t i = 0; i + 1 < sides.size(); i += 2) {
        PairRowText pair;
        if (!AcceptPair(sides[i], sides[i + 1], *wanted, &pair)) return false;
        wanted->push_back(pair);
    }
    return true;
}

static int SetPairs(const std::vector<const char*>& sides)
{
    PairRows wanted;
    if (!WantedRows(sides, &wanted)) return PAIRS_REFUSED;
    PairRows stored = StoredRows();  // an unusable store ends here, as for every other command
    return Converge(stored, wanted, TEXT_PAIRS_ALREADY_SO);
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

// The sides of the pairs of an export file; false, having said why, when it is not one.
static bool ReadExportSides(const char* path, PairRows* rows, std::vector<const char*>* sides)
{
    std::string text, why;
    char message[REASON_SIZE];
    if (!ReadWholeFile(path, &text)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NO_FILE, ShortenedArgument(path).c_str());
        UsageError(message);
        return false;
    }
    if (!ParsePairsExport(text, rows, &why)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NOT_AN_EXPORT, ShortenedArgument(path).c_str(), why.c_str());
        UsageError(message);
        return false;
    }
    for (const PairRowText& row : *rows) {
        sides->push_back(row.source);
        sides->push_back(row.destination);
    }
    return true;
}

static int ImportPairs(const char* path)
{
    PairRows rows;
    std::vector<const char*> sides;
    if (!ReadExportSides(path, &rows, &sides)) return PAIRS_USAGE;
    return SetPairs(sides);
}

// What a set (or an import) would change, and nothing changed.
static int CheckPairs(void)
{
    PairRows rows, wanted;
    std::vector<const char*> sides = g_line.words;
    if (g_line.fileGiven && !ReadExportSides(g_line.file.c_str(), &rows, &sides)) return PAIRS_USAGE;
    if (!WantedRows(sides, &wanted)) return PAIRS_REFUSED;
    PairsDrift drift = FindDrift(StoredRows(), wanted);
    if (g_line.json) fputs(DriftJson(drift).c_str(), stdout);
    else fputs(drift.converged ? TEXT_PAIRS_CONVERGED "\n" : DriftText(drift).c_str(), stdout);
    return drift.converged ? PAIRS_UNCHANGED : PAIRS_CHANGED;
}

static int ShowStatus(void)
{
    PairRows rows = StoredRows();
    std::string state;
    // A service that cannot be asked is part of the answer, not a failure of the command.
    bool known = RepeaterServiceState(g_line.service, &state);
    printf("service %s%s\n", known ? "" : "unknown: ", PrintableText(state.c_str()).c_str());
    printf("pairs %u\n", (unsigned)rows.size());
    return PAIRS_UNCHANGED;
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

int RunPairsCommand(int argc, char** argv)
{
    if (argc > 1 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0 || strcmp(argv[1], "/?") == 0)) {
        fputs(kUsage, stdout);
        return PAIRS_UNCHANGED;
    }
    g_line = CommandLine();
    std::string wrong;
    if (!ParseCommandLine(argc, argv, &g_line, &wrong)) return UsageError(wrong);
    const std::string& command = g_line.command;
    const std::vector<const char*>& words = g_line.words;
    if (command == "list") return ListPairs();
    if (command == "export") return ExportPairs();
    if (command == "status") return ShowStatus();
    if (command == "add") return AddPair(words[0], words[1]);
    if (command == "remove") return RemovePair(words[0], words[1]);
    if (command == "check") return CheckPairs();
    if (command == "clear") return SetPairs(std::vector<const char*>());
    if (command == "import") return ImportPairs(words[0]);
    if (command == "--version") return PrintVersion();
    return SetPairs(words);
}
