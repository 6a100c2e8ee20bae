#include "udev_walk.h"

#include <algorithm>
#include <libudev.h>
#include <string_view>

namespace kestro::linux_hid {

namespace {

using Context = std::unique_ptr<udev, UdevRelease>;

struct EnumerateRelease {
    void operator()(udev_enumerate* walk) const { udev_enumerate_unref(walk); }
};
using Enumerate = std::unique_ptr<udev_enumerate, EnumerateRelease>;

std::optional<std::string> textOf(const char* value) {
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

// The devices a walk found, each released with the list.
std::vector<std::unique_ptr<udev_device, UdevRelease>> devicesOf(udev* context,
                                                                 udev_enumerate* walk) {
    std::vector<std::unique_ptr<udev_device, UdevRelease>> devices;
    if (udev_enumerate_scan_devices(walk) < 0)
        return devices;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(walk)) {
        if (udev_device* device =
                udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)))
            devices.emplace_back(device);
    }
    return devices;
}

} // namespace

void UdevRelease::operator()(udev* context) const {
    udev_unref(context);
}
void UdevRelease::operator()(udev_device* device) const {
    udev_device_unref(device);
}

std::vector<unsigned> presentHidrawNumbers() {
    std::vector<unsigned> numbers;
    const Context context(udev_new());
    const Enumerate walk(context ? udev_enumerate_new(context.get()) : nullptr);
    if (!walk || udev_enumerate_add_match_subsystem(walk.get(), "hidraw") < 0)
        return numbers;
    for (const auto& device : devicesOf(context.get(), walk.get())) {
        // Named by the kernel, but checked as any other path would be.
        const char* name = udev_device_get_sysname(device.get());
        if (const auto n = name ? hidrawNumber(std::string("/dev/") + name) : std::nullopt)
            numbers.push_back(*n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

HidrawDevice::HidrawDevice(unsigned hidraw) : context_(udev_new()) {
    if (!context_)
        return;
    const std::string name = "hidraw" + std::to_string(hidraw);
    node_.reset(udev_device_new_from_subsystem_sysname(context_.get(), "hidraw", name.c_str()));
    if (!node_)
        return;
    hid_ = udev_device_get_parent_with_subsystem_devtype(node_.get(), "hid", nullptr);
    usb_ = udev_device_get_parent_with_subsystem_devtype(node_.get(), "usb", "usb_device");
}

std::optional<std::string> HidrawDevice::hidProperty(const char* key) const {
    return hid_ ? textOf(udev_device_get_property_value(hid_, key)) : std::nullopt;
}

std::optional<HidId> HidrawDevice::ids() const {
    const auto value = hidProperty("HID_ID");
    return value ? parseHidId(*value) : std::nullopt;
}

std::optional<std::uint16_t> HidrawDevice::inputVersion() const {
    if (!hid_)
        return std::nullopt;
    const Enumerate walk(udev_enumerate_new(context_.get()));
    if (!walk || udev_enumerate_add_match_parent(walk.get(), hid_) < 0 ||
        udev_enumerate_add_match_subsystem(walk.get(), "input") < 0)
        return std::nullopt;
    for (const auto& input : devicesOf(context_.get(), walk.get())) {
        // Every input device of one HID device carries the same version; the
        // event nodes below them have none.
        const char* text = udev_device_get_sysattr_value(input.get(), "id/version");
        if (const auto version = text ? parseHex16(text) : std::nullopt)
            return version;
    }
    return std::nullopt;
}

std::optional<std::string> HidrawDevice::usbAttribute(const char* name) const {
    return usb_ ? textOf(udev_device_get_sysattr_value(usb_, name)) : std::nullopt;
}

std::optional<std::uint16_t> HidrawDevice::usbVersion() const {
    const auto text = usbAttribute("bcdDevice");
    return text ? parseHex16(*text) : std::nullopt;
}

std::optional<std::string> HidrawDevice::usbDescriptors() const {
    // libudev hands attributes out as C strings, which end at the first zero
    // byte, and every device descriptor has one: read as the file it is.
    const char* dir = usb_ ? udev_device_get_syspath(usb_) : nullptr;
    return dir ? readBinaryAttribute(std::string(dir) + "/descriptors") : std::nullopt;
}

std::uint8_t HidrawDevice::usbSerialIndex() const {
    // The device descriptor names a serial string even when it is empty,
    // and is readable by anyone, unlike the device node.
    const auto descriptors = usbDescriptors();
    return descriptors ? serialNumberIndex(*descriptors).value_or(0) : 0;
}

std::optional<std::string> HidrawDevice::usbfsNode() const {
    const auto node = textOf(usb_ ? udev_device_get_devnode(usb_) : nullptr);
    // Only a usbfs node is ever opened for a control transfer.
    if (!node || std::string_view(*node).substr(0, 13) != "/dev/bus/usb/")
        return std::nullopt;
    return node;
}

} // namespace kestro::linux_hid
