// The companion's command line: which command, its words and options, read against one
// table that describes every command once (its name, arguments, options, help and handler);
// the help, the dispatch and the list of commands in an error all come from that table.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

enum CommandOption {
    OPTION_JSON = 1,      // --json: one JSON document on standard output
    OPTION_WHAT_IF = 2,   // --what-if: say what would change, change nothing
    OPTION_RESTART = 4,   // --restart: restart the repeater service after a change
    OPTION_FILE = 8,      // --file FILE: check against a file
    OPTION_SERVICE = 16,  // --service NAME: the service's key name or display name
};

struct CommandLine;
struct OwnAddresses;

struct CommandShape {
    const char* name;
    const char* arguments;  // as the help shows them: "SOURCE DESTINATION"
    const char* takes;      // for the message when the words do not fit
    int minimum;
    int maximum;            // -1: any
    bool inPairs;
    int options;            // CommandOption bits
    const char* help;       // what it does, a line or two
    int (*run)(const CommandLine& line, const OwnAddresses& own);
};

struct CommandLine {
    const CommandShape* shape = nullptr;
    std::vector<const char*> words;  // the arguments that are not options
    bool json = false;
    bool whatIf = false;
    bool restart = false;
    std::string service;
    std::string file;
    bool fileGiven = false;
    bool helpWanted = false;         // "--help", "-?", "/?", or "help" with or without a command
    std::string text;                // the program and its words, as the audit trail names a run
};

// Reads argv (argv[0] is the program) against `commands`, whose names match in any case.
// False, with what was wrong in one line, when the command is unknown, an option does not
// belong to it, or the word count does not fit.
bool ParseCommandLine(int argc, char** argv, const CommandShape* commands, size_t count, CommandLine* line,
                      std::string* wrong);

// Whether the words ask for JSON, read as ParseCommandLine reads options, for a command line
// it refused.
bool JsonAsked(int argc, char** argv);
