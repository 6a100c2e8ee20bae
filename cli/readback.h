// What commands share about the board they opened: its identity and the
// readback, with what a readback left out said plainly.
#pragma once

#include "cli/board_access.h"
#include "config/settings_table.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestro::cli {

struct BoardState {
    BoardIdentity identity;
    BoardSettings settings;
};

// Opens the board the command line names and reads who it is and what it
// holds: Ok, the status of a failed open, or NoReply when its reports cannot
// carry the readback (its identity is read all the same).
ExitStatus openAndRead(BoardAccess& board, const std::optional<std::string>& serial,
                       std::ostream& err, BoardState& state);

// "1.3", or nothing when the version is unknown.
std::optional<std::string> versionCaption(const BoardIdentity& identity);
// "0x1140".
std::string productIdText(std::uint16_t productId);
// Why a gated setting or the self test is refused: "its version is 1.1 and
// rotary-start needs 1.2 or later".
std::string gateRefusal(const BoardIdentity& identity, const std::string& what, int gate);

// False, after saying on err what is missing, when the readback did not
// carry every kind of block that settings needs.
bool reportedAll(const BoardSettings& settings, const std::vector<Setting>& needed,
                 std::ostream& err);

// True when the board's feature reports can carry a request; otherwise says
// so on err.
bool carriesRequests(const BoardAccess& board, std::ostream& err);

} // namespace kestro::cli
