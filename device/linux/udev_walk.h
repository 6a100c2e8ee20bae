// The hidraw nodes and the USB devices they sit on, as libudev finds them.
// libudev reads sysfs itself, so no udev daemon needs to be running.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestro::linux_hid {

// The hidraw numbers present, lowest first.
std::vector<unsigned> presentHidrawNumbers();

// The sysfs directory of the USB device hidrawN sits on, or nothing for a
// node without one (uhid, Bluetooth, I2C).
std::optional<std::string> usbDeviceOfHidraw(unsigned hidraw);

} // namespace kestro::linux_hid
