#include "usb_gadget.h"

#include "hidraw_nodes.h"
#include "linux/sysfs.h"
#include "tests/support/waiting.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestro::test {

namespace {

constexpr char kGadgetRoot[] = "/sys/kernel/config/usb_gadget/kestro_test";
constexpr char kUdc[] = "dummy_udc.0";

bool writeFile(const std::string& path, const void* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = ::write(fd, data, size);
    ::close(fd);
    return n == static_cast<ssize_t>(size);
}

bool writeText(const std::string& path, const std::string& text) {
    return writeFile(path, text.data(), text.size());
}

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

} // namespace

std::string waitForUsbHidraw(std::uint16_t vendor, std::uint16_t product) {
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "0003:%08X:%08X", vendor, product);
    return waitForHidrawNode("HID_ID", wanted, std::chrono::seconds(20),
                             std::chrono::milliseconds(20));
}

void waitForNodeGone(const std::string& node) {
    waitUntil([&] { return node.empty() || ::access(node.c_str(), F_OK) != 0; },
              std::chrono::seconds(5), std::chrono::milliseconds(20));
}

UsbGadget::UsbGadget(const UsbGadgetInfo& info) : root_(kGadgetRoot) {
    if (!build(info))
        error_ += std::string(" (") + std::strerror(errno) + ")";
}

UsbGadget::~UsbGadget() {
    teardown();
}

bool UsbGadget::build(const UsbGadgetInfo& info) {
    if (::access("/sys/kernel/config/usb_gadget", F_OK) != 0) {
        error_ = "configfs usb_gadget is not available";
        return false;
    }
    if (::mkdir(root_.c_str(), 0755) != 0) {
        error_ = "cannot create " + root_;
        return false;
    }
    const std::string function = root_ + "/functions/hid.usb0";
    const std::string strings = root_ + "/strings/0x409";
    const std::string config = root_ + "/configs/c.1";
    const bool made =
        writeText(root_ + "/idVendor", hex(info.vendor)) &&
        writeText(root_ + "/idProduct", hex(info.product)) &&
        writeText(root_ + "/bcdDevice", hex(info.bcdDevice)) &&
        (!info.strings ||
         (::mkdir(strings.c_str(), 0755) == 0 &&
          writeText(strings + "/manufacturer", info.manufacturer) &&
          writeText(strings + "/product", info.productName) &&
          // configfs drops a trailing newline: how an empty string is written.
          writeText(strings + "/serialnumber", info.serial.empty() ? "\n" : info.serial))) &&
        ::mkdir(config.c_str(), 0755) == 0 && ::mkdir(function.c_str(), 0755) == 0 &&
        writeText(function + "/protocol", "0") && writeText(function + "/subclass", "0") &&
        writeText(function + "/report_length", std::to_string(info.reportLength)) &&
        (!info.setReportsOnControl || writeText(function + "/no_out_endpoint", "1")) &&
        writeFile(function + "/report_desc", info.descriptor.data(), info.descriptor.size()) &&
        ::symlink(function.c_str(), (config + "/hid.usb0").c_str()) == 0;
    if (!made) {
        error_ = "cannot configure the gadget";
        return false;
    }
    if (!writeText(root_ + "/UDC", kUdc)) {
        error_ = std::string("cannot bind the gadget to ") + kUdc;
        return false;
    }
    bound_ = true;

    node_ = waitForUsbHidraw(info.vendor, info.product);
    if (node_.empty()) {
        error_ = "usbhid did not bind the gadget within 20 s";
        errno = ETIMEDOUT;
        return false;
    }
    return true;
}

std::string UsbGadget::functionNode() const {
    const auto dev = linux_hid::readBinaryAttribute(root_ + "/functions/hid.usb0/dev");
    return dev ? charDeviceNode(*dev) : std::string();
}

void UsbGadget::teardown() {
    if (bound_) {
        writeText(root_ + "/UDC", "\n");
        waitForNodeGone(node_);
    }
    ::unlink((root_ + "/configs/c.1/hid.usb0").c_str());
    ::rmdir((root_ + "/configs/c.1").c_str());
    ::rmdir((root_ + "/functions/hid.usb0").c_str());
    ::rmdir((root_ + "/strings/0x409").c_str());
    ::rmdir(root_.c_str());
}

} // namespace kestro::test
