#include "config/self_test.h"

#include "config/protocol.h"

#include <vector>

namespace kestro {

std::optional<SelfTestReply> runSelfTest(HidPlatform& platform, HidHandle featureHandle,
                                         std::size_t featureLength, std::int32_t* lastResult) {
    const Frame request = selfTestFrame(featureLength);
    if (request.empty())
        return std::nullopt;
    const bool sent = platform.setFeature(featureHandle, request.data(),
                                          static_cast<std::uint32_t>(request.size()));
    if (lastResult)
        *lastResult = sent;

    std::vector<std::uint8_t> reply(featureLength, 0);
    const bool fetched =
        platform.getFeature(featureHandle, reply.data(), static_cast<std::uint32_t>(reply.size()));
    if (lastResult)
        *lastResult = fetched;
    return SelfTestReply{sent && fetched, reply[0], reply[1]};
}

std::string selfTestCaption(const SelfTestReply& reply) {
    // Without an answer the buffer holds only its zeros, which would read as
    // a pass.
    if (!reply.answered)
        return "No reply";
    if (reply.byte1 == 0)
        return "Passed";
    return "Failed on B" + std::to_string(reply.byte1);
}

std::string selfTestBytes(const SelfTestReply& reply) {
    return std::to_string(reply.byte0) + " " + std::to_string(reply.byte1);
}

} // namespace kestro
