#include "udev_walk.h"

#include "sysfs.h"

#include <algorithm>
#include <libudev.h>
#include <memory>

namespace kestro::linux_hid {

namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevUnref>;

} // namespace

std::vector<unsigned> presentHidrawNumbers() {
    std::vector<unsigned> numbers;
    const UdevPtr<udev> context(udev_new());
    const UdevPtr<udev_enumerate> walk(context ? udev_enumerate_new(context.get()) : nullptr);
    if (!walk || udev_enumerate_add_match_subsystem(walk.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(walk.get()) < 0)
        return numbers;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(walk.get())) {
        const UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        const char* name = device ? udev_device_get_sysname(device.get()) : nullptr;
        // Named by the kernel, but checked as any other path would be.
        if (name == nullptr)
            continue;
        if (const auto n = hidrawNumber(std::string("/dev/") + name))
            numbers.push_back(*n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<std::string> usbDeviceOfHidraw(unsigned hidraw) {
    const UdevPtr<udev> context(udev_new());
    if (!context)
        return std::nullopt;
    const std::string name = "hidraw" + std::to_string(hidraw);
    const UdevPtr<udev_device> node(
        udev_device_new_from_subsystem_sysname(context.get(), "hidraw", name.c_str()));
    if (!node)
        return std::nullopt;
    // Owned by node, and released with it.
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device");
    const char* path = usb ? udev_device_get_syspath(usb) : nullptr;
    if (path == nullptr)
        return std::nullopt;
    return std::string(path);
}

} // namespace kestro::linux_hid
