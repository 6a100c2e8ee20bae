// A HID stack whose every answer comes from the fuzz input: which interfaces
// are present and in what order, what each open, attribute, string, length,
// read and feature request gives. It checks every buffer and length the
// program hands it, and keeps count of what the program holds.
#pragma once

#include "byte_stream.h"
#include "hid_platform.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestro::fuzz {

// One interface as it stays while plugged: the fuzz input twists each answer.
struct FuzzDevice {
    std::string path;
    HidAttributes attributes;
    // Strings as the board hands them over (UTF-16LE, maybe unterminated or
    // longer than any buffer); absent strings fail.
    bool hasName42 = true;
    std::vector<std::uint8_t> name42, serial, manufacturer, product;
    HidCaps caps;
    bool plugged = true;
};

// A feature request the program made, whatever became of it.
struct FeatureCall {
    bool set = false;
    std::uint32_t length = 0;
    std::uint8_t head[4] = {}; // bytes 0 … 3 of a request, zero past length
    bool zeroTail = true;      // bytes from 4 on are all zero (requests only)
};

class FuzzPlatform final : public HidPlatform {
public:
    static constexpr std::size_t kMaxDevices = 8;

    explicit FuzzPlatform(ByteStream& in) : in_(in) {}

    // A board, another vendor's device or anything between, put into the
    // enumeration order where the input says; sometimes at the path of one
    // that went away, as a node number is reused.
    void plug();
    void unplug();

    std::vector<FeatureCall> takeFeatureCalls() { return std::move(featureCalls_); }
    std::size_t openHandles() const { return handles_.size(); }
    bool isOpen(HidHandle handle) const { return handles_.count(handle) != 0; }
    std::size_t liveSets() const { return liveSets_; }
    std::size_t outstandingPreparsed() const { return preparsed_.size(); }
    int eventsCreated() const { return eventsCreated_; }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    std::size_t plugged() const;

    std::unique_ptr<HidDeviceSet> presentInterfaces() override;
    HidHandle open(const std::string& path, OpenMode mode,
                   const SecurityAttributes& security) override;
    OpenFailure lastOpenFailure() const override { return lastOpenFailure_; }
    OpenFailure lastStringFailure() const override { return lastStringFailure_; }
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
    friend class FuzzDeviceSet;
    struct OpenHandle {
        std::size_t device;
        OpenMode mode;
        bool capsKnown = false; // the program was told this open's lengths
    };

    FuzzDevice makeDevice();
    // The attached device behind a handle the program holds, or null. A
    // handle that is neither open nor kNoHandle is a fault of the program.
    FuzzDevice* attached(HidHandle handle);
    bool string(HidHandle handle, const std::vector<std::uint8_t>* text, std::uint8_t* buffer,
                std::uint32_t length);
    bool feature(HidHandle handle, std::uint32_t length);
    void fill(std::uint8_t* buffer, std::uint32_t length);

    ByteStream& in_;
    std::vector<FuzzDevice> devices_;
    std::vector<std::size_t> order_; // enumeration order, by index into devices_
    std::map<HidHandle, OpenHandle> handles_;
    std::map<PreparsedData, HidHandle> preparsed_;
    std::vector<FeatureCall> featureCalls_;
    HidHandle nextHandle_ = 3;
    PreparsedData nextPreparsed_ = 1;
    EventHandle event_ = 0;
    std::size_t liveSets_ = 0;
    int eventsCreated_ = 0;
    int opens_ = 0;
    int closes_ = 0;
    OpenFailure lastOpenFailure_;
    OpenFailure lastStringFailure_;
};

} // namespace kestro::fuzz
