// Which command takes which words and options; "--" ends the options.
#include <string.h>

#include "console/command_line.h"
#include "console/printable_text.h"

namespace {

enum Allowed { JSON = 1, WHAT_IF = 2, RESTART = 4, FILE_OPTION = 8, SERVICE = 16 };

struct CommandShape {
    const char* name;
    const char* words;  // what it takes, in words, for the message when the count is wrong
    int minimum;
    int maximum;        // -1: any
    bool inPairs;
    int options;
};

const CommandShape kCommands[] = {
    {"list", "no arguments", 0, 0, false, JSON},
    {"export", "no arguments", 0, 0, false, 0},
    {"status", "no arguments", 0, 0, false, SERVICE},
    {"add", "a SOURCE and a DESTINATION", 2, 2, false, WHAT_IF | RESTART | SERVICE},
    {"remove", "a SOURCE and a DESTINATION", 2, 2, false, WHAT_IF | RESTART | SERVICE},
    {"set", "SOURCE DESTINATION pairs, at least one (\"clear\" empties the list)", 2, -1, true,
     WHAT_IF | RESTART | SERVICE},
    {"check", "SOURCE DESTINATION pairs, at least one, or --file FILE", 0, -1, true, JSON | FILE_OPTION},
    {"clear", "no arguments", 0, 0, false, WHAT_IF | RESTART | SERVICE},
    {"import", "one FILE", 1, 1, false, WHAT_IF | RESTART | SERVICE},
    {"--version", "no arguments", 0, 0, false, 0},
};

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* wrong)
{
    if (argc < 2) {
        *wrong = "No command was given.";
        return false;
    }
    line->command = argv[1];
    const CommandShape* shape = NULL;
    for (const CommandShape& candidate : kCommands)
        if (line->command == candidate.name) shape = &candidate;
    if (shape == NULL) {
        *wrong = "\"" + ShortenedArgument(argv[1]) +
                 "\" is not a command (the commands are lowercase: list, add, remove, set, check, clear, export, "
                 "import, status).";
        return false;
    }
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const char* word = argv[i];
        if (optionsEnded || strncmp(word, "--", 2) != 0) {
            line->words.push_back(word);
            continue;
        }
        std::string option = word;
        int needed = option == "--json" ? JSON : option == "--what-if" ? WHAT_IF : option == "--restart" ? RESTART
                   : option == "--file" ? FILE_OPTION : option == "--service" ? SERVICE : 0;
        if (option == "--") {
            optionsEnded = true;
            continue;
        }
        if (needed == 0 || (shape->options & needed) == 0) {
            *wrong = "\"" + line->command + "\" takes no option " + ShortenedArgument(word) + ".";
            return false;
        }
        if ((needed == FILE_OPTION || needed == SERVICE) && i + 1 >= argc) {
            *wrong = option + " needs a value.";
            return false;
        }
        if (needed == JSON) line->json = true;
        if (needed == WHAT_IF) line->whatIf = true;
        if (needed == RESTART) line->restart = true;
        if (needed == SERVICE) line->service = argv[++i];
        if (needed == FILE_OPTION) {
            line->file = argv[++i];
            line->fileGiven = true;
        }
    }
    int count = (int)line->words.size();
    bool fits = count >= shape->minimum && (shape->maximum < 0 || count <= shape->maximum) &&
                (!shape->inPairs || count % 2 == 0);
    // check takes pairs or a file, not both and not neither.
    if (line->command == "check") fits = line->fileGiven ? count == 0 : count >= 2 && count % 2 == 0;
    if (!fits) *wrong = "\"" + line->command + "\" takes " + shape->words + ".";
    return fits;
}
