#include "cli/writing.h"

#include "cli/message.h"
#include "cli/readback.h"
#include "config/settings_restore.h"

#include <algorithm>

namespace kestro::cli {

std::vector<Setting> settingsOf(const std::vector<Assignment>& assignments) {
    std::vector<Setting> settings;
    for (const Assignment& assignment : assignments)
        settings.push_back(assignment.setting);
    return settings;
}

bool allAdmitted(const BoardIdentity& identity, const std::vector<Assignment>& assignments,
                 std::ostream& err) {
    bool all = true;
    for (const Assignment& assignment : assignments) {
        if (admitted(identity, assignment.setting))
            continue;
        const std::string name = settingName(assignment.setting);
        complain(err, "write " + name,
                 "not admitted by this board: " +
                     gateRefusal(identity, name, settingGate(assignment.setting)) +
                     "; nothing was written");
        all = false;
    }
    return all;
}

ExitStatus writeAndVerify(BoardAccess& board, const std::vector<Assignment>& writes,
                          const std::vector<Assignment>& expected, Environment& env) {
    // A frame the driver rejects is not repeated: the readback tells whether
    // the board took it after all.
    const WriteOutcome outcome = writeAndReadBack(board.link(), writes, expected);
    for (const Setting& setting : outcome.notSent)
        complain(env.err, "write " + settingName(setting), "the request was not accepted");

    // A board that does not answer the readback, or answers only in part
    // (lost after writing, say), cannot be said not to hold what was written.
    if (!reportedAll(outcome.after, settingsOf(expected), env.err))
        return ExitStatus::NoReply;
    for (const Setting& setting : outcome.notHeld) {
        const std::optional<int> held = heldValue(outcome.after, setting);
        const auto wanted = std::find_if(expected.begin(), expected.end(),
                                         [&](const Assignment& a) { return a.setting == setting; });
        complain(env.err, "verify " + settingName(setting),
                 "the board holds " +
                     (held ? valueName(setting, *held) : std::string("no value it names")) +
                     ", not " + valueName(setting, wanted->value));
    }
    return outcome.verified() ? ExitStatus::Ok : ExitStatus::VerifyFailed;
}

} // namespace kestro::cli
