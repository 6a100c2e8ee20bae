#include "sim/sim_platform.h"

#include "device_string.h"

#include <algorithm>
#include <cstring>

namespace kestro::sim {

std::vector<std::uint8_t> buttonReport(std::initializer_list<std::uint8_t> buttonBytes,
                                       std::size_t length) {
    std::vector<std::uint8_t> report(length, 0);
    std::size_t at = 1;
    for (std::uint8_t byte : buttonBytes) {
        if (at >= length)
            break;
        report[at++] = byte;
    }
    return report;
}

// A snapshot of the devices plugged when the walk began, as a real device
// set is.
class SimDeviceSet final : public HidDeviceSet {
public:
    SimDeviceSet(SimPlatform& platform, std::vector<SimPlatform::DeviceId> ids)
        : platform_(platform), ids_(std::move(ids)) {
        ++platform_.counters_.setsCreated;
    }
    ~SimDeviceSet() override { ++platform_.counters_.setsDestroyed; }

    bool interfaceAt(std::uint32_t index, std::string& path) override {
        if (index >= ids_.size())
            return false;
        path = SimPlatform::pathOf(ids_[index]);
        return true;
    }

private:
    SimPlatform& platform_;
    std::vector<SimPlatform::DeviceId> ids_;
};

SimPlatform::DeviceId SimPlatform::plug(Board board) {
    const DeviceId id = nextId_++;
    devices_[id] = Entry{std::move(board), true};
    ++plugEvents_;
    return id;
}

void SimPlatform::unplug(DeviceId id) {
    auto it = devices_.find(id);
    if (it != devices_.end() && it->second.plugged) {
        it->second.plugged = false;
        ++plugEvents_;
    }
}

bool SimPlatform::plugged(DeviceId id) const {
    auto it = devices_.find(id);
    return it != devices_.end() && it->second.plugged;
}

Board& SimPlatform::board(DeviceId id) {
    return devices_.at(id).board;
}

void SimPlatform::queueInputReport(DeviceId id, std::vector<std::uint8_t> report) {
    board(id).inputReports.push_back(std::move(report));
}

std::unique_ptr<HidDeviceSet> SimPlatform::presentInterfaces() {
    std::vector<DeviceId> ids;
    for (const auto& [id, entry] : devices_) {
        if (entry.plugged)
            ids.push_back(id);
    }
    return std::make_unique<SimDeviceSet>(*this, std::move(ids));
}

SimPlatform::Entry* SimPlatform::entryOf(const std::string& path) {
    for (auto& [id, entry] : devices_) {
        if (pathOf(id) == path)
            return &entry;
    }
    return nullptr;
}

HidHandle SimPlatform::open(const std::string& path, OpenMode mode, const SecurityAttributes&) {
    lastOpenFailure_ = {};
    Entry* entry = entryOf(path);
    const bool refused = entry && entry->plugged && entry->board.fail.accessDenied;
    if (!entry || !entry->plugged || entry->board.fail.open || refused ||
        (mode == OpenMode::Overlapped && entry->board.fail.secondOpen)) {
        ++counters_.failedOpens;
        if (refused)
            lastOpenFailure_ = {true, entry->board.node.empty() ? path : entry->board.node};
        return kNoHandle;
    }
    ++counters_.opens;
    ++entry->board.opens;
    const HidHandle handle = nextHandle_++;
    const DeviceId id = std::stoi(path.substr(4));
    handles_[handle] = OpenHandle{id, mode};
    return handle;
}

bool SimPlatform::peekIds(const std::string& path, std::uint16_t& vendor, std::uint16_t& product) {
    const Entry* entry = entryOf(path);
    if (!entry || !entry->plugged)
        return false;
    vendor = entry->board.vendorId;
    product = entry->board.productId;
    return true;
}

bool SimPlatform::close(HidHandle handle) {
    if (handles_.erase(handle) == 0)
        return false;
    ++counters_.closes;
    return true;
}

Board* SimPlatform::attached(HidHandle handle) {
    auto it = handles_.find(handle);
    if (it == handles_.end())
        return nullptr;
    auto device = devices_.find(it->second.device);
    if (device == devices_.end() || !device->second.plugged)
        return nullptr;
    return &device->second.board;
}

bool SimPlatform::getAttributes(HidHandle handle, HidAttributes& attributes) {
    Board* board = attached(handle);
    if (!board || board->fail.attributes)
        return false;
    attributes.VendorID = board->vendorId;
    attributes.ProductID = board->productId;
    attributes.VersionNumber = board->versionNumber;
    return true;
}

bool SimPlatform::fetchString(HidHandle handle, const std::u16string* text, bool failed,
                              std::uint8_t* buffer, std::uint32_t length) {
    if (!attached(handle) || failed || !text)
        return false;
    encodeUtf16le(*text, buffer, length);
    return true;
}

bool SimPlatform::getIndexedString(HidHandle handle, std::uint32_t index, std::uint8_t* buffer,
                                   std::uint32_t length) {
    lastStringFailure_ = {};
    Board* board = attached(handle);
    if (!board)
        return false;
    if (index == 42)
        ++board->string42Requests;
    if (index == 42 && board->fail.string42AccessDenied) {
        lastStringFailure_ = {true, board->usbNode};
        return false;
    }
    const std::u16string* text = index == 42 && board->name42 ? &*board->name42 : nullptr;
    return fetchString(handle, text, board->fail.string42, buffer, length);
}

bool SimPlatform::getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                        std::uint32_t length) {
    Board* board = attached(handle);
    if (!board)
        return false;
    ++board->serialRequests;
    return fetchString(handle, &board->serial, board->fail.serial, buffer, length);
}

bool SimPlatform::getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                        std::uint32_t length) {
    Board* board = attached(handle);
    return board &&
           fetchString(handle, &board->manufacturer, board->fail.manufacturer, buffer, length);
}

bool SimPlatform::getProductString(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    Board* board = attached(handle);
    return board && fetchString(handle, &board->product, board->fail.product, buffer, length);
}

bool SimPlatform::getPreparsedData(HidHandle handle, PreparsedData& data) {
    Board* board = attached(handle);
    if (!board || board->fail.capabilities)
        return false;
    data = nextPreparsed_++;
    preparsed_[data] = board->caps;
    ++counters_.preparsedObtained;
    return true;
}

bool SimPlatform::getCaps(PreparsedData data, HidCaps& caps) {
    auto it = preparsed_.find(data);
    if (it == preparsed_.end())
        return false;
    caps = it->second;
    return true;
}

bool SimPlatform::freePreparsedData(PreparsedData data) {
    if (preparsed_.erase(data) == 0)
        return false;
    ++counters_.preparsedFreed;
    return true;
}

bool SimPlatform::setFeature(HidHandle handle, const std::uint8_t* buffer, std::uint32_t length) {
    Board* board = attached(handle);
    if (!board || length == 0)
        return false;
    ++counters_.featureReportsSent;
    ++board->featureSets;
    if (board->fail.setFeature || length != board->caps.FeatureReportByteLength)
        return false;
    board->firmware.receive(buffer, length);
    return true;
}

bool SimPlatform::getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    Board* board = attached(handle);
    if (!board)
        return false;
    ++board->featureGets;
    if (board->fail.getFeature || length == 0 || length != board->caps.FeatureReportByteLength)
        return false;
    return board->firmware.answer(buffer, length);
}

ReadResult SimPlatform::readInputReports(HidHandle handle, std::uint8_t* buffer,
                                         std::uint32_t length, Overlapped&) {
    Board* board = attached(handle);
    if (!board || board->fail.read)
        return {ReadOutcome::Failed, 0};
    auto it = handles_.find(handle);
    if (it->second.mode != OpenMode::Overlapped)
        return {ReadOutcome::Failed, 0};
    if (board->inputReports.empty())
        return {ReadOutcome::NothingQueued, 0};
    // Whole reports only, the newest that fit, newest last, as both real
    // backends give them; what is older goes with them, as it would have
    // been read and passed over.
    const std::uint32_t slot = board->caps.InputReportByteLength;
    if (slot == 0)
        return {ReadOutcome::NothingQueued, 0};
    // A buffer that cannot take one report fails the read, as ReadFile and
    // a hidraw read do.
    if (slot > length)
        return {ReadOutcome::Failed, 0};
    const std::size_t fit = std::min<std::size_t>(length / slot, board->inputReports.size());
    board->inputReports.erase(board->inputReports.begin(),
                              board->inputReports.end() - static_cast<std::ptrdiff_t>(fit));
    std::uint32_t count = 0;
    for (std::vector<std::uint8_t>& report : board->inputReports) {
        report.resize(slot, 0);
        std::memcpy(buffer + count, report.data(), slot);
        count += slot;
    }
    board->inputReports.clear();
    if (count == 0)
        return {ReadOutcome::NothingQueued, 0};
    return {ReadOutcome::Reports, count};
}

EventHandle SimPlatform::createEvent(const SecurityAttributes&, bool, bool) {
    ++counters_.eventsCreated;
    return nextEvent_++;
}

} // namespace kestro::sim
