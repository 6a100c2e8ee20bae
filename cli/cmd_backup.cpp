// kestroctl backup and restore: a board's settings to a file, and a file's
// settings to a board, writing only what differs.
#include "cli/backup_file.h"
#include "cli/commands.h"
#include "cli/message.h"
#include "cli/readback.h"
#include "cli/text.h"
#include "cli/writing.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kestro::cli {

namespace {

// Only what the board reported and can be written back.
std::vector<Assignment> heldSettings(const BoardIdentity& identity, const BoardSettings& settings) {
    std::vector<Assignment> held;
    for (const Setting& setting : allSettings()) {
        const std::optional<int> value = heldValue(settings, setting);
        if (value && admitted(identity, setting))
            held.push_back({setting, *value});
    }
    return held;
}

// Why the file operation that just failed did, as the system says it.
std::string systemReason() {
    return errno != 0 ? std::strerror(errno) : "the system gave no reason";
}

// Written beside the target and renamed over it, so that a failure never
// leaves half a backup where a whole one was.
bool writeFile(const std::string& path, const std::string& text, std::ostream& err) {
    const std::string partial = path + ".partial";
    std::error_code error;
    {
        errno = 0;
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (file) {
            file << text;
            file.close();
        }
        if (!file) {
            complain(err, "write " + path, systemReason());
            std::filesystem::remove(partial, error);
            return false;
        }
    }
    std::filesystem::rename(partial, path, error);
    if (error) {
        complain(err, "write " + path, error.message());
        std::filesystem::remove(partial, error);
        return false;
    }
    return true;
}

// The file's text, refusing what is too large to be a backup before it is
// read whole.
std::optional<std::string> readFile(const std::string& path, Environment& env) {
    std::ifstream file;
    std::istream* in = &env.in;
    if (path != "-") {
        errno = 0;
        file.open(path, std::ios::binary);
        if (!file) {
            complain(env.err, "read " + path, systemReason());
            return std::nullopt;
        }
        in = &file;
    }
    std::string text;
    char chunk[4096];
    while (text.size() <= kMaxBackupBytes && in->read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<std::size_t>(in->gcount()));
    if (in->bad()) {
        complain(env.err, "read " + path, systemReason());
        return std::nullopt;
    }
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
    backup.board = {latin1ToUtf8(board.serial()), latin1ToUtf8(identity.manufacturer),
                    latin1ToUtf8(identity.product),
                    productIdText(board.link().deviceAttributes.ProductID),
                    versionCaption(identity)};
    backup.settings = heldSettings(identity, state.settings);
    const std::string text = formatBackup(backup);
    if (!invocation.output || *invocation.output == "-") {
        env.out << text;
        return ExitStatus::Ok;
    }
    if (!writeFile(*invocation.output, text, env.err))
        return ExitStatus::BadFile;
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

    std::vector<Assignment> differing;
    for (const Assignment& assignment : wanted) {
        if (heldValue(held, assignment.setting) != assignment.value)
            differing.push_back(assignment);
    }
    if (!allAdmitted(state.identity, differing, env.err))
        return ExitStatus::NotAdmitted;
    if (differing.empty()) {
        env.out << "The board already holds every setting of " << path << ".\n";
        return ExitStatus::Ok;
    }

    for (const Assignment& assignment : differing) {
        const Setting setting = assignment.setting;
        const std::optional<int> before = heldValue(held, setting);
        env.out << (invocation.dryRun ? "would write " : "write ") << settingName(setting) << "="
                << valueName(setting, assignment.value) << " (the board holds "
                << (before ? valueName(setting, *before) : std::string("no value")) << ")\n";
    }
    if (invocation.dryRun)
        return ExitStatus::Ok;
    return writeAndVerify(board, differing, wanted, env);
}

} // namespace kestro::cli
