// The forms in which the kernel tells about a hidraw node and its USB device
// through sysfs, read without opening the node itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::linux_hid {

// The N of a node path "/dev/hidrawN"; nothing for any other path, so a path
// from elsewhere can never make us open an arbitrary file.
std::optional<unsigned> hidrawNumber(std::string_view nodePath);

struct HidId {
    std::uint32_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

// A HID device's HID_ID, "bus:vendor:product" in hex.
std::optional<HidId> parseHidId(std::string_view value);
// A sysfs number written in hex, such as bcdDevice ("0110\n").
std::optional<std::uint16_t> parseHex16(std::string_view text);

// A small binary sysfs attribute as it is, such as a USB device's
// descriptors; nothing when absent.
std::optional<std::string> readBinaryAttribute(const std::string& path);

// iSerialNumber of the device descriptor that begins a USB device's
// "descriptors" attribute: 0 when the device has no serial string; nothing
// when the bytes are no device descriptor.
std::optional<std::uint8_t> serialNumberIndex(std::string_view descriptors);

} // namespace kestro::linux_hid
