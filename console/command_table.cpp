// The companion's commands in one table (name, arguments, options, help, handler), the help
// made from it, and the dispatch of one command line.
#include <stdio.h>
#include <string.h>

#include <new>
#include <string>

#include "console/errors_said.h"
#include "service/restart_record.h"
#include "console/json_text.h"
#include "console/command_handlers.h"
#include "console/command_line.h"
#include "console/pairs_commands.h"
#include "console/pairs_texts.h"

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
     "says what \"set ... --restart\" (or \"import FILE --restart\") would do: the changes, and a restart of a "
     "service that runs an older list; changes nothing",
     CheckPairs},
    {"export", "", "no arguments", 0, 0, false, 0, "the list as a .reg file, on standard output", ExportPairs},
    {"import", "FILE", "one FILE", 1, 1, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     "makes the list exactly the pairs of a .reg file of the export's shape (this program's export, or reg export "
     "of the Networks key), each text a dotted IPv4 address as it stands",
     ImportPairs},
    {"prune", "", "no arguments", 0, 0, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     "removes the pairs that name an address this computer does not have now, and keeps the others in their "
     "order; refused (exit 10) when this computer's addresses cannot be read",
     PrunePairs},
    {"status", "[--json]", "no arguments", 0, 0, false, OPTION_JSON | OPTION_SERVICE,
     "the repeater service's state and process, the number of stored pairs, whether a restart is pending, and "
     "the stale pairs: those that name an address this computer does not have now",
     ShowStatus},
    {"dsc", "get|test|set|whatif|export", "one operation", 1, 1, false, 0,
     "the DSC resource Corvane.mDNS/Pairs: the operation named, the instance as JSON on standard input, its state "
     "as JSON on standard output, errors as JSON lines on standard error",
     RunDscOperation},
    {"restart", "", "no arguments", 0, 0, false, OPTION_SERVICE,
     "restarts the repeater service (a stopped one stays stopped)", RestartService},
    {"--version", "", "no arguments", 0, 0, false, 0, "the version of this program", PrintVersion},
};

static void PrintHelp(const CommandShape* only)
{
    if (only != NULL) {
        printf("Usage: mDNSPairs %s%s%s\n%s.\n", only->name, only->arguments[0] ? " " : "", only->arguments, only->help);
        if (only->options & OPTION_WHAT_IF) fputs(TEXT_PAIRS_HELP_CHANGE_OPTIONS, stdout);
        return;
    }
    fputs(TEXT_PAIRS_HELP_HEAD, stdout);
    for (const CommandShape& command : kCommands)
        printf("  %s%s%s\n      %s.\n", command.name, command.arguments[0] ? " " : "", command.arguments, command.help);
    fputs(TEXT_PAIRS_HELP_CHANGE_OPTIONS, stdout);
    fputs(TEXT_PAIRS_HELP_TAIL, stdout);
}

// With --json, an error is answered on standard output too, as one JSON object: the exit
// code, the message and what it concerned. A script that parses the output then never meets
// an empty one.
static void AnswerErrorInJson(int exitCode)
{
    std::string text, concerning;
    if (exitCode == PAIRS_UNCHANGED || exitCode == PAIRS_CHANGED || !FirstErrorSaid(&text, &concerning)) return;
    fflush(stdout);
    printf("{\"exitCode\":%d,\"error\":%s,\"concerning\":%s}\n", exitCode, JsonString(text.c_str()).c_str(),
           concerning.empty() ? "null" : JsonString(concerning.c_str()).c_str());
}

static int RunParsed(int argc, char** argv, const OwnAddresses& own)
{
    CommandLine line;
    std::string wrong;
    ForgetErrorsSaid();
    // The package's uninstall runs this, and only that: the record beside the store is ours,
    // and goes with the programs. Not in the help; 0 when no record is left.
    if (argc == 2 && strcmp(argv[1], UNINSTALL_WORD) == 0) return RemoveRestartRecord() ? PAIRS_UNCHANGED : PAIRS_SAVE_FAILED;
    if (!ParseCommandLine(argc, argv, kCommands, sizeof kCommands / sizeof kCommands[0], &line, &wrong)) {
        SayError(wrong);
        SayUsageHint();
        if (JsonAsked(argc, argv)) AnswerErrorInJson(PAIRS_USAGE);
        return PAIRS_USAGE;
    }
    if (line.helpWanted) {
        PrintHelp(line.shape);
        return PAIRS_UNCHANGED;
    }
    int exitCode = line.shape->run(line, own);
    // status --json prints its document whatever it found: that document is its answer.
    if (line.json && strcmp(line.shape->name, "status") != 0) AnswerErrorInJson(exitCode);
    return exitCode;
}

int RunPairsCommand(int argc, char** argv, const OwnAddresses& own)
{
    // No exception leaves a command: memory that runs out is a failure with a reason.
    try {
        return RunParsed(argc, argv, own);
    } catch (const std::bad_alloc&) {
        fflush(stdout);
        SayError(TEXT_PAIRS_OUT_OF_MEMORY);
        return PAIRS_SAVE_FAILED;
    }
}
