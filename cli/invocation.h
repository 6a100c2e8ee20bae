// The command line: which command, with which options and operands, checked
// against what that command takes before anything reaches a board.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::cli {

enum class Command { None, Help, List, Show, Set, Selftest, Monitor, Backup, Restore };

struct Invocation {
    Command command = Command::None;
    bool help = false;    // --help: the command's help instead of the command
    bool version = false; // --version
    bool debug = false;   // --debug: the HID log to stderr
    bool json = false;
    bool dryRun = false;
    std::optional<std::string> serial;
    std::optional<std::string> output;
    std::vector<std::string> operands;
};

struct ParsedCommandLine {
    Invocation invocation;
    std::string error; // a usage error when not empty
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

const char* commandName(Command command);
std::optional<Command> commandNamed(std::string_view name);

} // namespace kestro::cli
