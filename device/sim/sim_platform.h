// Simulated HID devices described as plain data, and a HidPlatform that
// serves them. Built on every OS; tests and the demo use it. Nothing here
// touches a real device.
#pragma once

#include "hid_platform.h"
#include "kestro_ids.h"
#include "sim/sim_firmware.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestro::sim {

// Per-operation failure injection.
struct Failures {
    bool open = false;         // every open fails
    bool accessDenied = false; // every open is refused as a permission problem
    bool secondOpen = false;   // only the overlapped open fails
    bool attributes = false;
    bool string42 = false;
    bool string42AccessDenied = false; // the node string 42 needs is refused
    bool serial = false;
    bool manufacturer = false;
    bool product = false;
    bool capabilities = false;
    bool read = false;
    bool setFeature = false;
    bool getFeature = false;
};

struct Board {
    std::uint16_t vendorId = KESTRO_VENDOR_ID;
    std::uint16_t productId = 0x1140;
    std::uint16_t versionNumber = 0x0103;
    // Absent: the device has no string 42 and the request fails.
    std::optional<std::u16string> name42 = u"Kestro";
    std::u16string serial = u"K0001";
    std::u16string manufacturer = u"Kestro";
    std::u16string product = u"Kestro 128";
    HidCaps caps{17, 0, 65};
    // Whole reports, report ID first, oldest first.
    std::deque<std::vector<std::uint8_t>> inputReports;
    Firmware firmware;
    Failures fail;
    // What the system shows of the node, e.g. for the permission hint.
    std::string node;
    // The node string 42 is read through (on Linux, the USB device node).
    std::string usbNode;

    // Counters of what was asked of this device.
    int opens = 0;
    int string42Requests = 0;
    int serialRequests = 0;
    int featureSets = 0; // set-feature requests that reached the board
    int featureGets = 0; // get-feature requests that reached the board
};

// A sane board to copy and change one field of.
inline Board saneBoard(std::u16string serial = u"K0001") {
    Board board;
    board.serial = std::move(serial);
    return board;
}

// An input report of a 17-byte board with the given button bytes.
std::vector<std::uint8_t> buttonReport(std::initializer_list<std::uint8_t> buttonBytes,
                                       std::size_t length = 17);

class SimPlatform final : public HidPlatform {
public:
    using DeviceId = int;

    // Appends the device to the enumeration order.
    DeviceId plug(Board board);
    // The device disappears; its open handles stay open but every request on
    // them fails.
    void unplug(DeviceId id);
    bool plugged(DeviceId id) const;
    // Counts plugs and unplugs, for the simulator's hot-plug monitor.
    int plugEvents() const { return plugEvents_; }
    Board& board(DeviceId id);
    void queueInputReport(DeviceId id, std::vector<std::uint8_t> report);

    // Resource bookkeeping, to prove that nothing leaks.
    struct Counters {
        int opens = 0;
        int failedOpens = 0;
        int closes = 0;
        int eventsCreated = 0;
        int preparsedObtained = 0;
        int preparsedFreed = 0;
        int setsCreated = 0;
        int setsDestroyed = 0;
        int featureReportsSent = 0; // to any device
    };
    const Counters& counters() const { return counters_; }
    int openHandles() const { return static_cast<int>(handles_.size()); }

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

    static std::string pathOf(DeviceId id) { return "sim:" + std::to_string(id); }

private:
    struct Entry {
        Board board;
        bool plugged = true;
    };
    struct OpenHandle {
        DeviceId device;
        OpenMode mode;
    };
    // The attached device behind a handle, or null.
    Board* attached(HidHandle handle);
    Entry* entryOf(const std::string& path);
    bool fetchString(HidHandle handle, const std::u16string* text, bool failed,
                     std::uint8_t* buffer, std::uint32_t length);

    std::map<DeviceId, Entry> devices_; // by id, which is the enumeration order
    std::map<HidHandle, OpenHandle> handles_;
    std::map<PreparsedData, HidCaps> preparsed_;
    DeviceId nextId_ = 1;
    int plugEvents_ = 0;
    HidHandle nextHandle_ = 100;
    PreparsedData nextPreparsed_ = 1;
    EventHandle nextEvent_ = 1;
    OpenFailure lastOpenFailure_;
    OpenFailure lastStringFailure_;
    Counters counters_;
    friend class SimDeviceSet;
};

} // namespace kestro::sim
