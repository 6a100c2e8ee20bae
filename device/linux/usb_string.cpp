#include "usb_string.h"

#include "sysfs.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kestro::linux_hid {

namespace {

constexpr std::uint8_t kDescriptorTypeString = 3;
constexpr std::uint8_t kRequestGetDescriptor = 6;
constexpr std::uint8_t kDeviceToHostStandardDevice = 0x80;
constexpr std::uint16_t kUsEnglish = 0x0409;
constexpr unsigned kControlTimeoutMs = 1000;

// A descriptor is at most 255 bytes (bLength is one byte).
using DescriptorBuffer = std::array<std::uint8_t, 255>;

// Bytes received, or nothing when the transfer failed.
std::optional<std::size_t> getStringDescriptor(int fd, std::uint8_t index, std::uint16_t langId,
                                               DescriptorBuffer& buffer) {
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = kDeviceToHostStandardDevice;
    transfer.bRequest = kRequestGetDescriptor;
    transfer.wValue = static_cast<std::uint16_t>((kDescriptorTypeString << 8) | index);
    transfer.wIndex = langId;
    transfer.wLength = static_cast<std::uint16_t>(buffer.size());
    transfer.timeout = kControlTimeoutMs;
    transfer.data = buffer.data();
    int n = 0;
    do {
        n = ::ioctl(fd, USBDEVFS_CONTROL, &transfer);
    } while (n < 0 && errno == EINTR);
    if (n < 0 || static_cast<std::size_t>(n) > buffer.size())
        return std::nullopt;
    return static_cast<std::size_t>(n);
}

} // namespace

std::optional<std::u16string> decodeStringDescriptor(const std::uint8_t* data,
                                                     std::size_t received) {
    if (data == nullptr || received < 2)
        return std::nullopt;
    const std::size_t length = data[0];
    if (length < 2 || length > received || length % 2 != 0 || data[1] != kDescriptorTypeString)
        return std::nullopt;
    std::u16string text;
    for (std::size_t at = 2; at + 1 < length; at += 2)
        text.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
    return text;
}

std::optional<std::u16string> fetchUsbString(const std::string& usbfsNode, std::uint8_t index) {
    if (index == 0)
        return std::nullopt;
    const int fd = ::open(usbfsNode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;

    DescriptorBuffer buffer{};
    std::uint16_t langId = kUsEnglish;
    if (const auto received = getStringDescriptor(fd, 0, 0, buffer)) {
        const auto languages = decodeStringDescriptor(buffer.data(), *received);
        if (languages && !languages->empty())
            langId = static_cast<std::uint16_t>((*languages)[0]);
    }

    buffer.fill(0);
    std::optional<std::u16string> text;
    if (const auto received = getStringDescriptor(fd, index, langId, buffer))
        text = decodeStringDescriptor(buffer.data(), *received);
    ::close(fd);
    return text;
}

std::optional<std::string> usbfsNodeOf(const std::string& usbDeviceDir) {
    const auto busText = readAttribute(usbDeviceDir + "/busnum");
    const auto devText = readAttribute(usbDeviceDir + "/devnum");
    if (!busText || !devText)
        return std::nullopt;
    // usbfs names buses and devices with three digits.
    const auto bus = parseDecimal(*busText, 999);
    const auto dev = parseDecimal(*devText, 999);
    if (!bus || !dev)
        return std::nullopt;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", *bus, *dev);
    return std::string(node);
}

} // namespace kestro::linux_hid
