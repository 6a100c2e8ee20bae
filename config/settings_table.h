// Every setting the board keeps, once, as data: the name kestroctl and the
// backup file use, the window's caption and items, a one-line description
// (the window's tooltip, kestroctl's help), the values and their words, the
// byte each value is written as, the address, the version gate, and where a
// readback carries it. Both front ends print, parse and list from here.
#pragma once

#include "config/board_identity.h"
#include "config/board_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

enum class SettingKind { EncoderMode, PulseWidth, RotaryPulses, RotaryStart };

struct Setting {
    using Kind = SettingKind;
    Kind kind = Kind::EncoderMode;
    int encoder = 0; // 1 … 16 for an encoder mode

    friend bool operator==(const Setting&, const Setting&) = default;
};

// A setting with a value: the list index (encoder mode, pulse width, rotary
// start) or the state (rotary pulses, 0 or 1).
struct Assignment {
    Setting setting;
    int value = 0;

    friend bool operator==(const Assignment&, const Assignment&) = default;
};

// One value, by its index: the word kestroctl prints and takes ("48ms",
// "auto") and the window's item ("48 ms", "Auto"). Both are accepted.
struct SettingValue {
    std::string word;
    std::string item;
};

// Which block of a readback carries the setting.
enum class SettingBlock { Encoders, General };

// One kind of setting. The encoder modes are one row for sixteen settings:
// their names, captions and addresses count up from encoder 1's.
struct SettingRow {
    SettingKind kind;
    std::string_view name;        // "pulse-width"; "encoder" for encoder1 … encoder16
    std::string_view caption;     // "Pulse width"; "Encoder" for "Encoder 5"
    std::string_view description; // one line; "%n" stands for the encoder's number
    std::string_view accepted;    // for messages: "8ms to 200ms in steps of 8"
    int count;                    // how many settings the row stands for
    std::uint8_t address;         // the first one's; each next one's is 2 further
    int gate;                     // version number from which boards admit it; 0 for all
    SettingBlock block;
    std::vector<SettingValue> values;
    std::uint8_t (*encode)(int value);
    // What the board holds after a readback, when it reported it and the
    // byte names a value; and what the window shows in its place.
    std::optional<int> (*held)(const BoardSettings& settings, int encoder);
    std::optional<int> (*shown)(const BoardSettings& settings, int encoder);
    // The byte a general block held, worth saying when it names no value;
    // nothing where no byte of the setting can fail to name one.
    std::optional<std::uint8_t> (*heldByte)(const BoardSettings& settings);
};

const std::vector<SettingRow>& settingRows();
const SettingRow& rowOf(SettingKind kind);

// encoder1 … encoder16, pulse-width, rotary-pulses, rotary-start.
const std::vector<Setting>& allSettings();
std::string settingName(Setting setting);
std::optional<Setting> settingNamed(std::string_view name);
// "Encoder 5", "Pulse width": the window's words.
std::string settingCaption(Setting setting);
std::string settingDescription(Setting setting);

// A word or an item of the setting ("48ms" or "48 ms"); nothing for others.
std::optional<int> parseValue(Setting setting, std::string_view text);
// The word: "1:2", "48ms", "on", "auto", "7".
std::string valueName(Setting setting, int value);
// The window's item: "1:2", "48 ms", "on", "Auto", "7"; "none" for a value
// that names no item (a pulse width of 0).
std::string valueText(Setting setting, int value);
// For messages: what the setting accepts.
std::string acceptedValues(Setting setting);
// For help and the man page: "off, 1:1, 1:2, 1:4", "8ms, 16ms, ... 200ms".
std::string valueSummary(SettingKind kind);
// For help: "encoder1 ... encoder16", "pulse-width".
std::string nameSummary(SettingKind kind);

std::uint8_t settingAddress(Setting setting);
std::uint8_t encodeValue(Setting setting, int value);
SettingBlock settingBlock(Setting setting);

std::optional<int> heldValue(const BoardSettings& settings, Setting setting);
// Nothing only for rotary pulses without a general block; -1 is a pulse
// width of no item.
std::optional<int> shownValue(const BoardSettings& settings, Setting setting);

// The board's byte when a readback carried one that names no value (not 0
// for the pulse width, which shows as no pulse width at all).
std::optional<std::uint8_t> unnamedByte(const BoardSettings& settings, Setting setting);

int settingGate(Setting setting);
bool admitted(const BoardIdentity& identity, Setting setting);
// "1.2 or later", for a refusal.
std::string versionsFrom(int gate);

} // namespace kestro
