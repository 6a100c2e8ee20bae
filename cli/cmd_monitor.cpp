// kestroctl monitor: the board's input reports as button changes, read as
// the window reads them but with every report of a read taken in turn, so
// that a press and its release between two reads both show.
#include "cli/commands.h"
#include "cli/json_output.h"
#include "cli/message.h"
#include "cli/readback.h"
#include "cli/text.h"
#include "config/config_session.h"
#include "input_report.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace kestro::cli {

namespace {

bool pressed(const ButtonBytes& bytes, int button) {
    const int index = button - 1;
    return (bytes[static_cast<std::size_t>(index / 8)] >> (index % 8)) & 1;
}

class ButtonLog {
public:
    ButtonLog(std::ostream& out, bool json) : out_(out), json_(json) {}

    void take(const ButtonBytes& bytes, double seconds) {
        if (!last_)
            held(bytes, seconds);
        else
            changes(*last_, bytes, seconds);
        last_ = bytes;
    }

private:
    static constexpr int kButtons = 8 * kButtonBytes;

    static std::string time(double seconds) {
        char text[32];
        std::snprintf(text, sizeof text, "%8.3f", seconds);
        return text;
    }

    // Milliseconds are all a poll can tell apart.
    static double jsonSeconds(double seconds) { return std::round(seconds * 1000) / 1000; }

    void held(const ButtonBytes& bytes, double seconds) {
        std::vector<int> buttons;
        for (int button = 1; button <= kButtons; ++button) {
            if (pressed(bytes, button))
                buttons.push_back(button);
        }
        if (json_) {
            line({{"type", "held"}, {"time", jsonSeconds(seconds)}, {"held", buttons}});
            return;
        }
        out_ << time(seconds) << " held:";
        if (buttons.empty())
            out_ << " none";
        for (int button : buttons)
            out_ << " B" << button;
        // A pipe to another program must see each line as it happens.
        out_ << std::endl;
    }

    void changes(const ButtonBytes& before, const ButtonBytes& now, double seconds) {
        for (int button = 1; button <= kButtons; ++button) {
            const bool down = pressed(now, button);
            if (down == pressed(before, button))
                continue;
            const char* state = down ? "pressed" : "released";
            if (json_)
                line({{"type", "button"},
                      {"time", jsonSeconds(seconds)},
                      {"button", button},
                      {"state", state}});
            else
                out_ << time(seconds) << " B" << button << " " << state << std::endl;
        }
    }

    void line(const Json& json) {
        printJsonLine(json, out_);
        out_.flush();
    }

    std::ostream& out_;
    bool json_;
    std::optional<ButtonBytes> last_;
};

} // namespace

ExitStatus runMonitor(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    if (const ExitStatus opened = board.open(invocation.serial, env.err); opened != ExitStatus::Ok)
        return opened;
    const std::uint32_t length = board.link().deviceCapabilities.InputReportByteLength;
    if (length == 0) {
        complain(env.err, "monitor", "the board sends no input reports");
        return ExitStatus::NoReply;
    }
    env.err << "Watching " << latin1ToUtf8(board.serial()) << "; press Ctrl-C to stop."
            << std::endl;

    ButtonLog log(env.out, invocation.json);
    std::vector<std::uint8_t> buffer(kReadRequestLength);
    const auto start = env.now();
    // A reader that went away ends the monitor as Ctrl-C does.
    while (!env.interrupted() && env.out) {
        const ReadResult read = board.link().ReadInputReports(buffer.data(), kReadRequestLength);
        if (read.outcome == ReadOutcome::Failed) {
            complain(env.err, "monitor", "the board was lost");
            return ExitStatus::NoReply;
        }
        if (read.outcome == ReadOutcome::NothingQueued) {
            env.sleep(std::chrono::milliseconds(kPollIntervalMs));
            continue;
        }
        const double seconds = std::chrono::duration<double>(env.now() - start).count();
        const std::uint32_t count = std::min(read.count, kReadRequestLength);
        for (std::uint32_t at = 0; at + length <= count; at += length) {
            if (const auto bytes = newestButtonBytes(buffer.data() + at, length, length))
                log.take(*bytes, seconds);
        }
    }
    return ExitStatus::Ok;
}

} // namespace kestro::cli
