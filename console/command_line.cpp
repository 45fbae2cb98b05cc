// Which command takes which words and options; "--" ends the options.
#include <ctype.h>
#include <string.h>

#include "console/command_line.h"
#include "store/printable_text.h"

namespace {

bool IsHelpWord(const char* word)
{
    return strcmp(word, "--help") == 0 || strcmp(word, "-h") == 0 || strcmp(word, "-?") == 0 ||
           strcmp(word, "/?") == 0;
}

bool SameIgnoringCase(const char* a, const char* b)
{
    for (; *a && tolower((unsigned char)*a) == tolower((unsigned char)*b); ++a, ++b) {}
    return tolower((unsigned char)*a) == tolower((unsigned char)*b);
}

const CommandShape* Find(const char* name, const CommandShape* commands, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (SameIgnoringCase(name, commands[i].name)) return &commands[i];
    return nullptr;
}

bool UnknownCommand(const char* word, const CommandShape* commands, size_t count, std::string* wrong)
{
    *wrong = "\"" + ShortenedArgument(word) + "\" is not a command (the commands are";
    for (size_t i = 0; i < count; ++i) *wrong += std::string(i ? ", " : ": ") + commands[i].name;
    *wrong += ").";
    return false;
}

int OptionOf(const std::string& option)
{
    if (option == "--json") return OPTION_JSON;
    if (option == "--what-if") return OPTION_WHAT_IF;
    if (option == "--restart") return OPTION_RESTART;
    if (option == "--file") return OPTION_FILE;
    if (option == "--service") return OPTION_SERVICE;
    return 0;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, const CommandShape* commands, size_t count, CommandLine* line,
                      std::string* wrong)
{
    if (argc < 2) {
        *wrong = "No command was given.";
        return false;
    }
    line->text = "mDNSPairs";
    for (int i = 1; i < argc; ++i) line->text += std::string(" ") + ShortenedArgument(argv[i]);
    // "help", "help COMMAND", "--help" and its kin: the help, of everything or of one command.
    if (IsHelpWord(argv[1]) || SameIgnoringCase(argv[1], "help")) {
        line->helpWanted = true;
        // "help help" asks for the help itself: all of it.
        if (argc > 2 && !SameIgnoringCase(argv[2], "help") && (line->shape = Find(argv[2], commands, count)) == nullptr)
            return UnknownCommand(argv[2], commands, count, wrong);
        return true;
    }
    line->shape = Find(argv[1], commands, count);
    if (line->shape == nullptr) return UnknownCommand(argv[1], commands, count, wrong);
    const CommandShape* shape = line->shape;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const char* word = argv[i];
        if (!optionsEnded && IsHelpWord(word)) {
            line->helpWanted = true;
            return true;
        }
        if (optionsEnded || strncmp(word, "--", 2) != 0) {
            line->words.push_back(word);
            continue;
        }
        std::string option = word;
        if (option == "--") {
            optionsEnded = true;
            continue;
        }
        int needed = OptionOf(option);
        if (needed == 0 || (shape->options & needed) == 0) {
            *wrong = std::string("\"") + shape->name + "\" takes no option " + ShortenedArgument(word) + ".";
            return false;
        }
        if ((needed == OPTION_FILE || needed == OPTION_SERVICE) && i + 1 >= argc) {
            *wrong = option + " needs a value.";
            return false;
        }
        // A flag where the value belongs was a value forgotten: taking it as one would name a
        // service "--restart" and drop the restart.
        if ((needed == OPTION_FILE || needed == OPTION_SERVICE) && strncmp(argv[i + 1], "--", 2) == 0) {
            *wrong = option + " needs a value, not \"" + ShortenedArgument(argv[i + 1]) + "\".";
            return false;
        }
        if (needed == OPTION_JSON) line->json = true;
        if (needed == OPTION_WHAT_IF) line->whatIf = true;
        if (needed == OPTION_RESTART) line->restart = true;
        if (needed == OPTION_SERVICE) line->service = argv[++i];
        if (needed == OPTION_FILE) {
            line->file = argv[++i];
            line->fileGiven = true;
        }
    }
    int words = (int)line->words.size();
    bool fits = words >= shape->minimum && (shape->maximum < 0 || words <= shape->maximum) &&
                (!shape->inPairs || words % 2 == 0);
    // check takes pairs or a file, not both and not neither.
    if (shape->options & OPTION_FILE) fits = line->fileGiven ? words == 0 : words >= 2 && words % 2 == 0;
    if (!fits) *wrong = std::string("\"") + shape->name + "\" takes " + shape->takes + ".";
    return fits;
}
