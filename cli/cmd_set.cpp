// kestroctl set: exactly the settings the command line names, one frame each,
// checked by reading them back.
#include "cli/commands.h"
#include "cli/message.h"
#include "cli/readback.h"
#include "cli/writing.h"

namespace kestro::cli {

namespace {

struct Parsed {
    std::vector<Assignment> assignments;
    std::string error;
};

Parsed parseAssignments(const std::vector<std::string>& operands) {
    Parsed parsed;
    for (const std::string& operand : operands) {
        const std::size_t equals = operand.find('=');
        if (equals == std::string::npos) {
            parsed.error = "'" + operand + "' is not NAME=VALUE";
            return parsed;
        }
        const std::string name = operand.substr(0, equals);
        const std::string text = operand.substr(equals + 1);
        const std::optional<Setting> setting = settingNamed(name);
        if (!setting) {
            std::string names;
            for (const SettingRow& entry : settingRows())
                names += (names.empty() ? "" : ", ") + nameSummary(entry.kind);
            parsed.error = "unknown setting '" + name + "' (settings: " + names + ")";
            return parsed;
        }
        const std::optional<int> value = parseValue(*setting, text);
        if (!value) {
            parsed.error =
                "'" + text + "' is not a value of " + name + " (" + acceptedValues(*setting) + ")";
            return parsed;
        }
        for (const Assignment& earlier : parsed.assignments) {
            if (earlier.setting == *setting) {
                parsed.error = name + " is named twice";
                return parsed;
            }
        }
        parsed.assignments.push_back({*setting, *value});
    }
    return parsed;
}

} // namespace

ExitStatus runSet(const Invocation& invocation, Environment& env) {
    const Parsed parsed = parseAssignments(invocation.operands);
    if (!parsed.error.empty()) {
        complain(env.err, "set", parsed.error);
        env.err << "Try 'kestroctl set --help'.\n";
        return ExitStatus::Usage;
    }

    BoardAccess board(env.platform);
    if (const ExitStatus opened = board.open(invocation.serial, env.err); opened != ExitStatus::Ok)
        return opened;
    if (!carriesRequests(board, env.err))
        return ExitStatus::NoReply;
    if (!allAdmitted(board.readIdentity(), parsed.assignments, env.err))
        return ExitStatus::NotAdmitted;

    const ExitStatus verified = writeAndVerify(board, parsed.assignments, parsed.assignments, env);
    if (verified == ExitStatus::Ok) {
        for (const Assignment& assignment : parsed.assignments)
            env.out << settingName(assignment.setting) << "="
                    << valueName(assignment.setting, assignment.value) << "\n";
    }
    return verified;
}

} // namespace kestro::cli
