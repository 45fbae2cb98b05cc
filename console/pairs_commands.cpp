// The commands: each loads the store as the configurator's start-up does (only for reading
// when it only reads), and every change goes through the configurator's save. "Nothing
// changed" is said only of a store that is exactly what the save would leave, and of a
// service that has read it.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "console/address_arguments.h"
#include "console/command_line.h"
#include "console/json_text.h"
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
#include "store/store_names.h"

#define REASON_SIZE 512
#define VERSION_TEXT_SIZE 32
// Far beyond any real list (10,000 pairs export to about 1.3 MB, twice that in UTF-16).
#define IMPORT_FILE_LIMIT (8 * 1024 * 1024)

typedef std::vector<PairRowText> PairRows;

bool StoreOpenedForWriting = false;

// What the command was asked to do beyond its words.
static CommandLine g_line;

// The stored list in the order of its key numbers, so that a list `set` wrote reads back
// as it was written whatever order the registry enumerates "10" and "2" in. Commands that
// only read open the store for reading, so that they need no elevation.
static PairRows StoredRows(bool forWriting)
{
    StoreOpenedForWriting = forWriting;
    LoadPairTableWithAccess(forWriting ? KEY_ALL_ACCESS : KEY_READ);
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
    switch (SavePairListChecked(rows.data(), (int)rows.size(), &request)) {
    case SAVE_DONE: return PAIRS_CHANGED;
    case SAVE_STORE_CHANGED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_CHANGED); return PAIRS_STORE_CHANGED;
    case SAVE_UNCHECKED: fprintf(stderr, "%s\n", TEXT_PAIRS_STORE_UNCHECKED); return PAIRS_STORE_UNCHECKED;
    default: fprintf(stderr, "%s\n", TEXT_PAIRS_NOT_SAVED); return PAIRS_SAVE_FAILED;
    }
}

static bool Later(const FILETIME& a, const FILETIME& b)
{
    return a.dwHighDateTime != b.dwHighDateTime ? a.dwHighDateTime > b.dwHighDateTime : a.dwLowDateTime > b.dwLowDateTime;
}

// A running service that started before the list was last written still runs the old list.
// A stopped one reads the list when it starts: never pending.
static bool RestartPending(const RepeaterService& service)
{
    FILETIME written;
    return service.state == SERVICE_RUNNING && service.startKnown && NewestPairWrite(&written) &&
           Later(written, service.startedAt);
}

// Restarts the service after a change, or when it runs an old list; says what happened once.
static int RestartAfter(bool changed)
{
    RepeaterService service;
    std::string why, what;
    bool pending = !changed && FindRepeaterService(g_line.service, &service, &why) && RestartPending(service);
    if (!changed && !pending) return PAIRS_UNCHANGED;
    RestartResult restarted = RestartRepeaterService(g_line.service, &what);
    if (restarted == RESTART_FAILED) {
        fprintf(stderr, "%s\n", what.c_str());
        return PAIRS_NOT_RESTARTED;
    }
    printf("%s\n", what.c_str());
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

// Leaves the store exactly `rows`: untouched when it already is (`unchanged` said), else
// rewritten as a whole, saying what changed, and the service restarted when asked. With
// --what-if only says what would change.
static int Converge(const PairRows& stored, const PairRows& rows, const std::string& unchanged)
{
    if (g_line.whatIf) {
        PairsDrift drift = FindDrift(stored, rows);
        fputs(drift.converged ? (unchanged + "\n").c_str() : DriftText(drift).c_str(), stdout);
        return drift.converged ? PAIRS_UNCHANGED : PAIRS_CHANGED;
    }
    if (StoreHoldsExactly(rows.data(), (int)rows.size())) {
        printf("%s\n", unchanged.c_str());
        return g_line.restart ? RestartAfter(false) : PAIRS_UNCHANGED;
    }
    // What the save will change, as --what-if would have said it, then the save.
    std::string changes = DriftText(FindDrift(stored, rows));
    int saved = Save(rows);
    if (saved != PAIRS_CHANGED) return saved;
    fputs(changes.c_str(), stdout);
    if (g_line.restart) return RestartAfter(true);
    printf("%s\n", TEXT_RESTART_NOTICE);
    return PAIRS_CHANGED;
}

static int ListPairs(void)
{
    PairRows rows = StoredRows(false);
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

static int AddPair(void)
{
    const char* source = g_line.words[0];
    const char* destination = g_line.words[1];
    PairRows stored = StoredRows(!g_line.whatIf);
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

static int RemovePair(void)
{
    // A stored pair may name an address this computer no longer has: any address will do.
    PairRowText pair;
    char reason[REASON_SIZE];
    if (!ResolveAddressArgument(g_line.words[0], false, pair.source, reason, sizeof reason) ||
        !ResolveAddressArgument(g_line.words[1], false, pair.destination, reason, sizeof reason))
        return Refuse(reason);
    PairRows stored = StoredRows(!g_line.whatIf), kept;
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

static int SetSides(const std::vector<const char*>& sides)
{
    PairRows wanted;
    if (!WantedRows(sides, &wanted)) return PAIRS_REFUSED;
    PairRows stored = StoredRows(!g_line.whatIf);  // an unusable store ends here, as for every other command
    return Converge(stored, wanted, TEXT_PAIRS_ALREADY_SO);
}

static int SetPairs(void)
{
    return SetSides(g_line.words);
}

static int ClearPairs(void)
{
    return SetSides(std::vector<const char*>());
}

static int ExportPairs(void)
{
    PairRows rows = StoredRows(false);
    std::string text = PairsExportText(rows.data(), (int)rows.size());
    fwrite(text.data(), 1, text.size(), stdout);
    return PAIRS_UNCHANGED;
}

// The whole file, refused before it is read when it is larger than any export could be.
static bool ReadWholeFile(const char* path, std::string* bytes, bool* tooLarge)
{
    *tooLarge = false;
    FILE* file = fopen(path, "rb");
    if (file == NULL) return false;
    bool read = fseek(file, 0, SEEK_END) == 0;
    long size = read ? ftell(file) : -1;
    *tooLarge = size > IMPORT_FILE_LIMIT;
    read = read && size >= 0 && !*tooLarge && fseek(file, 0, SEEK_SET) == 0;
    if (read) {
        bytes->resize((size_t)size);
        read = size == 0 || fread(&(*bytes)[0], 1, (size_t)size, file) == (size_t)size;
    }
    fclose(file);
    return read;
}

// The sides of the pairs of an export file; false, having said why, when it is not one.
static bool ReadExportSides(const char* path, PairRows* rows, std::vector<const char*>* sides)
{
    std::string bytes, text, why;
    bool tooLarge;
    char message[REASON_SIZE];
    std::string shown = ShortenedArgument(path);
    if (!ReadWholeFile(path, &bytes, &tooLarge)) {
        if (tooLarge) snprintf(message, sizeof message, TEXT_PAIRS_FILE_TOO_LARGE, shown.c_str(), IMPORT_FILE_LIMIT >> 20);
        else snprintf(message, sizeof message, TEXT_PAIRS_NO_FILE, shown.c_str());
        UsageError(message);
        return false;
    }
    if (!DecodeRegFile(bytes, &text, &why) || !ParsePairsExport(text, rows, &why)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NOT_AN_EXPORT, shown.c_str(), why.c_str());
        UsageError(message);
        return false;
    }
    for (const PairRowText& row : *rows) {
        sides->push_back(row.source);
        sides->push_back(row.destination);
    }
    return true;
}

static int ImportPairs(void)
{
    PairRows rows;
    std::vector<const char*> sides;
    if (!ReadExportSides(g_line.words[0], &rows, &sides)) return PAIRS_USAGE;
    return SetSides(sides);
}

// What a set (or an import) would change, and whether the service runs an old list. Reads only.
static int CheckPairs(void)
{
    PairRows rows, wanted;
    std::vector<const char*> sides = g_line.words;
    if (g_line.fileGiven && !ReadExportSides(g_line.file.c_str(), &rows, &sides)) return PAIRS_USAGE;
    if (!WantedRows(sides, &wanted)) return PAIRS_REFUSED;
    PairsDrift drift = FindDrift(StoredRows(false), wanted);
    RepeaterService service;
    std::string why;
    drift.restartPending = FindRepeaterService(g_line.service, &service, &why) && RestartPending(service);
    if (drift.restartPending) drift.converged = false;
    if (g_line.json) fputs(DriftJson(drift).c_str(), stdout);
    else fputs(drift.converged ? TEXT_PAIRS_CONVERGED "\n" : DriftText(drift).c_str(), stdout);
    return drift.converged ? PAIRS_UNCHANGED : PAIRS_CHANGED;
}

static std::string JsonNumberOrNull(bool known, unsigned long number)
{
    return known ? std::to_string(number) : "null";
}

// The service's state, its process, the pairs, and whether it runs an old list. A missing
// service or store is part of the answer, and also its exit code.
static int ShowStatus(void)
{
    RepeaterService service;
    std::string why;
    bool found = FindRepeaterService(g_line.service, &service, &why);
    HKEY networksKey;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networksKey);
    if (opened == ERROR_SUCCESS) RegCloseKey(networksKey);
    bool storeThere = opened != ERROR_FILE_NOT_FOUND;
    PairRows rows;
    if (storeThere) rows = StoredRows(false);
    bool pending = found && storeThere && RestartPending(service);
    if (g_line.json) {
        printf("{\"service\":%s,\"displayName\":%s,\"state\":%s,\"pid\":%s,\"pairs\":%s,\"restartPending\":%s}\n",
               found ? JsonString(service.name.c_str()).c_str() : "null",
               found ? JsonString(service.displayName.c_str()).c_str() : "null",
               found ? JsonString(ServiceStateWord(service.state)).c_str() : "null",
               JsonNumberOrNull(found && service.processId != 0, service.processId).c_str(),
               JsonNumberOrNull(storeThere, (unsigned long)rows.size()).c_str(), pending ? "true" : "false");
    } else {
        if (found) {
            printf("service %s: %s\n", PrintableText(service.name.c_str()).c_str(), ServiceStateWord(service.state));
            if (service.processId != 0) printf("pid %lu\n", (unsigned long)service.processId);
        }
        if (storeThere) printf("pairs %u\n", (unsigned)rows.size());
        if (found && storeThere) printf("restart pending: %s\n", pending ? "yes" : "no");
    }
    if (!storeThere) fprintf(stderr, TEXT_PAIRS_STORE_MISSING "\n", StoreShownAs().c_str());
    if (!found) fprintf(stderr, "%s\n", why.c_str());
    return !storeThere ? PAIRS_STORE_UNUSABLE : !found ? PAIRS_NO_SERVICE : PAIRS_UNCHANGED;
}

static int RestartService(void)
{
    RepeaterService service;
    std::string why, what;
    if (!FindRepeaterService(g_line.service, &service, &why)) {
        fprintf(stderr, "%s\n", why.c_str());
        return PAIRS_NO_SERVICE;
    }
    RestartResult restarted = RestartRepeaterService(g_line.service, &what);
    fprintf(restarted == RESTART_FAILED ? stderr : stdout, "%s\n", what.c_str());
    return restarted == RESTART_FAILED ? PAIRS_NOT_RESTARTED : PAIRS_UNCHANGED;
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

static const CommandShape kCommands[] = {
    {"list", "[--json]", "no arguments", 0, 0, false, OPTION_JSON,
     "the stored pairs, one a line: source, destination, and the adapter of this computer that holds each "
     "(tab-separated)",
     ListPairs},
    {"add", "SOURCE DESTINATION", "a SOURCE and a DESTINATION", 2, 2, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     "appends a pair, under the configurator's rules; a pair already in the list, either way round, needs no change",
     AddPair},
    {"remove", "SOURCE DESTINATION", "a SOURCE and a DESTINATION", 2, 2, false,
     OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, "removes the pair, whichever way round it is stored", RemovePair},
    {"set", "SOURCE DESTINATION [SOURCE DESTINATION]...",
     "SOURCE DESTINATION pairs, at least one (\"clear\" empties the list)", 2, -1, true,
     OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, "makes the list exactly these pairs, in this order", SetPairs},
    {"clear", "", "no arguments", 0, 0, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, "empties the list",
     ClearPairs},
    {"check", "SOURCE DESTINATION [SOURCE DESTINATION]... | --file FILE  [--json]",
     "SOURCE DESTINATION pairs, at least one, or --file FILE", 0, -1, true, OPTION_JSON | OPTION_FILE | OPTION_SERVICE,
     "says what \"set\" (or \"import FILE\") would change, and whether the service must be restarted to read the "
     "list; changes nothing",
     CheckPairs},
    {"export", "", "no arguments", 0, 0, false, 0, "the list as a .reg file, on standard output", ExportPairs},
    {"import", "FILE", "one FILE", 1, 1, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     "makes the list exactly the pairs of a .reg file of the export's shape (this program's export, or reg export "
     "of the Networks key)",
     ImportPairs},
    {"status", "[--json]", "no arguments", 0, 0, false, OPTION_JSON | OPTION_SERVICE,
     "the repeater service's state and process, the number of stored pairs, and whether a restart is pending",
     ShowStatus},
    {"restart", "", "no arguments", 0, 0, false, OPTION_SERVICE,
     "restarts the repeater service (a stopped one stays stopped)", RestartService},
    {"--version", "", "no arguments", 0, 0, false, 0, "the version of this program", PrintVersion},
};

static void PrintHelp(const CommandShape* only)
{
    if (only != NULL) {
        printf("Usage: mDNSPairs %s %s\n%s.\n", only->name, only->arguments, only->help);
        if (only->options & OPTION_WHAT_IF) fputs(TEXT_PAIRS_HELP_CHANGE_OPTIONS, stdout);
        return;
    }
    fputs(TEXT_PAIRS_HELP_HEAD, stdout);
    for (const CommandShape& command : kCommands)
        printf("  %s %s\n      %s.\n", command.name, command.arguments, command.help);
    fputs(TEXT_PAIRS_HELP_CHANGE_OPTIONS, stdout);
    fputs(TEXT_PAIRS_HELP_TAIL, stdout);
}

static int RunParsed(int argc, char** argv)
{
    g_line = CommandLine();
    std::string wrong;
    if (!ParseCommandLine(argc, argv, kCommands, sizeof kCommands / sizeof kCommands[0], &g_line, &wrong))
        return UsageError(wrong);
    if (g_line.helpWanted) {
        PrintHelp(g_line.shape);
        return PAIRS_UNCHANGED;
    }
    return g_line.shape->run();
}

int RunPairsCommand(int argc, char** argv)
{
    // No exception leaves a command: memory that runs out is a failure with a reason.
    try {
        return RunParsed(argc, argv);
    } catch (const std::bad_alloc&) {
        fflush(stdout);
        fprintf(stderr, "%s\n", TEXT_PAIRS_OUT_OF_MEMORY);
        return PAIRS_SAVE_FAILED;
    }
}
