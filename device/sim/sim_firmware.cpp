#include "sim/sim_firmware.h"

#include <algorithm>
#include <cstring>

namespace kestro::sim {

namespace {
// The board's own command codes and block identifiers.
constexpr std::uint8_t kWriteSetting = 0xEE;
constexpr std::uint8_t kReadSettings = 0xE0;
constexpr std::uint8_t kSelfTest = 0xE1;
constexpr std::uint8_t kEncoderBlock = 0x20;
constexpr std::uint8_t kGeneralBlock = 0x40;
constexpr std::size_t kBlockLength = 32;

void fillBlock(const std::array<std::uint8_t, 256>& settings, std::uint8_t id, std::uint8_t* frame,
               std::uint32_t length) {
    frame[0] = 0;
    if (length > 1)
        frame[1] = id;
    for (std::size_t k = 0; k < kBlockLength && 2 + k < length; ++k)
        frame[2 + k] = settings[id + k];
}
} // namespace

std::array<std::uint8_t, 256> Firmware::defaultSettings() {
    std::array<std::uint8_t, 256> settings{};
    for (int n = 0; n < 16; ++n)
        settings[kEncoderBlock + 2 * n] = 0x02; // every encoder 1:1
    settings[64] = 6;                           // 48 ms
    settings[77] = 0;
    settings[78] = 255; // Auto
    return settings;
}

std::vector<Reply> Firmware::defaultReadback() {
    std::vector<Reply> replies;
    for (int i = 0; i < 4; ++i) {
        replies.push_back({Reply::Kind::EncoderBlock, {}});
        replies.push_back({Reply::Kind::GeneralBlock, {}});
    }
    return replies;
}

void Firmware::receive(const std::uint8_t* frame, std::uint32_t length) {
    received.emplace_back(frame, frame + length);
    if (length < 4)
        return;
    switch (frame[1]) {
    case kWriteSetting:
        settings[frame[2]] = frame[3];
        pending = Pending::Nothing;
        break;
    case kReadSettings:
        pending = Pending::Settings;
        replyCursor = 0;
        break;
    case kSelfTest:
        pending = Pending::SelfTest;
        break;
    default:
        pending = Pending::Nothing;
        break;
    }
}

bool Firmware::answer(std::uint8_t* frame, std::uint32_t length) {
    const bool fails =
        pending == Pending::Settings && !readback.empty() &&
        readback[std::min(replyCursor, readback.size() - 1)].kind == Reply::Kind::Fail;
    if (fails) {
        ++replyCursor;
        return false; // a failed fetch leaves the caller's buffer as it was
    }
    std::memset(frame, 0, length);
    if (pending == Pending::SelfTest) {
        pending = Pending::Nothing;
        frame[0] = selfTestByte0;
        if (length > 1)
            frame[1] = selfTestByte1;
        return true;
    }
    if (pending != Pending::Settings || readback.empty())
        return true;
    const Reply& reply = readback[std::min(replyCursor, readback.size() - 1)];
    ++replyCursor;
    switch (reply.kind) {
    case Reply::Kind::EncoderBlock:
        fillBlock(settings, kEncoderBlock, frame, length);
        return true;
    case Reply::Kind::GeneralBlock:
        fillBlock(settings, kGeneralBlock, frame, length);
        return true;
    case Reply::Kind::Raw:
        std::memcpy(frame, reply.bytes.data(), std::min<std::size_t>(length, reply.bytes.size()));
        // Whatever of a short reply landed in the buffer, the request fails.
        return reply.bytes.size() >= length;
    case Reply::Kind::Fail:
        break;
    }
    return false;
}

} // namespace kestro::sim
