#include "cli/invocation.h"

#include <string_view>

namespace kestro::cli {

namespace {

enum Option : unsigned {
    kJson = 1,
    kSerial = 2,
    kOutput = 4,
    kDryRun = 8,
};

struct CommandInfo {
    Command command;
    const char* name;
    unsigned options;
    int minOperands;
    int maxOperands; // -1: any number
};

constexpr CommandInfo kCommands[] = {
    {Command::Help, "help", 0, 0, 1},
    {Command::List, "list", kJson, 0, 0},
    {Command::Show, "show", kSerial | kJson, 0, 0},
    {Command::Set, "set", kSerial, 1, -1},
    {Command::Selftest, "selftest", kSerial | kJson, 0, 0},
    {Command::Monitor, "monitor", kSerial | kJson, 0, 0},
    {Command::Backup, "backup", kSerial | kOutput, 0, 0},
    {Command::Restore, "restore", kSerial | kDryRun, 1, 1},
};

const CommandInfo* infoOf(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command)
            return &info;
    }
    return nullptr;
}

const CommandInfo* infoNamed(std::string_view name) {
    for (const CommandInfo& info : kCommands) {
        if (name == info.name)
            return &info;
    }
    return nullptr;
}

struct OptionInfo {
    const char* name;
    char shortName;
    Option option;
    bool takesValue;
};

constexpr OptionInfo kOptions[] = {
    {"--json", 0, kJson, false},
    {"--serial", 's', kSerial, true},
    {"--output", 'o', kOutput, true},
    {"--dry-run", 0, kDryRun, false},
};

const OptionInfo* optionNamed(std::string_view name) {
    for (const OptionInfo& info : kOptions) {
        if (name == info.name ||
            (info.shortName && name.size() == 2 && name[0] == '-' && name[1] == info.shortName))
            return &info;
    }
    return nullptr;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    ParsedCommandLine parse() {
        for (at_ = 0; at_ < args_.size() && error_.empty(); ++at_)
            take(args_[at_]);
        if (error_.empty())
            checkOptions();
        if (error_.empty())
            checkOperands();
        return {invocation_, error_};
    }

private:
    void take(const std::string& arg) {
        if (arg == "--debug") {
            invocation_.debug = true;
        } else if (arg == "--help" || arg == "-h") {
            invocation_.help = true;
        } else if (arg == "--version" && invocation_.command == Command::None) {
            invocation_.version = true;
        } else if (arg == "--") {
            operandsOnly_ = true;
        } else if (!operandsOnly_ && arg.size() > 1 && arg[0] == '-') {
            takeOption(arg);
        } else if (invocation_.command == Command::None) {
            const CommandInfo* info = infoNamed(arg);
            if (!info)
                error_ = "unknown command '" + arg + "'";
            else
                invocation_.command = info->command;
        } else {
            invocation_.operands.push_back(arg);
        }
    }

    void takeOption(const std::string& arg) {
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionInfo* option = optionNamed(name);
        if (!option) {
            error_ = "unknown option '" + name + "'";
            return;
        }
        // Checked against the command once it is known: options may come first.
        given_.push_back(option);
        std::optional<std::string> value;
        if (equals != std::string::npos) {
            if (!option->takesValue) {
                error_ = name + " takes no value";
                return;
            }
            value = arg.substr(equals + 1);
        } else if (option->takesValue) {
            if (at_ + 1 >= args_.size()) {
                error_ = name + " needs a value";
                return;
            }
            value = args_[++at_];
        }
        switch (option->option) {
        case kJson:
            invocation_.json = true;
            break;
        case kSerial:
            invocation_.serial = value;
            break;
        case kOutput:
            invocation_.output = value;
            break;
        case kDryRun:
            invocation_.dryRun = true;
            break;
        }
    }

    void checkOptions() {
        const CommandInfo* command = infoOf(invocation_.command);
        for (const OptionInfo* option : given_) {
            if (!command || !(command->options & option->option)) {
                error_ = std::string(command ? command->name : "kestroctl") + " does not take " +
                         option->name;
                return;
            }
        }
    }

    void checkOperands() {
        const CommandInfo* command = infoOf(invocation_.command);
        if (!command || invocation_.help || invocation_.version)
            return;
        const int count = static_cast<int>(invocation_.operands.size());
        if (count < command->minOperands)
            error_ = std::string(command->name) + (invocation_.command == Command::Set
                                                       ? " needs at least one NAME=VALUE"
                                                       : " needs a backup FILE");
        else if (command->maxOperands >= 0 && count > command->maxOperands)
            error_ = std::string(command->name) + " does not take '" +
                     invocation_.operands[static_cast<std::size_t>(command->maxOperands)] + "'";
    }

    const std::vector<std::string>& args_;
    std::size_t at_ = 0;
    bool operandsOnly_ = false;
    std::vector<const OptionInfo*> given_;
    Invocation invocation_;
    std::string error_;
};

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    return Parser(args).parse();
}

std::optional<Command> commandNamed(std::string_view name) {
    const CommandInfo* info = infoNamed(name);
    if (!info || info->command == Command::Help)
        return std::nullopt;
    return info->command;
}

const char* commandName(Command command) {
    const CommandInfo* info = infoOf(command);
    return info ? info->name : "";
}

} // namespace kestro::cli
