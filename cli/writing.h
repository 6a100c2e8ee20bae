// Writing settings as set and restore do: refused whole before anything is
// sent when the board's version does not admit one of them, then one frame
// each, then a readback that must show every one.
#pragma once

#include "cli/board_access.h"
#include "cli/environment.h"
#include "config/settings_table.h"

#include <vector>

namespace kestro::cli {

// False, after naming each on err, when the board's version does not admit
// some of the assignments.
bool allAdmitted(const BoardIdentity& identity, const std::vector<Assignment>& assignments,
                 std::ostream& err);

// Sends one CMD_WRITE_SETTING frame for each of writes, in order, then reads
// the settings back: VerifyFailed, after naming each on err, when the board
// does not hold one of expected.
ExitStatus writeAndVerify(BoardAccess& board, const std::vector<Assignment>& writes,
                          const std::vector<Assignment>& expected, Environment& env);

// The settings of assignments, in order.
std::vector<Setting> settingsOf(const std::vector<Assignment>& assignments);

} // namespace kestro::cli
