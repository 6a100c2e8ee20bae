#include "cli/writing.h"

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
        err << name << ": not admitted by this board: "
            << gateRefusal(identity, name, settingGate(assignment.setting))
            << ". Nothing was written.\n";
        all = false;
    }
    return all;
}

ExitStatus writeAndVerify(BoardAccess& board, const std::vector<Assignment>& writes,
                          const std::vector<Assignment>& expected, Environment& env) {
    const WriteOutcome outcome = writeAndReadBack(board.link(), writes, expected);
    for (const Setting& setting : outcome.notSent)
        env.err << settingName(setting) << ": the request was not accepted.\n";

    const bool reported = reportedAll(outcome.after, settingsOf(expected), env.err);
    for (const Setting& setting : outcome.notHeld) {
        const std::optional<int> held = heldValue(outcome.after, setting);
        const auto wanted = std::find_if(expected.begin(), expected.end(),
                                         [&](const Assignment& a) { return a.setting == setting; });
        env.err << settingName(setting) << ": the board holds "
                << (held ? valueName(setting, *held) : std::string("no value it reports"))
                << ", not " << valueName(setting, wanted->value) << ".\n";
    }
    return reported && outcome.verified() ? ExitStatus::Ok : ExitStatus::VerifyFailed;
}

} // namespace kestro::cli
