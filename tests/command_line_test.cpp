// The command line as administrators type it: commands and options in any case, PowerShell's
// single dash, a dash a word processor made, options before the command, the nearest option
// suggested, and a flag where an option's value belongs refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/command_line.h"
#include "console/pairs_texts.h"

namespace {

const CommandShape kShapes[] = {
    {"set", "", "SOURCE DESTINATION pairs", 0, -1, true, OPTION_WHAT_IF | OPTION_RESTART | OPTION_SERVICE, "", nullptr},
    {"check", "", "pairs or --file FILE", 0, -1, true, OPTION_JSON | OPTION_FILE | OPTION_SERVICE, "", nullptr},
    {"list", "", "no arguments", 0, 0, false, OPTION_JSON, "", nullptr},
    {"--version", "", "no arguments", 0, 0, false, 0, "", nullptr},
};

struct Parsed {
    bool ok;
    std::string command;
    std::vector<std::string> words;
    bool json, whatIf, restart;
    std::string service, wrong;
};

Parsed Parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "mDNSPairs");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    CommandLine line;
    Parsed parsed = {};
    parsed.ok = ParseCommandLine((int)argv.size(), argv.data(), kShapes, sizeof kShapes / sizeof kShapes[0], &line,
                                 &parsed.wrong);
    parsed.command = line.shape != nullptr ? line.shape->name : "";
    for (const char* word : line.words) parsed.words.push_back(word);
    parsed.json = line.json;
    parsed.whatIf = line.whatIf;
    parsed.restart = line.restart;
    parsed.service = line.service;
    return parsed;
}

TEST(CommandLineTest, ReadsWhatAdministratorsTypeByHabit)
{
    const std::vector<std::string> pair = {"10.0.0.5", "10.0.0.6"};
    const struct {
        std::vector<std::string> arguments;
        bool whatIf, restart;
        std::string service;
    } understood[] = {
        {{"set", "10.0.0.5", "10.0.0.6", "--what-if"}, true, false, ""},
        {{"SET", "10.0.0.5", "10.0.0.6", "--What-If"}, true, false, ""},
        {{"set", "10.0.0.5", "10.0.0.6", "-WhatIf"}, true, false, ""},
        {{"set", "10.0.0.5", "10.0.0.6", "--whatif"}, true, false, ""},
        {{"set", "10.0.0.5", "10.0.0.6", "--dry-run"}, true, false, ""},
        {{"set", "10.0.0.5", "10.0.0.6", "\xE2\x80\x93-what-if"}, true, false, ""},  // an en dash in UTF-8
        {{"set", "10.0.0.5", "10.0.0.6", "\x96what-if"}, true, false, ""},          // the same in Windows-1252
        {{"set", "10.0.0.5", "10.0.0.6", "\x97what-if"}, true, false, ""},          // an em dash in Windows-1252
        {{"--what-if", "set", "10.0.0.5", "10.0.0.6"}, true, false, ""},
        {{"--service", "Repeater", "--RESTART", "set", "10.0.0.5", "10.0.0.6"}, false, true, "Repeater"},
        {{"set", "--", "10.0.0.5", "10.0.0.6"}, false, false, ""},
    };
    for (const auto& c : understood) {
        Parsed parsed = Parse(c.arguments);
        SCOPED_TRACE(c.arguments[0] + " ... " + c.arguments.back());
        EXPECT_TRUE(parsed.ok) << parsed.wrong;
        EXPECT_EQ("set", parsed.command);
        EXPECT_EQ(pair, parsed.words);
        EXPECT_EQ(c.whatIf, parsed.whatIf);
        EXPECT_EQ(c.restart, parsed.restart);
        EXPECT_EQ(c.service, parsed.service);
    }
    Parsed json = Parse({"-JSON", "list"});
    EXPECT_TRUE(json.ok && json.json && json.command == "list");
    EXPECT_EQ("--version", Parse({"--version"}).command);
    // A word that starts with a dash but no letter is a word: "-5" is no option.
    EXPECT_EQ((std::vector<std::string>{"-5", "10.0.0.6"}), Parse({"set", "-5", "10.0.0.6"}).words);
}

TEST(CommandLineTest, SaysWhatIsWrongAndWhatWasMeant)
{
    const struct {
        std::vector<std::string> arguments;
        std::string wrong;
    } refused[] = {
        {{"set", "10.0.0.5", "10.0.0.6", "--wat-if"}, "\"set\" takes no option --wat-if. Did you mean --what-if?"},
        {{"set", "10.0.0.5", "10.0.0.6", "--restrat"}, "\"set\" takes no option --restrat. Did you mean --restart?"},
        {{"list", "--jsno"}, "\"list\" takes no option --jsno. Did you mean --json?"},
        {{"list", "--what-if"}, "\"list\" takes no option --what-if."},
        {{"set", "10.0.0.5", "10.0.0.6", "--banana"}, "\"set\" takes no option --banana."},
        {{"set", "10.0.0.5", "10.0.0.6", "--service", "--restart"}, "--service needs a value, not \"--restart\"."},
        {{"check", "--file", "-WhatIf"}, "--file needs a value, not \"-WhatIf\"."},
        {{"check", "--service", "--json"}, "--service needs a value, not \"--json\"."},
        {{"set", "10.0.0.5", "10.0.0.6", "--service"}, "--service needs a value."},
        {{"--what-if"}, "No command was given."},
        {{"--what-if", "lst"}, "\"lst\" is not a command (the commands are: set, check, list, --version)."},
        {{"set", "10.0.0.5"}, "\"set\" takes SOURCE DESTINATION pairs."},
        // The first letter wrong is as near as any other.
        {{"list", "--xson"}, "\"list\" takes no option --xson. Did you mean --json?"},
        {{"list", "--jxxx"}, "\"list\" takes no option --jxxx. Did you mean --json?"},  // three edits: still near
        {{"list", "--xxxx"}, "\"list\" takes no option --xxxx."},                        // four: not
        {{"list", "--jsoonnn"}, "\"list\" takes no option --jsoonnn. Did you mean --json?"},  // three letters too many
        {{"set", "10.0.0.5", "10.0.0.6", "--estart"}, "\"set\" takes no option --estart. Did you mean --restart?"},
        // Quotes a shell did not take away are named.
        {{"set", "10.0.0.5 10.0.0.6'"}, "\"set\" takes SOURCE DESTINATION pairs. " TEXT_PAIRS_QUOTING},
    };
    for (const auto& c : refused) {
        Parsed parsed = Parse(c.arguments);
        EXPECT_FALSE(parsed.ok) << c.arguments.back();
        EXPECT_EQ(c.wrong, parsed.wrong);
    }
}

}  // namespace
