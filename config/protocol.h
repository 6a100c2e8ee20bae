// The feature-report protocol: frames, command codes, the settings map and
// the value encodings, as pure functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestro {

inline constexpr std::uint8_t CMD_WRITE_SETTING = 0xEE;
inline constexpr std::uint8_t CMD_READ_SETTINGS = 0xE0;
inline constexpr std::uint8_t CMD_SELF_TEST = 0xE1;

// Encoder 1; encoder n is at ADDR_ENCODER_MODE + 2 (n - 1).
inline constexpr std::uint8_t ADDR_ENCODER_MODE = 32;
inline constexpr std::uint8_t ADDR_PULSE_WIDTH = 64;
inline constexpr std::uint8_t ADDR_ROTARY_PULSES = 77;
inline constexpr std::uint8_t ADDR_ROTARY_START = 78;

inline constexpr std::uint8_t BLOCK_ENCODERS = 0x20;
inline constexpr std::uint8_t BLOCK_GENERAL = 0x40;

inline constexpr int kEncoders = 16;
// How many items each list holds: encoder modes "off" … "1:4", pulse widths
// "8 ms" … "200 ms", starting positions "Auto", "2" … "33".
inline constexpr int kEncoderModeItems = 4;
inline constexpr int kPulseWidthItems = 25;
inline constexpr int kRotaryStartItems = 33;
inline constexpr int kReadbackReads = 8;
// Every request writes up to byte 3; shorter feature reports carry none.
inline constexpr std::size_t kMinFeatureLength = 4;
// Replies must reach the last byte the program reads of each block.
inline constexpr std::size_t kGeneralBlockLength = 17;
inline constexpr std::size_t kEncoderBlockLength = 33;

constexpr std::uint8_t encoderModeAddress(int n) {
    return static_cast<std::uint8_t>(ADDR_ENCODER_MODE + 2 * (n - 1));
}

using Frame = std::vector<std::uint8_t>;

// featureLength zeroed bytes with report ID 0 and the three leading bytes;
// empty when featureLength cannot carry them.
Frame makeFrame(std::size_t featureLength, std::uint8_t command, std::uint8_t first,
                std::uint8_t second);
Frame writeSettingFrame(std::size_t featureLength, std::uint8_t address, std::uint8_t value);
Frame readSettingsFrame(std::size_t featureLength);
Frame selfTestFrame(std::size_t featureLength);

// List index <-> byte. Indexes are those of the lists: encoder "off", "1:1",
// "1:2", "1:4"; pulse width "8 ms" … "200 ms"; start "Auto", "2" … "33".
std::uint8_t encodeEncoderMode(int index);
int decodeEncoderMode(std::uint8_t value);
std::uint8_t encodePulseWidth(int index);
// -1 (no item) for 0; nothing for values that name no item.
std::optional<int> decodePulseWidth(std::uint8_t value);
std::uint8_t encodeRotaryStart(int index);
// Nothing for values that name no item.
std::optional<int> decodeRotaryStart(std::uint8_t value);
constexpr std::uint8_t encodeRotaryPulses(int state) {
    return state ? 1 : 0;
}
constexpr int decodeRotaryPulses(std::uint8_t value) {
    return value & 1;
}

// What a general block says, by list index (see the decoders above).
struct GeneralSettings {
    std::optional<int> delayIndex;
    std::optional<int> rotStartIndex;
    int rotaryPulse = 0;
};

// Nothing when the reply is not of that block or too short to carry it.
std::optional<GeneralSettings> parseGeneralBlock(const std::uint8_t* reply, std::size_t length);
std::optional<std::array<int, kEncoders>> parseEncoderBlock(const std::uint8_t* reply,
                                                            std::size_t length);

} // namespace kestro
