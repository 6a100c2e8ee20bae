// The board's self diagnostic: one CMD_SELF_TEST request, one reply, and the
// words the result is shown in.
#pragma once

#include "hid_platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

struct SelfTestReply {
    // Both the request and the fetch went through; without that the bytes
    // are only the buffer's zeros.
    bool answered = false;
    std::uint8_t byte0 = 0;
    std::uint8_t byte1 = 0; // 0 passed, else the number of the failing input
};

// Nothing when the board's reports cannot carry the request. The buffers are
// the feature length long, so boards with reports over 65 bytes are served.
std::optional<SelfTestReply> runSelfTest(HidPlatform& platform, HidHandle featureHandle,
                                         std::size_t featureLength,
                                         std::int32_t* lastResult = nullptr);

// "Passed", "Failed on B17", or "No reply".
std::string selfTestCaption(const SelfTestReply& reply);
// The two reply bytes in decimal: "0 17".
std::string selfTestBytes(const SelfTestReply& reply);

} // namespace kestro
