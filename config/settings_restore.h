// Bringing a board to the settings of a file: what would change, what the
// board's version refuses, the writes of only what differs with a readback
// that must show them, and the outcome in plain words. kestroctl restore and
// the window's Load both go through here.
#pragma once

#include "config/settings_table.h"
#include "device_link.h"

#include <optional>
#include <string>
#include <vector>

namespace kestro {

struct SettingChange {
    Setting setting;
    std::optional<int> before; // nothing where the board holds no value of it
    int after = 0;
};

struct RestorePlan {
    std::vector<SettingChange> changes; // only what differs, in table order
    std::vector<Setting> refused;       // of those, what the board's version does not admit
    bool writable() const { return refused.empty(); }
};

RestorePlan planRestore(const std::vector<Assignment>& wanted, const BoardIdentity& identity,
                        const BoardSettings& held);

// "Encoder 2: 1:1 → 1:4", in the window's words (UTF-8 for the arrow).
std::string changeText(const SettingChange& change);
// "Rotary switches starting position (needs version 1.2 or later; the board has 1.1)".
std::string refusalText(Setting setting, const BoardIdentity& identity);

struct WriteOutcome {
    std::vector<Setting> notSent; // the driver rejected the frame
    BoardSettings after;          // the readback that followed
    std::vector<Setting> notHeld; // of expected, what the readback does not show
    bool verified() const { return notHeld.empty(); }
};

// One CMD_WRITE_SETTING frame for each of writes, in order, then one
// readback, checked against expected. A rejected frame is not repeated: the
// readback tells whether the board took it after all.
WriteOutcome writeAndReadBack(DeviceLink& link, const std::vector<Assignment>& writes,
                              const std::vector<Assignment>& expected);

// The changes of a plan as writes.
std::vector<Assignment> writesOf(const RestorePlan& plan);

// What a load did, for the status line (which ends it): "3 settings of
// k1.json written and read back", or what was refused, or what the board
// does not hold. outcome is nothing when nothing was sent.
std::string loadOutcomeText(const std::string& fileName, const BoardIdentity& identity,
                            const RestorePlan& plan, const WriteOutcome* outcome);

} // namespace kestro
