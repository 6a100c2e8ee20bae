// A HID board with a real USB parent: a configfs gadget on dummy_hcd, which
// usbhid enumerates like a board on a cable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestro::test {

struct UsbGadgetInfo {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t bcdDevice = 0;
    std::string manufacturer;
    std::string productName;
    std::string serial;
    std::uint16_t reportLength = 0;
    std::vector<std::uint8_t> descriptor;
    // Without an OUT endpoint the function takes SET_REPORT requests (feature
    // reports included) on the control pipe and hands their data to reads of
    // functionNode(); with one, it stalls them.
    bool setReportsOnControl = false;
    // False: no string descriptors at all, so the device descriptor names
    // none (iSerialNumber 0 among them).
    bool strings = true;
};

// "/dev/hidrawN" of the first USB HID device with these IDs, waiting up to
// 20 s for usbhid to bind it; empty when none came.
std::string waitForUsbHidraw(std::uint16_t vendor, std::uint16_t product);
// Waits up to 5 s for an unplugged board's node to go, so that the next
// board with the same IDs is not mistaken for it.
void waitForNodeGone(const std::string& node);

class UsbGadget {
public:
    explicit UsbGadget(const UsbGadgetInfo& info);
    ~UsbGadget();
    UsbGadget(const UsbGadget&) = delete;
    UsbGadget& operator=(const UsbGadget&) = delete;

    // "/dev/hidrawN" once usbhid has bound the gadget, empty otherwise; why
    // in error().
    const std::string& node() const { return node_; }
    const std::string& error() const { return error_; }
    // The gadget side's "/dev/hidgN", where the board's input reports are
    // written; empty when the kernel does not name it.
    std::string functionNode() const;

private:
    bool build(const UsbGadgetInfo& info);
    void teardown();

    std::string root_;
    std::string node_;
    std::string error_;
    bool bound_ = false;
};

} // namespace kestro::test
