// HidPlatform on SetupAPI and hid.dll: the walk over the HID device
// interfaces, CreateFileA, the HidD_/HidP_ requests and overlapped ReadFile.
#pragma once

#include "hid_platform.h"
#include "windows/read_channel.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace kestro {

class WindowsHidPlatform final : public HidPlatform {
public:
    WindowsHidPlatform();
    ~WindowsHidPlatform() override;
    WindowsHidPlatform(const WindowsHidPlatform&) = delete;
    WindowsHidPlatform& operator=(const WindowsHidPlatform&) = delete;

    std::unique_ptr<HidDeviceSet> presentInterfaces() override;
    HidHandle open(const std::string& path, OpenMode mode,
                   const SecurityAttributes& security) override;
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

    // Largest report the backend passes to the driver: a report length is a
    // 16-bit field of the capabilities record.
    static constexpr std::uint32_t kMaxReportLength = 0xFFFF;

private:
    struct OpenHandle;

    // The open handle we know as handle, or nullptr: a value we did not open
    // never reaches the system.
    OpenHandle* find(HidHandle handle);
    // The same for a request with a buffer: nullptr also when there is none
    // or its length is more than the backend passes on.
    OpenHandle* findWithBuffer(HidHandle handle, const std::uint8_t* buffer, std::uint32_t length);
    // A device I/O control on the handle that completes before it returns,
    // also on an overlapped handle; the number of bytes returned in count.
    bool control(OpenHandle& open, unsigned long code, std::uint8_t* buffer, std::uint32_t length,
                 unsigned long& count);
    windows_hid::ReadChannel* channelOf(OpenHandle& open, EventHandle event);
    // A feature request on open's device, failed at once while that device
    // is known not to answer; under mutex_.
    template <typename Request> bool featureRequest(const OpenHandle& open, Request request);
    void forgetGoneSilentDevices(HidDeviceSet& present);

    std::mutex mutex_;
    std::map<HidHandle, std::unique_ptr<OpenHandle>> handles_;
    std::set<PreparsedData> preparsed_;
    // Paths of the devices that let a feature request run into the driver's
    // timeout, kept until a walk no longer finds them.
    std::set<std::string> silentPaths_;
};

} // namespace kestro
