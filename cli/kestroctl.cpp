#include "cli/kestroctl.h"

#include "cli/commands.h"
#include "cli/message.h"
#include "hid_log.h"
#include "logging_platform.h"

namespace kestro::cli {

namespace {

ExitStatus dispatch(const Invocation& invocation, Environment& env) {
    switch (invocation.command) {
    case Command::List:
        return runList(invocation, env);
    case Command::Show:
        return runShow(invocation, env);
    case Command::Set:
        return runSet(invocation, env);
    case Command::Selftest:
        return runSelftest(invocation, env);
    case Command::Monitor:
        return runMonitor(invocation, env);
    case Command::Backup:
        return runBackup(invocation, env);
    case Command::Restore:
        return runRestore(invocation, env);
    case Command::None:
        break;
    }
    return ExitStatus::Usage;
}

// The HID log goes to err for as long as one run lasts.
class HidLogToStream {
public:
    HidLogToStream(bool on, std::ostream& err) : on_(on) {
        if (on_)
            setHidLogSink([&err](std::string_view line) { err << "hid: " << line << "\n"; });
    }
    ~HidLogToStream() {
        if (on_)
            setHidLogSink({});
    }
    HidLogToStream(const HidLogToStream&) = delete;
    HidLogToStream& operator=(const HidLogToStream&) = delete;

private:
    bool on_;
};

// What a command printed is only worth its exit status if it arrived.
int finish(ExitStatus status, Environment& env) {
    if (!env.out.flush()) {
        complain(env.err, "standard output", "it could not be written");
        return code(ExitStatus::OutputFailed);
    }
    return code(status);
}

} // namespace

int runKestroctl(const std::vector<std::string>& args, Environment& env) {
    const ParsedCommandLine parsed = parseCommandLine(args);
    const Invocation& invocation = parsed.invocation;
    if (!parsed.error.empty()) {
        env.err << "kestroctl: " << parsed.error << "\n"
                << "Try 'kestroctl --help'.\n";
        return code(ExitStatus::Usage);
    }
    if (parsed.help) {
        env.out << *parsed.help;
        return finish(ExitStatus::Ok, env);
    }
    if (invocation.command == Command::None) {
        env.err << mainHelp();
        return code(ExitStatus::Usage);
    }
    HidLogToStream log(invocation.debug || env.hidLog, env.err);
    // Every call to the board passes the log, whichever backend is below.
    LoggingHidPlatform logged(env.platform);
    Environment through{logged,     env.out,         env.err,   env.in,
                        env.hidLog, env.interrupted, env.sleep, env.now};
    return finish(dispatch(invocation, through), env);
}

} // namespace kestro::cli
