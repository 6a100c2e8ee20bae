#include "cli/writing.h"

#include "cli/message.h"
#include "cli/readback.h"

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
    for (const Assignment& write : writes) {
        const Setting setting = write.setting;
        // A frame the driver rejects is not repeated: the readback tells
        // whether the board took it after all.
        if (!board.write(settingAddress(setting), encodeValue(setting, write.value)))
            complain(env.err, "write " + settingName(setting), "the request was not accepted");
    }

    // A board that does not answer the readback, or answers only in part
    // (lost after writing, say), cannot be said not to hold what was written.
    const BoardSettings after = board.readSettings();
    if (!reportedAll(after, settingsOf(expected), env.err))
        return ExitStatus::NoReply;
    bool verified = true;
    for (const Assignment& wanted : expected) {
        const Setting setting = wanted.setting;
        const std::optional<int> held = heldValue(after, setting);
        if (held == wanted.value)
            continue;
        verified = false;
        complain(env.err, "verify " + settingName(setting),
                 "the board holds " +
                     (held ? valueName(setting, *held) : std::string("no value it names")) +
                     ", not " + valueName(setting, wanted.value));
    }
    return verified ? ExitStatus::Ok : ExitStatus::VerifyFailed;
}

} // namespace kestro::cli
