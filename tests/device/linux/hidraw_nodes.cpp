#include "hidraw_nodes.h"

#include "linux/udev_walk.h"
#include "tests/support/waiting.h"

#include <libudev.h>
#include <memory>
#include <unistd.h>

namespace kestro::test {

std::string waitForHidrawNode(const char* key, const std::string& value,
                              std::chrono::milliseconds timeout, std::chrono::milliseconds step) {
    std::string node;
    waitUntil(
        [&] {
            for (unsigned n : linux_hid::presentHidrawNumbers()) {
                node = "/dev/hidraw" + std::to_string(n);
                // devtmpfs makes the node a moment after sysfs shows it.
                if (linux_hid::HidrawDevice(n).hidProperty(key) == value &&
                    ::access(node.c_str(), F_OK) == 0)
                    return true;
            }
            node.clear();
            return false;
        },
        timeout, step);
    return node;
}

std::string charDeviceNode(const std::string& majorMinor) {
    std::string id = "c" + majorMinor;
    while (!id.empty() && id.back() == '\n')
        id.pop_back();
    const std::unique_ptr<udev, linux_hid::UdevRelease> context(udev_new());
    const std::unique_ptr<udev_device, linux_hid::UdevRelease> device(
        context ? udev_device_new_from_device_id(context.get(), id.c_str()) : nullptr);
    const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
    return node ? node : "";
}

} // namespace kestro::test
