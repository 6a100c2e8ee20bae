#include "cli/help.h"

#include "config/settings_table.h"

namespace kestro::cli {

namespace {

// One line a setting: its name, the values it takes and, for a gated one,
// the boards that admit it. The values are the words show prints too.
std::string settingsHelp() {
    std::string text;
    for (const SettingSpec& spec : settingSpecs()) {
        std::string line = "  " + nameSummary(spec.kind);
        line.resize(27, ' ');
        line += valueSummary(spec.kind);
        if (spec.gate != 0)
            line += "   (boards from version " +
                    versionText(versionOf(static_cast<std::uint16_t>(spec.gate))) + ")";
        text += line + "\n";
    }
    return text;
}

} // namespace

std::string mainHelp() {
    return R"(Usage: kestroctl [--debug] COMMAND [OPTIONS]

Configure and test Kestro button-box boards from a terminal.

Commands:
  list                      the attached boards and whether they can be opened
  show                      identity and every stored setting of a board
  set NAME=VALUE...         change settings, then read them back
  selftest                  run the board's self diagnostic
  monitor                   print each button as it changes, until Ctrl-C
  backup [--output FILE]    save identity and settings as JSON
  restore FILE [--dry-run]  write the settings of a backup that differ
  help [COMMAND]            this text, or a command's

Options:
  -s, --serial S   the board with serial number S (needed with several boards)
  --json           machine-readable output (list, show, selftest, monitor)
  --debug          every report sent and received, in hex, on stderr
                   (also KESTRO_HID_LOG=1)
  -h, --help       help; kestroctl COMMAND --help for one command
  --version        the program's version

Exit status:
  0  success                      6  not admitted by the board's version
  2  usage error                  7  the board does not hold what was written
  3  no board (with that serial)  8  the self test failed
  4  several boards, no --serial  9  the board did not reply, or was lost
  5  access refused              10  the backup file is unusable

See kestroctl(1) for settings, values and the backup file.
)";
}

std::string commandHelp(Command command) {
    switch (command) {
    case Command::List:
        return R"(Usage: kestroctl list [--json]

One line per attached Kestro board: serial number, product ID, version, the
node it was found at, and whether it can be opened. A board the system does
not let you open is listed with the fix.
Exit status 0 when a board can be opened, 5 when every board found is
refused, 3 when there is none.
)";
    case Command::Show:
        return R"(Usage: kestroctl show [--serial S] [--json]

The board's identity (manufacturer, product, version) and every setting the
board reports: the mode of each of the 16 encoders with the buttons it
drives, the pulse width, rotary-switch pulses and starting position, and the
settings the board's version admits. Sends only the settings request.
Exit status 9 when the board reported only part of its settings.
)";
    case Command::Set:
        return R"(Usage: kestroctl set [--serial S] NAME=VALUE...

Writes each setting named, one request each, then reads the settings back
and fails (exit status 7), naming the setting, where the board does not hold
what was written. Nothing else is written.

)" + settingsHelp() +
               R"(
Values may also be given as show prints them ("48 ms", "Auto").
A setting the board's version does not admit is refused (exit status 6)
before anything is sent.
Example: kestroctl set encoder5=1:2 pulse-width=48ms
)";
    case Command::Selftest:
        return R"(Usage: kestroctl selftest [--serial S] [--json]

Runs the board's self diagnostic (boards from version 1.3) and prints
"Passed" (exit status 0), "Failed on B" and the input's number (8), or
"No reply" (9). Sends only the self-test request.
)";
    case Command::Monitor:
        return R"(Usage: kestroctl monitor [--serial S] [--json]

Prints each button as it changes, "B17 pressed" or "B17 released", after
the seconds since the monitor started, until interrupted (Ctrl-C). The
first report prints the buttons held at start. With --json, one object a
line. Sends nothing to the board. Exit status 9 when the board is lost.
)";
    case Command::Backup:
        return R"(Usage: kestroctl backup [--serial S] [--output FILE]

Writes the board's identity and settings as a small JSON file (to standard
output without --output). Sends only the settings request. Nothing is
written when the board reports only part of its settings (exit status 9).
)";
    case Command::Restore:
        return R"(Usage: kestroctl restore [--serial S] FILE [--dry-run]

Writes the settings of a backup (FILE, or - for standard input) that differ
from what the board holds, then reads them back to verify (exit status 7
when the board does not hold them). With --dry-run it prints what it would
write and writes nothing. A file that is not a valid backup is refused with
the reason (exit status 10) and nothing is written. The backup may come
from another board: that is how one board's settings are copied to another.
)";
    case Command::Help:
    case Command::None:
        break;
    }
    return mainHelp();
}

std::string versionText() {
    return "kestroctl " KESTRO_VERSION "\n";
}

} // namespace kestro::cli
