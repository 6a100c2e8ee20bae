// HidPlatform on the kernel's hidraw nodes, with udev for what can be known
// without opening a node and usbfs for string descriptors hidraw keeps back.
#pragma once

#include "hid_platform.h"
#include "input_channel.h"
#include "kestro_ids.h"
#include "report_descriptor.h"
#include "udev_walk.h"
#include "usb_string.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

class LinuxHidPlatform final : public HidPlatform {
public:
    // Only nodes of allowedVendor are ever opened: a configuration tool has no
    // business reading another device's reports (a keyboard's, say).
    explicit LinuxHidPlatform(std::uint16_t allowedVendor = KESTRO_VENDOR_ID);
    ~LinuxHidPlatform() override;
    LinuxHidPlatform(const LinuxHidPlatform&) = delete;
    LinuxHidPlatform& operator=(const LinuxHidPlatform&) = delete;

    std::unique_ptr<HidDeviceSet> presentInterfaces() override;
    HidHandle open(const std::string& path, OpenMode mode,
                   const SecurityAttributes& security) override;
    OpenFailure lastOpenFailure() const override;
    OpenFailure lastStringFailure() const override;
    bool peekIds(const std::string& path, std::uint16_t& vendor, std::uint16_t& product) override;
    bool close(HidHandle handle) override;

    bool getAttributes(HidHandle handle, HidAttributes& attributes) override;
    bool getIndexedString(HidHandle handle, std::uint32_t index, std::uint8_t* buffer,
                          std::uint32_t length) override;
    bool getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                               std::uint32_t length) override;
    bool getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                               std::uint32_t length) override;
    bool getProductString(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) override;

    bool getPreparsedData(HidHandle handle, PreparsedData& data) override;
    bool getCaps(PreparsedData data, HidCaps& caps) override;
    bool freePreparsedData(PreparsedData data) override;

    bool setFeature(HidHandle handle, const std::uint8_t* buffer, std::uint32_t length) override;
    bool getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) override;

    ReadResult readInputReports(HidHandle handle, std::uint8_t* buffer, std::uint32_t length,
                                Overlapped& overlapped) override;

    EventHandle createEvent(const SecurityAttributes& security, bool manualReset,
                            bool initialState) override;

private:
    struct OpenInterface {
        int fd = -1;
        unsigned hidraw = 0;
        std::string node;
        bool haveLengths = false;
        ReportLengths lengths;
        // Only with the lengths known; the channel goes before the fd.
        std::unique_ptr<linux_hid::InputChannel> input;
        // Which device the node stood for when it was opened.
        linux_hid::NodeIdentity identity;
    };
    // A device that let a feature request run into the kernel's timeout:
    // asking it again would hold the caller as long once more.
    struct SilentNode {
        std::string node;
        linux_hid::NodeIdentity identity;
    };

    OpenInterface* find(HidHandle handle);
    static bool release(OpenInterface& open);
    // A feature-report ioctl on the handle's node, length checked first: the
    // byte count the kernel reports, or nothing when the request failed.
    std::optional<std::uint32_t> featureIoctl(HidHandle handle, unsigned long request, void* buffer,
                                              std::uint32_t length);
    // Kept per device, not per handle, so that closing and reopening the
    // board does not have it asked again; under mutex_.
    bool isSilent(const OpenInterface& open) const;
    void markSilent(const OpenInterface& open);
    void markAnswering(const OpenInterface& open);
    void forgetGoneSilentNodes();
    // The node of an open interface and the devices above it; called under
    // mutex_.
    std::optional<linux_hid::HidrawDevice> deviceOfHandle(HidHandle handle);
    bool deliverUsbString(HidHandle handle, const char* attribute, std::uint8_t* buffer,
                          std::uint32_t length);

    const std::uint16_t allowedVendor_;
    mutable std::mutex mutex_;
    std::map<HidHandle, OpenInterface> interfaces_;
    HidHandle nextHandle_ = 1;
    std::map<PreparsedData, ReportLengths> preparsed_;
    PreparsedData nextPreparsed_ = 1;
    EventHandle nextEvent_ = 1;
    OpenFailure lastFailure_;
    OpenFailure lastStringFailure_;
    std::vector<SilentNode> silentNodes_;
    linux_hid::UsbStringReader usbStrings_;
};

} // namespace kestro
