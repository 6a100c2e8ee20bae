// Who the open board is, read as the device view shows it: manufacturer,
// product and serial number through readHandle, and the version whose number
// decides which controls the board admits.
#pragma once

#include "hid_platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// Version numbers (0xMMmm) from which a board admits the rotary switches'
// starting position and the self diagnostic.
inline constexpr int kRotaryStartGate = 0x0102;
inline constexpr int kSelfTestGate = 0x0103;

struct BoardVersion {
    int major = 0;
    int minor = 0;
};

// The version number taken as signed 16 bits: 0x8000 is -128.0.
BoardVersion versionOf(std::uint16_t versionNumber);
// "1.3", "1.A", "1.10", "-128.0": the minor part in upper-case hexadecimal.
std::string versionText(BoardVersion version);
// "0x1140".
std::string productIdText(std::uint16_t productId);
// True when version is at least the version number gate; an unknown version
// admits nothing that is gated.
bool admits(const std::optional<BoardVersion>& version, int gate);

struct BoardIdentity {
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> serial;
    // Known only when the manufacturer string was read, as the window shows
    // it.
    std::optional<BoardVersion> version;

    bool admitsRotaryStart() const { return admits(version, kRotaryStartGate); }
    bool admitsSelfTest() const { return admits(version, kSelfTestGate); }
};

// The three string requests, in the window's order, into one buffer that is
// not cleared between them. Each request's result goes to lastResult.
BoardIdentity readBoardIdentity(HidPlatform& platform, HidHandle readHandle,
                                std::uint16_t versionNumber, std::int32_t* lastResult = nullptr);

} // namespace kestro
