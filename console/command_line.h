// The companion's command line: the command, its words, and the options it allows.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    std::string command;
    std::vector<const char*> words;  // the arguments that are not options
    bool json = false;               // --json: one JSON document on standard output
    bool whatIf = false;             // --what-if: say what would change, change nothing
    bool restart = false;            // --restart: restart the repeater service after a change
    std::string service;             // --service NAME: the service's name
    std::string file;                // --file FILE: check against an export
    bool fileGiven = false;
};

// Reads argv (argv[0] is the program). False, with what was wrong in one line, when the
// command is unknown, an option does not belong to it, or the word count does not fit.
bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* wrong);
