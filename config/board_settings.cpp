#include "config/board_settings.h"

#include <vector>

namespace kestro {

void BoardSettings::apply(const std::uint8_t* reply, std::size_t length) {
    if (const auto general = parseGeneralBlock(reply, length)) {
        generalRead = true;
        if (general->delayIndex)
            pulseWidth = *general->delayIndex;
        if (general->rotStartIndex)
            rotaryStart = *general->rotStartIndex;
        rotaryPulses = general->rotaryPulse;
        pulseWidthByte = reply[2 + (ADDR_PULSE_WIDTH - BLOCK_GENERAL)];
        rotaryStartByte = reply[2 + (ADDR_ROTARY_START - BLOCK_GENERAL)];
    }
    if (const auto modes = parseEncoderBlock(reply, length)) {
        encodersRead = true;
        encoderModes = *modes;
    }
}

BoardSettings readBoardSettings(HidPlatform& platform, HidHandle featureHandle,
                                std::size_t featureLength, std::int32_t* lastResult) {
    BoardSettings settings;
    const Frame request = readSettingsFrame(featureLength);
    if (request.empty())
        return settings;
    const auto record = [lastResult](bool ok) {
        if (lastResult)
            *lastResult = ok;
        return ok;
    };
    // The reads follow whether or not the request was accepted.
    record(platform.setFeature(featureHandle, request.data(),
                               static_cast<std::uint32_t>(request.size())));

    std::vector<std::uint8_t> reply(featureLength, 0);
    for (int read = 0; read < kReadbackReads; ++read) {
        if (record(platform.getFeature(featureHandle, reply.data(),
                                       static_cast<std::uint32_t>(reply.size()))))
            settings.apply(reply.data(), reply.size());
    }
    return settings;
}

bool writeBoardSetting(HidPlatform& platform, HidHandle featureHandle, std::size_t featureLength,
                       std::uint8_t address, std::uint8_t value, std::int32_t* lastResult) {
    const Frame frame = writeSettingFrame(featureLength, address, value);
    if (frame.empty())
        return false;
    const bool sent =
        platform.setFeature(featureHandle, frame.data(), static_cast<std::uint32_t>(frame.size()));
    if (lastResult)
        *lastResult = sent;
    return sent;
}

} // namespace kestro
