#include "cli/readback.h"

#include "cli/message.h"
#include "config/protocol.h"

#include <algorithm>
#include <cstdio>

namespace kestro::cli {

std::optional<std::string> versionCaption(const BoardIdentity& identity) {
    if (!identity.version)
        return std::nullopt;
    return versionText(*identity.version);
}

std::optional<std::string> listedVersion(std::uint16_t versionNumber) {
    if (versionNumber == 0)
        return std::nullopt;
    return versionText(versionOf(versionNumber));
}

std::string gateRefusal(const BoardIdentity& identity, const std::string& what, int gate) {
    const std::optional<std::string> version = versionCaption(identity);
    // The window keeps the gates shut when the version cannot be read.
    return (version ? "its version is " + *version : std::string("its version is unknown")) +
           " and " + what + " needs " + versionsFrom(gate);
}

namespace {

bool needs(const std::vector<Setting>& settings, bool encoders) {
    return std::any_of(settings.begin(), settings.end(), [&](const Setting& setting) {
        return (settingBlock(setting) == SettingBlock::Encoders) == encoders;
    });
}

} // namespace

bool reportedAll(const BoardSettings& settings, const std::vector<Setting>& needed,
                 std::ostream& err) {
    bool all = true;
    if (!settings.encodersRead && needs(needed, true)) {
        complain(err, "read settings", "the board did not report its encoder settings");
        all = false;
    }
    if (!settings.generalRead && needs(needed, false)) {
        complain(err, "read settings",
                 "the board did not report its pulse width and rotary-switch settings");
        all = false;
    }
    return all;
}

bool carriesRequests(const BoardAccess& board, std::ostream& err) {
    if (board.featureLength() >= kMinFeatureLength)
        return true;
    complain(err, "send request",
             "the board's feature reports (" + std::to_string(board.featureLength()) +
                 " bytes) are too short to carry one");
    return false;
}

ExitStatus openAndRead(BoardAccess& board, const std::optional<std::string>& serial,
                       std::ostream& err, BoardState& state) {
    if (const ExitStatus opened = board.open(serial, err); opened != ExitStatus::Ok)
        return opened;
    state.identity = board.readIdentity();
    if (!carriesRequests(board, err))
        return ExitStatus::NoReply;
    state.settings = board.readSettings();
    return ExitStatus::Ok;
}

} // namespace kestro::cli
