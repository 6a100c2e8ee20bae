// A HidPlatform that passes every call to another one and, while the HID log
// is on, writes each open, close and report (in hex) to it. Putting it in
// front of any backend logs that backend's traffic the same way.
#pragma once

#include "hid_platform.h"

namespace kestro {

class LoggingHidPlatform final : public HidPlatform {
public:
    explicit LoggingHidPlatform(HidPlatform& inner) : inner_(inner) {}

    std::unique_ptr<HidDeviceSet> presentInterfaces() override;
    HidHandle open(const std::string& path, OpenMode mode,
                   const SecurityAttributes& security) override;
    OpenFailure lastOpenFailure() const override { return inner_.lastOpenFailure(); }
    OpenFailure lastStringFailure() const override { return inner_.lastStringFailure(); }
    bool peekIds(const std::string& path, std::uint16_t& vendor, std::uint16_t& product) override {
        return inner_.peekIds(path, vendor, product);
    }
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
    HidPlatform& inner_;
};

} // namespace kestro
