// The hidraw nodes, the HID devices they belong to and the USB devices above
// those, as libudev finds them. libudev reads sysfs itself, so no udev daemon
// needs to be running.
#pragma once

#include "sysfs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace kestro::linux_hid {

// The hidraw numbers present, lowest first.
std::vector<unsigned> presentHidrawNumbers();

struct UdevRelease {
    void operator()(udev* context) const;
    void operator()(udev_device* device) const;
};

// One hidraw node and the devices above it, looked up once; every value is
// read when asked, and nothing when the node or the value is not there.
class HidrawDevice {
public:
    explicit HidrawDevice(unsigned hidraw);

    // A property of the HID device the node belongs to (HID_ID, HID_NAME,
    // HID_UNIQ).
    std::optional<std::string> hidProperty(const char* key) const;
    std::optional<HidId> ids() const;
    // The HID version hid-input copies to the node's input devices; nothing
    // when hid-input made none, as for a board whose collections are all
    // vendor-defined.
    std::optional<std::uint16_t> inputVersion() const;

    // False for a node without a USB device (uhid, Bluetooth, I2C).
    bool onUsb() const { return usb_ != nullptr; }
    // A text attribute of the USB device, such as "manufacturer".
    std::optional<std::string> usbAttribute(const char* name) const;
    std::optional<std::uint16_t> usbVersion() const;
    // The device's descriptors as the kernel keeps them, the device
    // descriptor first.
    std::optional<std::string> usbDescriptors() const;
    // iSerialNumber of the device descriptor, 0 when it names no serial.
    std::uint8_t usbSerialIndex() const;
    // "/dev/bus/usb/BBB/DDD", for the control transfers hidraw keeps back.
    std::optional<std::string> usbfsNode() const;

private:
    std::unique_ptr<udev, UdevRelease> context_;
    std::unique_ptr<udev_device, UdevRelease> node_;
    // Both owned by node_, and released with it.
    udev_device* hid_ = nullptr;
    udev_device* usb_ = nullptr;
};

} // namespace kestro::linux_hid
