// Which command takes which words and options; "--" ends the options.
#include <ctype.h>
#include <string.h>

#include <algorithm>

#include "console/errors_said.h"
#include "console/pairs_texts.h"
#include "console/command_line.h"
#include "console/pairs_texts.h"
#include "audit/printable_text.h"

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
    std::string names;
    for (size_t i = 0; i < count; ++i) names += std::string(i ? ", " : "") + commands[i].name;
    *wrong = Worded(TEXT_PAIRS_NOT_A_COMMAND, ShortenedArgument(word).c_str(), names.c_str());
    return false;
}

// The options by name, and the names people type for them by habit.
struct OptionName {
    const char* name;
    int option;
};
const OptionName kOptionNames[] = {
    {"--json", OPTION_JSON},         {"--what-if", OPTION_WHAT_IF}, {"--restart", OPTION_RESTART},
    {"--file", OPTION_FILE},         {"--service", OPTION_SERVICE},
    // PowerShell's and other tools' words for the same
    {"--whatif", OPTION_WHAT_IF},    {"--dry-run", OPTION_WHAT_IF}, {"--dryrun", OPTION_WHAT_IF},
};

// The bytes of dashes a word starts with: "-", or a dash a word processor made of one (an en
// or em dash, in UTF-8 or in the ANSI code page).
size_t DashesAt(const char* word)
{
    std::string text = word;
    size_t dashes = 0;
    for (;;) {
        if (text.compare(dashes, 1, "-") == 0) dashes += 1;
        else if (text.compare(dashes, 3, "\xE2\x80\x93") == 0 || text.compare(dashes, 3, "\xE2\x80\x94") == 0) dashes += 3;
        else if (text.compare(dashes, 1, "\x96") == 0 || text.compare(dashes, 1, "\x97") == 0) dashes += 1;
        else return dashes;
    }
}

// An option as typed, in the form the table names: "--" and lower case, so that a single dash
// ("-WhatIf", as PowerShell writes it) and any dash count as "--".
std::string OptionSpelling(const char* word)
{
    std::string spelled = std::string("--") + (word + DashesAt(word));
    for (char& c : spelled) c = (char)tolower((unsigned char)c);
    return spelled;
}

// Whether the word is meant as an option: dashes, then a letter ("-5" and "-" stay words).
bool LooksLikeOption(const char* word)
{
    size_t dashes = DashesAt(word);
    return dashes > 0 && isalpha((unsigned char)word[dashes]);
}

int OptionOf(const std::string& spelled)
{
    for (const OptionName& known : kOptionNames)
        if (spelled == known.name) return known.option;
    return 0;
}

// The edits that turn `a` into `b`: letters inserted, removed or replaced.
size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1), diagonal + (a[i - 1] == b[j - 1] ? 0 : 1));
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The option of `shape` nearest to what was typed, or "" when none is near.
std::string NearestOption(const std::string& spelled, const CommandShape* shape)
{
    std::string nearest;
    size_t best = 4;
    for (const OptionName& known : kOptionNames) {
        if ((shape->options & known.option) == 0) continue;
        size_t distance = EditDistance(spelled, known.name);
        if (distance < best) {
            best = distance;
            for (const OptionName& canonical : kOptionNames)
                if (canonical.option == known.option) {
                    nearest = canonical.name;
                    break;
                }
        }
    }
    return nearest;
}

// The word at `commandAt` among leading options, skipping an option's value: options may
// stand before the command, as other tools take them. `argc` when there is none.
int CommandWordAt(int argc, char** argv, const CommandShape* commands, size_t count)
{
    int at = 1;
    while (at < argc && LooksLikeOption(argv[at]) && !IsHelpWord(argv[at]) && Find(argv[at], commands, count) == nullptr) {
        int option = OptionOf(OptionSpelling(argv[at]));
        at += option == OPTION_FILE || option == OPTION_SERVICE ? 2 : 1;
    }
    return at;
}

// Takes the option argv[*i] into the line, and its value; false, with what was wrong.
bool TakeOption(int argc, char** argv, int* i, const CommandShape* shape, CommandLine* line, std::string* wrong)
{
    const char* word = argv[*i];
    std::string option = OptionSpelling(word);
    int needed = OptionOf(option);
    if (needed == 0 || (shape->options & needed) == 0) {
        std::string nearest = NearestOption(option, shape);
        *wrong = Worded(TEXT_PAIRS_NO_SUCH_OPTION, shape->name, ShortenedArgument(word).c_str()) +
                 (nearest.empty() ? "" : Worded(TEXT_PAIRS_DID_YOU_MEAN, nearest.c_str()));
        return false;
    }
    bool valued = needed == OPTION_FILE || needed == OPTION_SERVICE;
    const char* name = needed == OPTION_FILE ? "--file" : "--service";
    if (valued && *i + 1 >= argc) {
        *wrong = Worded(TEXT_PAIRS_OPTION_VALUE_MISSING, name);
        return false;
    }
    // A flag where the value belongs was a value forgotten: taking it as one would name a
    // service "--restart" and drop the restart.
    if (valued && LooksLikeOption(argv[*i + 1]) && OptionOf(OptionSpelling(argv[*i + 1])) != 0) {
        *wrong = Worded(TEXT_PAIRS_OPTION_VALUE_IS_A_FLAG, name, ShortenedArgument(argv[*i + 1]).c_str());
        return false;
    }
    if (needed == OPTION_JSON) line->json = true;
    if (needed == OPTION_WHAT_IF) line->whatIf = true;
    if (needed == OPTION_RESTART) line->restart = true;
    if (needed == OPTION_SERVICE) line->service = argv[++*i];
    if (needed == OPTION_FILE) {
        line->file = argv[++*i];
        line->fileGiven = true;
    }
    return true;
}

// Whether the words fit the command; what was wrong otherwise.
bool WordsFit(const CommandShape* shape, const CommandLine* line, std::string* wrong)
{
    int words = (int)line->words.size();
    bool fits = words >= shape->minimum && (shape->maximum < 0 || words <= shape->maximum) &&
                (!shape->inPairs || words % 2 == 0);
    // check takes pairs or a file, not both and not neither.
    if (shape->options & OPTION_FILE) fits = line->fileGiven ? words == 0 : words >= 2 && words % 2 == 0;
    if (fits) return true;
    *wrong = std::string("\"") + shape->name + "\" takes " + shape->takes + ".";
    // 'Ethernet 2' from a PowerShell recipe reaches cmd's programs as two words.
    for (const char* word : line->words)
        if (word[0] == '\'' || (word[0] != 0 && word[strlen(word) - 1] == '\'')) {
            *wrong += std::string(" ") + TEXT_PAIRS_QUOTING;
            break;
        }
    return false;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, const CommandShape* commands, size_t count, CommandLine* line,
                      std::string* wrong)
{
    if (argc < 2) {
        *wrong = TEXT_PAIRS_NO_COMMAND;
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
    int commandAt = CommandWordAt(argc, argv, commands, count);
    if (commandAt >= argc) {
        *wrong = TEXT_PAIRS_NO_COMMAND;
        return false;
    }
    line->shape = Find(argv[commandAt], commands, count);
    if (line->shape == nullptr) return UnknownCommand(argv[commandAt], commands, count, wrong);
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (i == commandAt) continue;
        if (!optionsEnded && IsHelpWord(word)) {
            line->helpWanted = true;
            return true;
        }
        if (!optionsEnded && strcmp(word, "--") == 0) optionsEnded = true;
        else if (optionsEnded || !LooksLikeOption(word)) line->words.push_back(word);
        else if (!TakeOption(argc, argv, &i, line->shape, line, wrong)) return false;
    }
    return WordsFit(line->shape, line, wrong);
}

bool JsonAsked(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (LooksLikeOption(argv[i]) && OptionOf(OptionSpelling(argv[i])) == OPTION_JSON) return true;
    return false;
}
