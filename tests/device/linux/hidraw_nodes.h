// Finding the node the kernel made for a test board, the way the backend
// finds boards: through udev.
#pragma once

#include <chrono>
#include <string>

namespace kestro::test {

// "/dev/hidrawN" of the first hidraw node whose HID device has the property
// key=value, once devtmpfs has made the node; empty when none came in time.
std::string waitForHidrawNode(const char* key, const std::string& value,
                              std::chrono::milliseconds timeout, std::chrono::milliseconds step);

// The /dev node of the character device "major:minor" (as configfs gives
// it, newline and all); empty when there is none.
std::string charDeviceNode(const std::string& majorMinor);

} // namespace kestro::test
