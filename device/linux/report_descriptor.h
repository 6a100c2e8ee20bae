// Report lengths out of a raw HID report descriptor, counted the way Windows
// counts them, so that the device link sees the same HidCaps on every system.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestro {

struct ReportLengths {
    // Largest report of each type in whole bytes plus the report ID byte;
    // 0 when the descriptor declares no report of that type.
    std::uint16_t input = 0;
    std::uint16_t output = 0;
    std::uint16_t feature = 0;
    // hidraw leaves the ID byte out of reports of a device without IDs.
    bool usesReportIds = false;
};

// Never reads outside [descriptor, descriptor + size). A truncated or
// malformed item ends the walk; what was counted before it stands.
ReportLengths reportLengthsFromDescriptor(const std::uint8_t* descriptor, std::size_t size);

} // namespace kestro
