// The settings by the names and values kestroctl's command line and backup
// files use ("encoder5=1:2", "pulse-width=48ms"), tied to the settings map
// and encodings of config/.
#pragma once

#include "config/board_identity.h"
#include "config/board_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::cli {

struct Setting {
    enum class Kind { EncoderMode, PulseWidth, RotaryPulses, RotaryStart };
    Kind kind = Kind::EncoderMode;
    int encoder = 0; // 1 … 16 for an encoder mode

    friend bool operator==(const Setting&, const Setting&) = default;
};

// A setting with a value: the list index (encoder mode, pulse width, rotary
// start) or the state (rotary pulses, 0 or 1).
struct Assignment {
    Setting setting;
    int value = 0;
};

// encoder1 … encoder16, pulse-width, rotary-pulses, rotary-start.
const std::vector<Setting>& allSettings();
std::string settingName(Setting setting);
std::optional<Setting> settingNamed(std::string_view name);

// "1:2", "48ms", "on", "auto", "7": exactly the command line's values.
std::optional<int> parseValue(Setting setting, std::string_view text);
std::string valueName(Setting setting, int value);
// The window's own words for a value: "1:2", "48 ms", "on", "Auto", "7".
std::string valueText(Setting setting, int value);
// For messages: what the setting accepts.
std::string acceptedValues(Setting setting);

std::uint8_t settingAddress(Setting setting);
std::uint8_t encodeValue(Setting setting, int value);

// What the board holds, when the readback reported it and the byte names an
// item; the value the window would show may be a default in its place.
std::optional<int> heldValue(const BoardSettings& settings, Setting setting);
// What the window shows for the setting after this readback; nothing only
// for rotary pulses without a general block. -1 is a pulse width of no item.
std::optional<int> shownValue(const BoardSettings& settings, Setting setting);

// The version number from which boards admit the setting; 0 for every board.
int settingGate(Setting setting);
bool admitted(const BoardIdentity& identity, Setting setting);
// "1.2 or later", for a refusal.
std::string versionsFrom(int gate);

} // namespace kestro::cli
