// The board's side of the feature-report protocol, for simulated boards: a
// settings table by address, the replies to a settings read and to a self
// test, and a record of every feature report received.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kestro::sim {

// What one feature-report fetch after a settings request returns.
struct Reply {
    enum class Kind {
        EncoderBlock, // block 0x20 made from the settings table
        GeneralBlock, // block 0x40 made from the settings table
        Raw,          // bytes as given (byte 0 is the report ID); fewer bytes
                      // than the report's length make a short reply, which fails
        Fail,         // the fetch fails
    };
    Kind kind = Kind::EncoderBlock;
    std::vector<std::uint8_t> bytes;
};

struct Firmware {
    std::array<std::uint8_t, 256> settings = defaultSettings();
    // The fetches after a settings request, in order; fetches past the end
    // repeat the last entry.
    std::vector<Reply> readback = defaultReadback();
    std::uint8_t selfTestByte0 = 0;
    std::uint8_t selfTestByte1 = 0; // 0 = passed, else the failing input
    // Every feature report the board received, whole.
    std::vector<std::vector<std::uint8_t>> received;

    static std::array<std::uint8_t, 256> defaultSettings();
    static std::vector<Reply> defaultReadback();

    // Board side of a set-feature request.
    void receive(const std::uint8_t* frame, std::uint32_t length);
    // Board side of a get-feature request; false when this fetch fails.
    bool answer(std::uint8_t* frame, std::uint32_t length);

    enum class Pending { Nothing, Settings, SelfTest };
    Pending pending = Pending::Nothing;
    std::size_t replyCursor = 0;
};

} // namespace kestro::sim
