#include "fuzz_platform.h"

#include "device_string.h"
#include "input_report.h"
#include "kestro_ids.h"
#include "require.h"

#include <algorithm>
#include <cstring>

namespace kestro::fuzz {

namespace {

// Twists of an answer: 0, what a run-out input gives, is the sane one.
constexpr std::uint8_t kSane = 0;
constexpr std::uint8_t kFail = 1;
constexpr std::uint8_t kFailScribbled = 2;
constexpr std::uint8_t kGarbage = 3;
constexpr std::uint8_t kFull = 4;

std::vector<std::uint8_t> utf16(const char16_t* text) {
    std::vector<std::uint8_t> bytes;
    for (; *text; ++text) {
        bytes.push_back(static_cast<std::uint8_t>(*text & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(*text >> 8));
    }
    return bytes;
}

// Touches both ends of what the program says it handed over, so that a
// length longer than the buffer is an overflow the sanitizer sees.
void probe(const std::uint8_t* buffer, std::uint32_t length) {
    if (length == 0)
        return;
    const volatile std::uint8_t* p = buffer;
    (void)p[0];
    (void)p[length - 1];
}

} // namespace

class FuzzDeviceSet final : public HidDeviceSet {
public:
    FuzzDeviceSet(FuzzPlatform& platform, std::vector<std::string> paths)
        : platform_(platform), paths_(std::move(paths)) {
        ++platform_.liveSets_;
    }
    ~FuzzDeviceSet() override { --platform_.liveSets_; }

    bool interfaceAt(std::uint32_t index, std::string& path) override {
        const std::uint8_t twist = platform_.in_.byte();
        if (twist == kFail || index >= paths_.size())
            return false;
        // An interface that is no device of ours, or gone already.
        path = twist == kGarbage ? std::string("fuzz:gone") : paths_[index];
        return true;
    }

private:
    FuzzPlatform& platform_;
    std::vector<std::string> paths_;
};

FuzzDevice FuzzPlatform::makeDevice() {
    static constexpr std::uint16_t kProducts[] = {0x1140, 0x115A, 0x114B, 0x2000, 0x1150};
    static constexpr std::uint16_t kVersions[] = {0x0103, 0x0101, 0x0102, 0x0110, 0x00FF, 0x8000};
    static constexpr const char16_t* kSerials[] = {u"K1", u"K2", u"", u"k1"};
    static constexpr std::uint16_t kInputLengths[] = {17, 0, 1, 3, 16, 33, 65, 1000, 1001, 16384};
    static constexpr std::uint16_t kFeatureLengths[] = {65, 0,  1,  3,    4,    16,
                                                        17, 33, 64, 1000, 16384};
    const std::uint8_t kind = in_.byte();
    FuzzDevice device;
    device.attributes.Size = 12;
    device.attributes.VendorID = (kind & 0x01) ? in_.u16() : KESTRO_VENDOR_ID;
    device.attributes.ProductID = (kind & 0x02) ? in_.u16() : in_.pick(kProducts);
    device.attributes.VersionNumber = (kind & 0x04) ? in_.u16() : in_.pick(kVersions);
    device.serial = (kind & 0x08) ? in_.bytes(in_.below(130)) : utf16(in_.pick(kSerials));
    device.hasName42 = !(kind & 0x10) || in_.byte() != kFail;
    device.name42 = (kind & 0x10) ? in_.bytes(in_.below(16)) : utf16(u"Kestro");
    device.manufacturer = (kind & 0x20) ? in_.bytes(in_.below(130)) : utf16(u"Kestro");
    device.product = (kind & 0x20) ? in_.bytes(in_.below(130)) : utf16(u"Kestro 128");
    if (kind & 0x80) {
        device.caps = {in_.u16(), in_.u16(), in_.u16()};
    } else {
        device.caps.InputReportByteLength = in_.pick(kInputLengths);
        device.caps.FeatureReportByteLength = in_.pick(kFeatureLengths);
    }
    return device;
}

void FuzzPlatform::plug() {
    if (devices_.size() >= kMaxDevices)
        return;
    const std::size_t at = in_.below(static_cast<std::uint32_t>(order_.size() + 1));
    const bool reusePath = in_.byte() & 1;
    FuzzDevice device = makeDevice();
    device.path = "fuzz:" + std::to_string(devices_.size());
    if (reusePath) {
        for (const FuzzDevice& gone : devices_)
            if (!gone.plugged) {
                device.path = gone.path;
                break;
            }
    }
    devices_.push_back(std::move(device));
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(at), devices_.size() - 1);
}

void FuzzPlatform::unplug() {
    if (order_.empty())
        return;
    const auto at = order_.begin() + in_.below(static_cast<std::uint32_t>(order_.size()));
    devices_[*at].plugged = false;
    order_.erase(at);
}

std::size_t FuzzPlatform::plugged() const {
    return order_.size();
}

std::unique_ptr<HidDeviceSet> FuzzPlatform::presentInterfaces() {
    require(liveSets_ == 0, "a walk began while another walk's device set was alive");
    const std::uint8_t twist = in_.byte();
    if (twist == kFail)
        return nullptr;
    std::vector<std::string> paths;
    for (std::size_t index : order_)
        paths.push_back(devices_[index].path);
    // The system's order need not stay the same from one walk to the next.
    if (twist == kGarbage && !paths.empty())
        std::rotate(paths.begin(), paths.begin() + 1, paths.end());
    return std::make_unique<FuzzDeviceSet>(*this, std::move(paths));
}

HidHandle FuzzPlatform::open(const std::string& path, OpenMode mode, const SecurityAttributes&) {
    require(handles_.size() < 2, "a third handle was opened: one was not closed");
    lastOpenFailure_ = {};
    std::size_t found = devices_.size();
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i].plugged && devices_[i].path == path)
            found = i;
    const std::uint8_t twist = in_.byte();
    if (found == devices_.size() || twist == kFail)
        return kNoHandle;
    if (twist == kFailScribbled) {
        lastOpenFailure_ = {true, "/dev/hidraw" + std::to_string(in_.byte())};
        return kNoHandle;
    }
    ++opens_;
    const HidHandle handle = nextHandle_++;
    handles_[handle] = OpenHandle{found, mode};
    return handle;
}

bool FuzzPlatform::peekIds(const std::string& path, std::uint16_t& vendor, std::uint16_t& product) {
    for (const FuzzDevice& device : devices_)
        if (device.plugged && device.path == path && in_.byte() != kFail) {
            vendor = device.attributes.VendorID;
            product = device.attributes.ProductID;
            return true;
        }
    return false;
}

bool FuzzPlatform::close(HidHandle handle) {
    require(isOpen(handle), "closed a handle it does not hold");
    handles_.erase(handle);
    ++closes_;
    return in_.byte() != kFail;
}

FuzzDevice* FuzzPlatform::attached(HidHandle handle) {
    if (handle == kNoHandle)
        return nullptr;
    require(isOpen(handle), "a request on a handle that was closed");
    FuzzDevice& device = devices_[handles_.at(handle).device];
    return device.plugged ? &device : nullptr;
}

void FuzzPlatform::fill(std::uint8_t* buffer, std::uint32_t length) {
    const std::vector<std::uint8_t> bytes = in_.bytes(length);
    if (length != 0)
        std::memcpy(buffer, bytes.data(), length);
}

bool FuzzPlatform::getAttributes(HidHandle handle, HidAttributes& attributes) {
    const FuzzDevice* device = attached(handle);
    const std::uint8_t twist = in_.byte();
    if (!device || twist == kFail)
        return false;
    if (twist == kFailScribbled) {
        attributes.VendorID = KESTRO_VENDOR_ID;
        attributes.ProductID = 0x1140;
        return false;
    }
    attributes.VendorID = device->attributes.VendorID;
    attributes.ProductID = device->attributes.ProductID;
    attributes.VersionNumber = twist == kGarbage ? in_.u16() : device->attributes.VersionNumber;
    return true;
}

bool FuzzPlatform::string(HidHandle handle, const std::vector<std::uint8_t>* text,
                          std::uint8_t* buffer, std::uint32_t length) {
    require(length == DeviceStringBuffer::kOffered, "a string request offered another length");
    probe(buffer, length);
    const bool present = attached(handle) != nullptr;
    const std::uint8_t twist = in_.byte();
    if (!present || twist == kFail)
        return false;
    switch (twist) {
    case kFailScribbled:
        fill(buffer, in_.below(length + 1));
        return false;
    case kGarbage:
        fill(buffer, in_.below(length + 1));
        return true;
    case kFull: // every byte used, no terminator
        std::memset(buffer, 'A', length);
        return true;
    default:
        break;
    }
    if (!text)
        return false;
    const std::uint32_t size = std::min<std::uint32_t>(length, text->size());
    if (size != 0)
        std::memcpy(buffer, text->data(), size);
    if (size + 2 <= length)
        buffer[size] = buffer[size + 1] = 0;
    return true;
}

bool FuzzPlatform::getIndexedString(HidHandle handle, std::uint32_t index, std::uint8_t* buffer,
                                    std::uint32_t length) {
    require(index == 42, "a string other than the name string was asked for by index");
    lastStringFailure_ = {};
    const FuzzDevice* device = handle == kNoHandle ? nullptr : attached(handle);
    const bool ok =
        string(handle, device && device->hasName42 ? &device->name42 : nullptr, buffer, length);
    if (!ok && device && in_.byte() == kFail)
        lastStringFailure_ = {true, "/dev/bus/usb/001/00" + std::to_string(in_.below(10))};
    return ok;
}

bool FuzzPlatform::getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                         std::uint32_t length) {
    const FuzzDevice* device = handle == kNoHandle ? nullptr : attached(handle);
    return string(handle, device ? &device->serial : nullptr, buffer, length);
}

bool FuzzPlatform::getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                         std::uint32_t length) {
    const FuzzDevice* device = handle == kNoHandle ? nullptr : attached(handle);
    return string(handle, device ? &device->manufacturer : nullptr, buffer, length);
}

bool FuzzPlatform::getProductString(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    const FuzzDevice* device = handle == kNoHandle ? nullptr : attached(handle);
    return string(handle, device ? &device->product : nullptr, buffer, length);
}

bool FuzzPlatform::getPreparsedData(HidHandle handle, PreparsedData& data) {
    if (!attached(handle) || in_.byte() == kFail)
        return false;
    data = nextPreparsed_++;
    preparsed_[data] = handle;
    return true;
}

bool FuzzPlatform::getCaps(PreparsedData data, HidCaps& caps) {
    const auto it = preparsed_.find(data);
    require(it != preparsed_.end(), "capabilities asked of preparsed data not held");
    require(isOpen(it->second), "preparsed data outlived its handle");
    if (in_.byte() == kFail)
        return false;
    OpenHandle& open = handles_.at(it->second);
    caps = devices_[open.device].caps;
    open.capsKnown = true;
    return true;
}

bool FuzzPlatform::freePreparsedData(PreparsedData data) {
    require(preparsed_.erase(data) == 1, "freed preparsed data not held");
    return true;
}

bool FuzzPlatform::feature(HidHandle handle, std::uint32_t length) {
    if (handle != kNoHandle && isOpen(handle)) {
        const OpenHandle& open = handles_.at(handle);
        require(open.mode == OpenMode::Synchronous,
                "a feature report went through the read handle");
        // Where the lengths could not be read the program goes on with the
        // ones it had; only lengths it was told are the board's own.
        if (open.capsKnown)
            require(length == devices_[open.device].caps.FeatureReportByteLength,
                    "a frame not of the open board's feature report length");
    }
    return attached(handle) != nullptr;
}

bool FuzzPlatform::setFeature(HidHandle handle, const std::uint8_t* buffer, std::uint32_t length) {
    FeatureCall call;
    call.set = true;
    call.length = length;
    // Every byte is read, so a length past the buffer is an overflow.
    for (std::uint32_t i = 0; i < length; ++i) {
        if (i < 4)
            call.head[i] = buffer[i];
        else if (buffer[i] != 0)
            call.zeroTail = false;
    }
    featureCalls_.push_back(call);
    if (!feature(handle, length))
        return false;
    return in_.byte() != kFail;
}

bool FuzzPlatform::getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    probe(buffer, length);
    FeatureCall call;
    call.length = length;
    featureCalls_.push_back(call);
    const bool present = feature(handle, length);
    const std::uint8_t twist = in_.byte();
    if (!present || twist == kFail)
        return false;
    if (twist == kFailScribbled) {
        fill(buffer, in_.below(length + 1));
        return false;
    }
    // A whole report always arrives whole.
    fill(buffer, length);
    if (twist == kSane && length >= 2) {
        static constexpr std::uint8_t kBlocks[] = {0x20, 0x40, 0x00, 0x11};
        buffer[0] = 0;
        buffer[1] = in_.pick(kBlocks);
    }
    return true;
}

ReadResult FuzzPlatform::readInputReports(HidHandle handle, std::uint8_t* buffer,
                                          std::uint32_t length, Overlapped& overlapped) {
    // A board whose reports outgrow the window's read is read a whole report
    // at a time instead; never less than the window asks.
    require(length >= kReadRequestLength, "an input read asked for less than a window's read");
    probe(buffer, length);
    require(overlapped.hEvent == event_, "an input read without the read event");
    if (handle != kNoHandle && isOpen(handle))
        require(handles_.at(handle).mode == OpenMode::Overlapped,
                "input reports read through the feature handle");
    const FuzzDevice* device = attached(handle);
    if (!device)
        return {ReadOutcome::Failed, 0};
    const std::uint8_t twist = in_.byte();
    std::uint32_t count = 0;
    switch (twist) {
    case kSane: {
        const std::uint32_t report = device->caps.InputReportByteLength;
        if (report == 0 || report > length)
            return {ReadOutcome::NothingQueued, 0};
        const std::uint32_t reports = std::min<std::uint32_t>(1 + in_.below(3), length / report);
        count = reports * report;
        break;
    }
    case kFail:
        return {ReadOutcome::NothingQueued, 0};
    case kFailScribbled:
        return {ReadOutcome::Failed, 0};
    default: // whatever a board sent, as long as the system kept to the length
        count = in_.below(length + 1);
        break;
    }
    fill(buffer, count);
    return {ReadOutcome::Reports, count};
}

EventHandle FuzzPlatform::createEvent(const SecurityAttributes&, bool, bool) {
    if (in_.byte() == kFail)
        return 0;
    ++eventsCreated_;
    event_ = 1000 + eventsCreated_;
    return event_;
}

} // namespace kestro::fuzz
