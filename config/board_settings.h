// The board's stored settings as one value, read with the readback's one
// request and eight reads, and the write of one setting: the device work that
// the window's session and kestroctl share.
#pragma once

#include "config/protocol.h"
#include "config/setting_items.h"
#include "hid_platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestro {

// By list index, as the window shows the settings after a readback: a kind of
// block that never arrived leaves the defaults, and a value that names no
// item leaves what stood before it.
struct BoardSettings {
    std::array<int, kEncoders> encoderModes{}; // "off" until an encoder block arrives
    int pulseWidth = kPulseWidthDefault;       // -1: the board holds 0, no item
    int rotaryStart = 0;                       // "Auto"
    std::optional<int> rotaryPulses;           // unknown without a general block
    bool encodersRead = false;
    bool generalRead = false;
    // What the last general block held, so that a default standing in for a
    // value that names no item is not taken for the board's own.
    std::uint8_t pulseWidthByte = 0;
    std::uint8_t rotaryStartByte = 0;

    // Takes one reply; anything but a settings block long enough to carry
    // its bytes is ignored.
    void apply(const std::uint8_t* reply, std::size_t length);
};

// One CMD_READ_SETTINGS request and eight reads into one buffer, zero-filled
// once and never cleared between reads; each successful read is applied in
// turn, so the last block of a kind wins. Nothing is sent when the board's
// reports cannot carry the request. Each call's result goes to lastResult.
BoardSettings readBoardSettings(HidPlatform& platform, HidHandle featureHandle,
                                std::size_t featureLength, std::int32_t* lastResult = nullptr);

// One CMD_WRITE_SETTING frame of exactly featureLength bytes; false when it
// could not be built or the driver rejected it.
bool writeBoardSetting(HidPlatform& platform, HidHandle featureHandle, std::size_t featureLength,
                       std::uint8_t address, std::uint8_t value,
                       std::int32_t* lastResult = nullptr);

} // namespace kestro
