// USB string descriptors fetched through usbfs with a plain control transfer,
// for the strings hidraw does not pass on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestro::linux_hid {

// The UTF-16 text of a string descriptor, checked against what was actually
// received: bLength within it, even, at least 2, and bDescriptorType STRING.
std::optional<std::u16string> decodeStringDescriptor(const std::uint8_t* data,
                                                     std::size_t received);

// String index of the USB device whose usbfs node is usbfsNode, in the
// device's first language (US English if it lists none). Index 0 is the
// language table, not a string, and is refused. The request goes to the
// device, so the interface stays with usbhid and nothing is claimed.
std::optional<std::u16string> fetchUsbString(const std::string& usbfsNode, std::uint8_t index);

// "/dev/bus/usb/BBB/DDD" from the busnum and devnum of a USB device's sysfs
// directory.
std::optional<std::string> usbfsNodeOf(const std::string& usbDeviceDir);

} // namespace kestro::linux_hid
