// The operations the device link needs from the operating system's HID stack.
// Each backend (linux/, sim/, windows/) implements this interface; the device
// link is written once against it so that it behaves the same on all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestro {

// Opaque handle of an open interface. kNoHandle is what a failed open returns;
// every request made with it fails.
using HidHandle = std::intptr_t;
inline constexpr HidHandle kNoHandle = -1;

// Opaque preparsed report information of an open interface.
using PreparsedData = std::intptr_t;
// Opaque read event; 0 = none.
using EventHandle = std::intptr_t;

struct HidAttributes {
    std::uint32_t Size = 0;
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// Report lengths, each counting the report ID byte; 0 when the interface has
// no report of that type.
struct HidCaps {
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
};

struct SecurityAttributes {
    std::uint32_t nLength = 0;
    void* lpSecurityDescriptor = nullptr;
    std::int32_t bInheritHandle = 0;
};

// The record every input-report read is given. Offsets stay 0; hEvent carries
// the read event.
struct Overlapped {
    std::uintptr_t Internal = 0;
    std::uintptr_t InternalHigh = 0;
    std::uint32_t Offset = 0;
    std::uint32_t OffsetHigh = 0;
    EventHandle hEvent = 0;
};

enum class OpenMode { Synchronous, Overlapped };

// Why the last open failed, as far as the backend can tell.
struct OpenFailure {
    bool accessDenied = false; // the system refused access (EACCES/EPERM)
    std::string node;          // the node that was refused, e.g. /dev/hidraw3
};

enum class ReadOutcome {
    Reports,       // whole reports were read, back to back, newest last
    NothingQueued, // the interface is attached but has nothing to give now
    Failed,        // the interface is gone, or any other error
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Failed;
    std::uint32_t count = 0; // bytes written into the buffer
};

// One snapshot of the present HID interfaces; destroying it releases it.
class HidDeviceSet {
public:
    virtual ~HidDeviceSet() = default;
    // The path of the interface at index, false after the last or on failure.
    virtual bool interfaceAt(std::uint32_t index, std::string& path) = 0;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;

    virtual std::unique_ptr<HidDeviceSet> presentInterfaces() = 0;

    // kNoHandle on failure. A backend that declines to open another vendor's
    // device does so without touching it and without reporting access denied.
    virtual HidHandle open(const std::string& path, OpenMode mode,
                           const SecurityAttributes& security) = 0;
    virtual OpenFailure lastOpenFailure() const { return {}; }
    // Why the last getIndexedString failed, when the system refused access to
    // a node the request needs besides the open interface (on Linux, the
    // board's USB device node); empty otherwise.
    virtual OpenFailure lastStringFailure() const { return {}; }
    // Vendor and product as the system shows them without opening the
    // interface; false when the backend cannot tell.
    virtual bool peekIds(const std::string& /*path*/, std::uint16_t& /*vendor*/,
                         std::uint16_t& /*product*/) {
        return false;
    }
    virtual bool close(HidHandle handle) = 0;

    virtual bool getAttributes(HidHandle handle, HidAttributes& attributes) = 0;

    // Strings arrive as UTF-16LE in buffer, at most length bytes, zero
    // terminated when shorter than the buffer.
    virtual bool getIndexedString(HidHandle handle, std::uint32_t index, std::uint8_t* buffer,
                                  std::uint32_t length) = 0;
    virtual bool getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                       std::uint32_t length) = 0;
    virtual bool getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                       std::uint32_t length) = 0;
    virtual bool getProductString(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) = 0;

    virtual bool getPreparsedData(HidHandle handle, PreparsedData& data) = 0;
    virtual bool getCaps(PreparsedData data, HidCaps& caps) = 0;
    virtual bool freePreparsedData(PreparsedData data) = 0;

    // Byte 0 of buffer is the report ID. A length the backend cannot carry
    // fails the request without reaching the device.
    virtual bool setFeature(HidHandle handle, const std::uint8_t* buffer, std::uint32_t length) = 0;
    // True only when a whole report of length bytes arrived: a shorter reply
    // fails the request, so that bytes the board did not send are never taken
    // for its own. The buffer's contents after a failure mean nothing.
    virtual bool getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) = 0;

    // Never blocks. Reports come in the layout byte 0 = report ID (0 when the
    // interface has none), then the report's data.
    virtual ReadResult readInputReports(HidHandle handle, std::uint8_t* buffer,
                                        std::uint32_t length, Overlapped& overlapped) = 0;

    virtual EventHandle createEvent(const SecurityAttributes& security, bool manualReset,
                                    bool initialState) = 0;
};

} // namespace kestro
