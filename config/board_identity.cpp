#include "config/board_identity.h"

#include "device_string.h"

#include <cstdio>

namespace kestro {

BoardVersion versionOf(std::uint16_t versionNumber) {
    const int v = static_cast<std::int16_t>(versionNumber);
    BoardVersion version;
    version.major = v >> 8; // rounds towards minus infinity, as the caption wants
    version.minor = v - 256 * version.major;
    return version;
}

std::string productIdText(std::uint16_t productId) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", productId);
    return text;
}

std::string versionText(BoardVersion version) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%X", version.major, static_cast<unsigned>(version.minor));
    return text;
}

bool admits(const std::optional<BoardVersion>& version, int gate) {
    if (!version)
        return false;
    const int gateMajor = gate >> 8;
    return version->major > gateMajor ||
           (version->major == gateMajor && version->minor >= (gate & 0xFF));
}

BoardIdentity readBoardIdentity(HidPlatform& platform, HidHandle readHandle,
                                std::uint16_t versionNumber, std::int32_t* lastResult) {
    using Request = bool (HidPlatform::*)(HidHandle, std::uint8_t*, std::uint32_t);
    DeviceStringBuffer buffer;
    const auto ask = [&](Request request) -> std::optional<std::string> {
        const bool ok =
            (platform.*request)(readHandle, buffer.data(), DeviceStringBuffer::kOffered);
        if (lastResult)
            *lastResult = ok;
        if (!ok)
            return std::nullopt;
        return decodeDeviceString(buffer);
    };

    BoardIdentity identity;
    identity.manufacturer = ask(&HidPlatform::getManufacturerString);
    if (identity.manufacturer)
        identity.version = versionOf(versionNumber);
    identity.product = ask(&HidPlatform::getProductString);
    identity.serial = ask(&HidPlatform::getSerialNumberString);
    return identity;
}

} // namespace kestro
