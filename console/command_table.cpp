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
    {"list", "[--json]", TEXT_TAKES_NOTHING, 0, 0, false, OPTION_JSON, TEXT_HELP_LIST, ListPairs},
    {"add", "SOURCE DESTINATION", TEXT_TAKES_ONE_PAIR, 2, 2, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     TEXT_HELP_ADD, AddPair},
    {"remove", "SOURCE DESTINATION", TEXT_TAKES_ONE_PAIR, 2, 2, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE,
     TEXT_HELP_REMOVE, RemovePair},
    {"set", "SOURCE DESTINATION [SOURCE DESTINATION]...", TEXT_TAKES_PAIRS, 2, -1, true,
     OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, TEXT_HELP_SET, SetPairs},
    {"clear", "", TEXT_TAKES_NOTHING, 0, 0, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, TEXT_HELP_CLEAR,
     ClearPairs},
    {"check", "SOURCE DESTINATION [SOURCE DESTINATION]... | --file FILE  [--json]", TEXT_TAKES_PAIRS_OR_FILE, 0, -1,
     true, OPTION_JSON | OPTION_FILE | OPTION_SERVICE, TEXT_HELP_CHECK, CheckPairs},
    {"export", "", TEXT_TAKES_NOTHING, 0, 0, false, 0, TEXT_HELP_EXPORT, ExportPairs},
    {"import", "FILE", TEXT_TAKES_FILE, 1, 1, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, TEXT_HELP_IMPORT,
     ImportPairs},
    {"prune", "", TEXT_TAKES_NOTHING, 0, 0, false, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, TEXT_HELP_PRUNE,
     PrunePairs},
    {"status", "[--json]", TEXT_TAKES_NOTHING, 0, 0, false, OPTION_JSON | OPTION_SERVICE, TEXT_HELP_STATUS, ShowStatus},
    {"dsc", "get|test|set|whatif|export", TEXT_TAKES_OPERATION, 1, 1, false, 0, TEXT_HELP_DSC, RunDscOperation},
    {"restart", "", TEXT_TAKES_NOTHING, 0, 0, false, OPTION_SERVICE, TEXT_HELP_RESTART, RestartService},
    {"--version", "", TEXT_TAKES_NOTHING, 0, 0, false, 0, TEXT_HELP_VERSION, PrintVersion},
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
