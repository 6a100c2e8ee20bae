#include "cli/readback.h"

#include "config/protocol.h"

#include <algorithm>
#include <cstdio>

namespace kestro::cli {

std::optional<std::string> versionCaption(const BoardIdentity& identity) {
    if (!identity.version)
        return std::nullopt;
    return versionText(*identity.version);
}

std::string productIdText(std::uint16_t productId) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", productId);
    return text;
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
        err << "The board did not report its encoder settings.\n";
        all = false;
    }
    if (!settings.generalRead && needs(needed, false)) {
        err << "The board did not report its pulse width and rotary-switch settings.\n";
        all = false;
    }
    return all;
}

bool carriesRequests(const BoardAccess& board, std::ostream& err) {
    if (board.featureLength() >= kMinFeatureLength)
        return true;
    err << "The board's feature reports (" << board.featureLength()
        << " bytes) are too short to carry a request.\n";
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
