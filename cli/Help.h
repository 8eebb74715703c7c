#pragma once

#include <string>
#include <string_view>
#include <vector>

// What seqlark-cli says of itself: every command with its operands, options and an example.
// The usage lines, --help and COMMAND --help are all made from these.

/// An option: most take a value, a few are switches alone.
struct OptionHelp {
    const char* longName;
    const char* shortName; ///< null when there is none
    const char* value;     ///< what the value is called, as "N"; null for an option without one
    const char* text;
};

struct CommandHelp {
    const char* name;
    const char* operands;
    const char* summary;     ///< one line, for the list of commands
    const char* description; ///< a paragraph, wrapped when shown
    std::vector<OptionHelp> options;
    const char* example;
};

/// Every command, in the order --help lists them.
const std::vector<CommandHelp>& commandHelps();
/// The command called `name`; null when there is none.
const CommandHelp* commandHelp(std::string_view name);
/// The options every command takes.
const std::vector<OptionHelp>& globalOptions();

/// The usage lines of every command, shown with a usage error.
std::string usageText();
/// seqlark-cli --help.
std::string generalHelp();
/// seqlark-cli COMMAND --help.
std::string commandHelpText(const CommandHelp& command);
