// kestroctl backup and restore: a board's settings to a file, and a file's
// settings to a board, writing only what differs.
#include "cli/commands.h"
#include "cli/message.h"
#include "cli/readback.h"
#include "cli/text.h"
#include "cli/writing.h"
#include "config/backup_file.h"
#include "config/settings_restore.h"

#include <cerrno>
#include <fstream>

namespace kestro::cli {

namespace {

// The file's text, or - for standard input.
std::optional<std::string> readFile(const std::string& path, Environment& env) {
    std::ifstream file;
    errno = 0;
    if (path != "-")
        file.open(path, std::ios::binary);
    std::optional<std::string> text;
    if (path == "-" || file)
        text = readBackupText(path == "-" ? env.in : file);
    if (!text)
        complain(env.err, "read " + path, systemReason());
    return text;
}

} // namespace

ExitStatus runBackup(const Invocation& invocation, Environment& env) {
    BoardAccess board(env.platform);
    BoardState state;
    if (const ExitStatus read = openAndRead(board, invocation.serial, env.err, state);
        read != ExitStatus::Ok)
        return read;
    const BoardIdentity& identity = state.identity;
    if (!reportedAll(state.settings, allSettings(), env.err)) {
        complain(env.err, "backup", "nothing was written");
        return ExitStatus::NoReply;
    }

    Backup backup;
    backup.board =
        backupIdentity(board.serial(), identity, board.link().deviceAttributes.ProductID);
    backup.settings = heldSettings(identity, state.settings);
    const std::string text = formatBackup(backup);
    if (!invocation.output || *invocation.output == "-") {
        env.out << text;
        return ExitStatus::Ok;
    }
    if (const auto failed = writeBackupFile(*invocation.output, text)) {
        complain(env.err, "write " + *invocation.output, *failed);
        return ExitStatus::BadFile;
    }
    env.err << "Settings of " << latin1ToUtf8(board.serial()) << " written to "
            << *invocation.output << ".\n";
    return ExitStatus::Ok;
}

ExitStatus runRestore(const Invocation& invocation, Environment& env) {
    const std::string& path = invocation.operands.front();
    const std::optional<std::string> text = readFile(path, env);
    if (!text)
        return ExitStatus::BadFile;
    const BackupParse parsed = parseBackup(*text);
    if (!parsed.backup) {
        complain(env.err, "restore " + path, parsed.error + "; nothing was written");
        return ExitStatus::BadFile;
    }
    const std::vector<Assignment>& wanted = parsed.backup->settings;

    BoardAccess board(env.platform);
    BoardState state;
    if (const ExitStatus read = openAndRead(board, invocation.serial, env.err, state);
        read != ExitStatus::Ok)
        return read;
    const BoardSettings& held = state.settings;
    if (!reportedAll(held, settingsOf(wanted), env.err)) {
        complain(env.err, "restore",
                 "without them it cannot be told what differs; nothing was written");
        return ExitStatus::NoReply;
    }

    const RestorePlan plan = planRestore(wanted, state.identity, held);
    const std::vector<Assignment> differing = writesOf(plan);
    if (!allAdmitted(state.identity, differing, env.err))
        return ExitStatus::NotAdmitted;
    if (plan.changes.empty()) {
        env.out << "The board already holds every setting of " << path << ".\n";
        return ExitStatus::Ok;
    }

    for (const SettingChange& change : plan.changes) {
        const Setting setting = change.setting;
        env.out << (invocation.dryRun ? "would write " : "write ") << settingName(setting) << "="
                << valueName(setting, change.after) << " (the board holds "
                << (change.before ? valueName(setting, *change.before) : std::string("no value"))
                << ")\n";
    }
    if (invocation.dryRun)
        return ExitStatus::Ok;
    return writeAndVerify(board, differing, wanted, env);
}

} // namespace kestro::cli
