#include "cli/command_line.h"

#include "config/board_identity.h"
#include "config/settings_table.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <sstream>

namespace kestro::cli {

namespace {

// One line a setting: its name, the values it takes and, for a gated one,
// the boards that admit it. The values are the words show prints too.
std::string settingsHelp() {
    std::string text;
    for (const SettingRow& entry : settingRows()) {
        std::string line = "  " + nameSummary(entry.kind);
        line.resize(27, ' ');
        line += valueSummary(entry.kind);
        if (entry.gate != 0)
            line += "   (boards from version " +
                    versionText(versionOf(static_cast<std::uint16_t>(entry.gate))) + ")";
        text += line + "\n";
    }
    return text;
}

// A command's help beyond its usage, with the settings' lines put in from
// the table where the text asks for them.
std::string detailsOf(const char* details) {
    std::string text = details;
    const std::string marker = "@SETTINGS@";
    if (const auto at = text.find(marker); at != std::string::npos)
        text.replace(at, marker.size(), "\n" + settingsHelp());
    return text;
}

enum Option : unsigned {
    kSerial = 1,
    kJson = 2,
    kOutput = 4,
    kDryRun = 8,
};

struct CommandEntry {
    Command command;
    const char* name;
    const char* summary; // its line in kestroctl --help
    const char* details; // what COMMAND --help says beyond the usage and options
    unsigned options;
    const char* operand = nullptr; // its name in the usage, when it takes operands
    bool manyOperands = false;
};

const CommandEntry kCommands[] = {
    {Command::List, "list", "the attached boards and whether they can be opened",
     R"(One line per attached Kestro board: serial number, product ID, version, the
node it was found at, and whether it can be opened. A board the system does
not let you open is listed, and the fix is said on standard error.
Exit status 0 when a board can be opened, 5 when every board found is
refused, 3 when there is none.)",
     kJson},
    {Command::Show, "show", "identity and every stored setting of a board",
     R"(The board's identity (manufacturer, product, version) and every setting the
board reports: the mode of each of the 16 encoders with the buttons it
drives, the pulse width, rotary-switch pulses and starting position, and the
settings the board's version admits. Sends only the settings request.
Exit status 9 when the board reported only part of its settings.)",
     kSerial | kJson},
    {Command::Set, "set", "change settings, then read them back",
     R"(Writes each setting named, one request each, then reads the settings back
and fails (exit status 7), naming the setting, where the board does not hold
what was written, or (exit status 9) where the board does not answer or no
longer reports them. Nothing else is written.
@SETTINGS@
Values may also be given as show prints them ("48 ms", "Auto").
A setting the board's version does not admit is refused (exit status 6)
before anything is sent.
Example: kestroctl set encoder5=1:2 pulse-width=48ms)",
     kSerial, "NAME=VALUE", true},
    {Command::Selftest, "selftest", "run the board's self diagnostic",
     R"(Runs the board's self diagnostic (boards from version 1.3) and prints
"Passed" (exit status 0), "Failed on B" and the input's number (8), or
"No reply" (9). Sends only the self-test request.)",
     kSerial | kJson},
    {Command::Monitor, "monitor", "print each button as it changes, until Ctrl-C",
     R"(Prints each button as it changes, "B17 pressed" or "B17 released", after
the seconds since the monitor started, until interrupted (Ctrl-C). The
first report prints the buttons held at start. With --json, one object a
line, whose "type" says what it is. Sends nothing to the board. Exit status
9 when the board is lost.)",
     kSerial | kJson},
    {Command::Backup, "backup", "save identity and settings as JSON",
     R"(Writes the board's identity and settings as a small JSON file (to standard
output without --output). Sends only the settings request. Nothing is
written when the board reports only part of its settings (exit status 9);
a file that cannot be written is exit status 10.)",
     kSerial | kOutput},
    {Command::Restore, "restore", "write the settings of a backup that differ",
     R"(Writes the settings of a backup (FILE, or - for standard input) that differ
from what the board holds, then reads them back to verify (exit status 7
when the board does not hold them, 9 when it does not answer). With
--dry-run it prints what it would write and writes nothing. A file that is
not a valid backup is refused with the reason (exit status 10) and nothing
is written. The backup may come from another board: that is how one
board's settings are copied to another.)",
     kSerial | kDryRun, "FILE"},
};

constexpr const char* kMainDetails = "Configure and test Kestro button-box boards from a terminal.";

constexpr const char* kExitStatuses = R"(Exit status:
  0  success                      6  not admitted by the board's version
  1  standard output failed       7  the board does not hold what was written
  2  usage error                  8  the self test failed
  3  no board (with that serial)  9  the board did not reply, or was lost
  4  several boards, no --serial 10  the backup file is unusable
  5  access refused

KESTRO_HID_LOG=1 in the environment does what --debug does. kestroctl
COMMAND --help names a command's options; see kestroctl(1) for settings,
values and the backup file.)";

// Usage line first, then what the command does, its options, and (for the
// program) its commands and exit statuses: the order a reader looks for them.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter() { column_width(22); }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub)
            return CLI::Formatter::make_help(app, name, mode);
        const bool program = app->get_parent() == nullptr;
        std::ostringstream out;
        out << "Usage: " << usage(app, name) << "\n\n"
            << (program ? app->get_description() : app->get_footer()) << "\n";
        if (program)
            out << make_subcommands(app, mode);
        out << make_groups(app, mode);
        if (program)
            out << "\n" << app->get_footer() << "\n";
        return out.str();
    }

    std::string make_usage(const CLI::App* app, std::string name) const override {
        return "Usage: " + usage(app, name) + "\n";
    }

private:
    static std::string usage(const CLI::App* app, const std::string& name) {
        if (app->get_parent() == nullptr)
            return name + " [--debug] COMMAND [OPTIONS]";
        std::string line = name;
        for (const CLI::Option* option : app->get_options()) {
            if (option == app->get_help_ptr())
                continue;
            if (option->get_positional()) {
                line += " " + option->get_type_name() +
                        (option->get_items_expected_max() > 1 ? "..." : "");
                continue;
            }
            line += " [" + option->get_name();
            if (!option->get_type_name().empty())
                line += " " + option->get_type_name();
            line += "]";
        }
        return line;
    }
};

// The whole command line's grammar, bound to the invocation it fills.
class Grammar {
public:
    explicit Grammar(Invocation& invocation) : invocation_(invocation) {
        app_.formatter(std::make_shared<HelpFormatter>());
        app_.footer(kExitStatuses);
        app_.set_help_flag("-h,--help", "help; kestroctl COMMAND --help for one command");
        // Taken after the command too: a command passes what it does not
        // know up to here.
        app_.fallthrough();
        app_.require_subcommand(0, 1);
        app_.add_flag("--debug", invocation_.debug,
                      "every report sent and received, in hex, on stderr");
        app_.set_version_flag("--version", "kestroctl " KESTRO_VERSION, "the program's version");
        for (const CommandEntry& entry : kCommands)
            add(entry);
        CLI::App* help = app_.add_subcommand("help", "this text, or a command's");
        help->group("Commands");
        help->add_option("COMMAND", helpTopic_, "the command to describe");
    }

    CLI::App& app() { return app_; }

    // The help asked for with the help command, or nothing when it was not
    // given. Throws CLI::ValidationError for a command that does not exist.
    std::optional<std::string> helpCommand() {
        if (!app_.got_subcommand("help"))
            return std::nullopt;
        if (!helpTopic_)
            return app_.get_formatter()->make_help(&app_, app_.get_name(),
                                                   CLI::AppFormatMode::Normal);
        for (const CLI::App* command : app_.get_subcommands({})) {
            if (command->get_name() == *helpTopic_ && *helpTopic_ != "help")
                return command->help(app_.get_name());
        }
        throw CLI::ValidationError("unknown command '" + *helpTopic_ + "'");
    }

    void takeCommand() {
        for (const CommandEntry& entry : kCommands) {
            if (app_.got_subcommand(entry.name))
                invocation_.command = entry.command;
        }
    }

private:
    void add(const CommandEntry& entry) {
        CLI::App* command = app_.add_subcommand(entry.name, entry.summary);
        command->group("Commands");
        command->set_help_flag("-h,--help", "this help");
        command->footer(detailsOf(entry.details));
        if (entry.options & kSerial)
            command
                ->add_option("-s,--serial", invocation_.serial,
                             "the board with serial number S (needed with several boards)")
                ->type_name("S");
        if (entry.operand) {
            CLI::Option* operand =
                command->add_option(entry.operand, invocation_.operands)->required();
            operand->type_name(entry.operand);
            if (!entry.manyOperands)
                operand->expected(1);
        }
        if (entry.options & kJson)
            command->add_flag("--json", invocation_.json, "machine-readable output");
        if (entry.options & kOutput)
            command
                ->add_option("-o,--output", invocation_.output,
                             "the file to write, - for "
                             "standard output")
                ->type_name("FILE");
        if (entry.options & kDryRun)
            command->add_flag("--dry-run", invocation_.dryRun,
                              "print what would be written, write nothing");
    }

    Invocation& invocation_;
    CLI::App app_{kMainDetails, "kestroctl"};
    std::optional<std::string> helpTopic_;
};

// CLI11 names the command it was parsing only through the subcommand that
// got arguments; the message names it so the user knows whose --help to read.
std::string usageError(CLI::App& app, const CLI::ParseError& error) {
    std::string where = "command line";
    for (const CLI::App* command : app.get_subcommands())
        where = command->get_name();
    return where + ": " + error.what();
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    Grammar grammar(parsed.invocation);
    CLI::App& app = grammar.app();
    // CLI11 takes its arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
        parsed.help = grammar.helpCommand();
        grammar.takeCommand();
    } catch (const CLI::CallForHelp&) {
        parsed.help = app.help();
    } catch (const CLI::CallForVersion& version) {
        parsed.help = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& error) {
        parsed.error = usageError(app, error);
    }
    return parsed;
}

std::string mainHelp() {
    Invocation unused;
    Grammar grammar(unused);
    return grammar.app().help();
}

} // namespace kestro::cli
