#include "config/protocol.h"

namespace kestro {

namespace {
constexpr std::uint8_t kAuto = 255;
} // namespace

Frame makeFrame(std::size_t featureLength, std::uint8_t command, std::uint8_t first,
                std::uint8_t second) {
    if (featureLength < kMinFeatureLength)
        return {};
    Frame frame(featureLength, 0);
    frame[1] = command;
    frame[2] = first;
    frame[3] = second;
    return frame;
}

Frame writeSettingFrame(std::size_t featureLength, std::uint8_t address, std::uint8_t value) {
    return makeFrame(featureLength, CMD_WRITE_SETTING, address, value);
}

Frame readSettingsFrame(std::size_t featureLength) {
    return makeFrame(featureLength, CMD_READ_SETTINGS, 0x00, 0x05);
}

Frame selfTestFrame(std::size_t featureLength) {
    return makeFrame(featureLength, CMD_SELF_TEST, 0, 0);
}

std::uint8_t encodeEncoderMode(int index) {
    // 2^8 would not fit a byte; the lists hold four items.
    if (index <= 0 || index > 7)
        return 0;
    return static_cast<std::uint8_t>(1u << index);
}

int decodeEncoderMode(std::uint8_t value) {
    if (value & 0x08)
        return 3;
    if (value & 0x04)
        return 2;
    if (value & 0x02)
        return 1;
    return 0;
}

std::uint8_t encodePulseWidth(int index) {
    if (index < 0 || index >= kPulseWidthItems)
        return 0;
    return static_cast<std::uint8_t>(index + 1);
}

std::optional<int> decodePulseWidth(std::uint8_t value) {
    if (value > kPulseWidthItems)
        return std::nullopt;
    return value - 1;
}

std::uint8_t encodeRotaryStart(int index) {
    if (index <= 0)
        return kAuto;
    return static_cast<std::uint8_t>(index);
}

std::optional<int> decodeRotaryStart(std::uint8_t value) {
    if (value == kAuto)
        return 0;
    if (value >= kRotaryStartItems)
        return std::nullopt;
    return value;
}

std::optional<GeneralSettings> parseGeneralBlock(const std::uint8_t* reply, std::size_t length) {
    if (length < kGeneralBlockLength || reply[1] != BLOCK_GENERAL)
        return std::nullopt;
    GeneralSettings settings;
    settings.delayIndex = decodePulseWidth(reply[2 + (ADDR_PULSE_WIDTH - BLOCK_GENERAL)]);
    settings.rotaryPulse = decodeRotaryPulses(reply[2 + (ADDR_ROTARY_PULSES - BLOCK_GENERAL)]);
    settings.rotStartIndex = decodeRotaryStart(reply[2 + (ADDR_ROTARY_START - BLOCK_GENERAL)]);
    return settings;
}

std::optional<std::array<int, kEncoders>> parseEncoderBlock(const std::uint8_t* reply,
                                                            std::size_t length) {
    if (length < kEncoderBlockLength || reply[1] != BLOCK_ENCODERS)
        return std::nullopt;
    std::array<int, kEncoders> modes{};
    for (int n = 1; n <= kEncoders; ++n)
        modes[n - 1] = decodeEncoderMode(reply[2 + (encoderModeAddress(n) - BLOCK_ENCODERS)]);
    return modes;
}

} // namespace kestro
