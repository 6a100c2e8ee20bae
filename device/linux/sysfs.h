// What the kernel tells about a hidraw node through sysfs, read without
// opening the node itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::linux_hid {

// The N of a node path "/dev/hidrawN"; nothing for any other path, so a path
// from elsewhere can never make us open an arbitrary file.
std::optional<unsigned> hidrawNumber(std::string_view nodePath);

// The hidraw numbers under classDir, lowest first.
std::vector<unsigned> listHidraw(const std::string& classDir);

struct HidId {
    std::uint32_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

// The HID_ID=bus:vendor:product line of a HID device's uevent text.
std::optional<HidId> parseHidId(std::string_view uevent);
// The value of KEY=value in uevent text.
std::optional<std::string> ueventValue(std::string_view uevent, std::string_view key);
// A sysfs number written in hex, such as bcdDevice ("0110\n").
std::optional<std::uint16_t> parseHex16(std::string_view text);
// A sysfs number written in decimal, such as busnum ("1\n").
std::optional<unsigned> parseDecimal(std::string_view text, unsigned max);

// A small sysfs attribute, trailing newline removed; nothing when absent.
std::optional<std::string> readAttribute(const std::string& path);
// A small binary sysfs attribute as it is, such as a USB device's
// descriptors; nothing when absent.
std::optional<std::string> readBinaryAttribute(const std::string& path);

// iSerialNumber of the device descriptor that begins a USB device's
// "descriptors" attribute: 0 when the device has no serial string; nothing
// when the bytes are no device descriptor.
std::optional<std::uint8_t> serialNumberIndex(std::string_view descriptors);

// The sysfs directory of the USB device a hidraw node sits on, or nothing for
// a node without one (uhid, Bluetooth, I2C).
std::optional<std::string> usbParentOf(const std::string& classDir, unsigned hidraw);

// The HID version hid-input copies to the input device of a hidraw node
// (device/input/input*/id/version); nothing when hid-input made none, as for
// a board whose collections are all vendor-defined.
std::optional<std::uint16_t> hidInputVersion(const std::string& classDir, unsigned hidraw);

} // namespace kestro::linux_hid
