#include "linux_hid_platform.h"

#include "device_string.h"
#include "udev_walk.h"
#include "usb_string.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kestro {

using namespace linux_hid;

namespace {

// The feature ioctls carry the length in their 14-bit size field: 16384
// would wrap to a request for nothing.
constexpr std::uint32_t kMaxFeatureLength = (1u << _IOC_SIZEBITS) - 1;
// No board takes a second to refuse a request: one that failed after so
// long ran into the kernel's timeout (5 s for uhid and usbhid).
constexpr std::chrono::milliseconds kGivenUpAfter{1000};

class HidrawSet final : public HidDeviceSet {
public:
    explicit HidrawSet(std::vector<unsigned> numbers) : numbers_(std::move(numbers)) {}

    bool interfaceAt(std::uint32_t index, std::string& path) override {
        if (index >= numbers_.size())
            return false;
        path = "/dev/hidraw" + std::to_string(numbers_[index]);
        return true;
    }

private:
    std::vector<unsigned> numbers_;
};

int retryIoctl(int fd, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

std::optional<ReportLengths> readLengths(int fd) {
    int size = 0;
    if (retryIoctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return std::nullopt;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<std::uint32_t>(size);
    if (retryIoctl(fd, HIDIOCGRDESC, &descriptor) < 0)
        return std::nullopt;
    return reportLengthsFromDescriptor(descriptor.value, descriptor.size);
}

bool deliver(const std::u16string& text, std::uint8_t* buffer, std::uint32_t length) {
    if (buffer == nullptr || length == 0)
        return false;
    encodeUtf16le(text, buffer, length);
    return true;
}

} // namespace

LinuxHidPlatform::LinuxHidPlatform(std::uint16_t allowedVendor) : allowedVendor_(allowedVendor) {}

LinuxHidPlatform::~LinuxHidPlatform() {
    for (auto& [handle, open] : interfaces_)
        release(open);
}

bool LinuxHidPlatform::release(OpenInterface& open) {
    // The channel's thread reads the fd until it is joined.
    open.input.reset();
    // Retrying close on EINTR could close a descriptor another thread just got.
    return ::close(open.fd) == 0;
}

LinuxHidPlatform::OpenInterface* LinuxHidPlatform::find(HidHandle handle) {
    const auto it = interfaces_.find(handle);
    return it == interfaces_.end() ? nullptr : &it->second;
}

std::optional<HidrawDevice> LinuxHidPlatform::deviceOfHandle(HidHandle handle) {
    const OpenInterface* open = find(handle);
    if (open == nullptr)
        return std::nullopt;
    return HidrawDevice(open->hidraw);
}

std::unique_ptr<HidDeviceSet> LinuxHidPlatform::presentInterfaces() {
    // Every walk is a chance to forget the boards that have gone.
    usbStrings_.forgetGoneDevices();
    forgetGoneSilentNodes();
    return std::make_unique<HidrawSet>(presentHidrawNumbers());
}

HidHandle LinuxHidPlatform::open(const std::string& path, OpenMode mode,
                                 const SecurityAttributes& /*security*/) {
    std::lock_guard lock(mutex_);
    lastFailure_ = {};
    const auto hidraw = hidrawNumber(path);
    if (!hidraw)
        return kNoHandle;
    // Decided from sysfs before the node is touched: a foreign device's node
    // is never opened, not even for a moment.
    const auto ids = HidrawDevice(*hidraw).ids();
    if (!ids || ids->vendor != allowedVendor_)
        return kNoHandle;

    // Both modes read without blocking: the link polls and must never hang.
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM)
            lastFailure_ = OpenFailure{true, path};
        return kNoHandle;
    }
    // The node may have been replaced between the sysfs look and the open.
    hidraw_devinfo info{};
    if (retryIoctl(fd, HIDIOCGRAWINFO, &info) < 0 ||
        static_cast<std::uint16_t>(info.vendor) != allowedVendor_) {
        ::close(fd);
        return kNoHandle;
    }

    OpenInterface open;
    open.fd = fd;
    open.hidraw = *hidraw;
    open.node = path;
    open.identity = identityOfFd(fd).value_or(NodeIdentity{});
    if (const auto lengths = readLengths(fd)) {
        open.haveLengths = true;
        open.lengths = *lengths;
        // Each report takes a slot of the input length, ID byte first. Only
        // the overlapped handle is read for the buttons, so only it needs
        // draining between reads.
        open.input =
            std::make_unique<InputChannel>(fd, std::max<std::uint32_t>(lengths->input, 1),
                                           lengths->usesReportIds, mode == OpenMode::Overlapped);
    }
    const HidHandle handle = nextHandle_++;
    interfaces_.emplace(handle, std::move(open));
    return handle;
}

OpenFailure LinuxHidPlatform::lastOpenFailure() const {
    std::lock_guard lock(mutex_);
    return lastFailure_;
}

OpenFailure LinuxHidPlatform::lastStringFailure() const {
    std::lock_guard lock(mutex_);
    return lastStringFailure_;
}

bool LinuxHidPlatform::peekIds(const std::string& path, std::uint16_t& vendor,
                               std::uint16_t& product) {
    const auto hidraw = hidrawNumber(path);
    if (!hidraw)
        return false;
    const auto ids = HidrawDevice(*hidraw).ids();
    if (!ids)
        return false;
    vendor = ids->vendor;
    product = ids->product;
    return true;
}

bool LinuxHidPlatform::close(HidHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = interfaces_.find(handle);
    if (it == interfaces_.end())
        return false;
    const bool closed = release(it->second);
    interfaces_.erase(it);
    return closed;
}

bool LinuxHidPlatform::getAttributes(HidHandle handle, HidAttributes& attributes) {
    std::lock_guard lock(mutex_);
    OpenInterface* open = find(handle);
    if (open == nullptr)
        return false;
    hidraw_devinfo info{};
    if (retryIoctl(open->fd, HIDIOCGRAWINFO, &info) < 0)
        return false;
    attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
    attributes.ProductID = static_cast<std::uint16_t>(info.product);
    const HidrawDevice device(open->hidraw);
    // uhid and Bluetooth boards: the HID version, where hid-input shows it.
    attributes.VersionNumber =
        (device.onUsb() ? device.usbVersion() : device.inputVersion()).value_or(0);
    return true;
}

bool LinuxHidPlatform::getIndexedString(HidHandle handle, std::uint32_t index, std::uint8_t* buffer,
                                        std::uint32_t length) {
    std::optional<std::string> node;
    {
        std::lock_guard lock(mutex_);
        lastStringFailure_ = {};
        if (index == 0 || index > 255 || buffer == nullptr || length == 0)
            return false;
        const auto device = deviceOfHandle(handle);
        node = device ? device->usbfsNode() : std::nullopt;
    }
    if (!node)
        return false;
    // The transfer runs unlocked: it may take as long as the device lets it.
    const UsbStringResult result = usbStrings_.fetch(*node, static_cast<std::uint8_t>(index));
    if (result.accessDenied) {
        std::lock_guard lock(mutex_);
        lastStringFailure_ = OpenFailure{true, *node};
    }
    return result.text && deliver(*result.text, buffer, length);
}

bool LinuxHidPlatform::getSerialNumberString(HidHandle handle, std::uint8_t* buffer,
                                             std::uint32_t length) {
    std::optional<std::string> usbfsNode;
    std::uint8_t serialIndex = 0;
    {
        std::lock_guard lock(mutex_);
        OpenInterface* open = find(handle);
        if (open == nullptr)
            return false;
        char uniq[256] = {};
        std::string serial;
        const int n = retryIoctl(open->fd, HIDIOCGRAWUNIQ(sizeof uniq), uniq);
        if (n >= 0) {
            serial.assign(uniq, ::strnlen(uniq, std::min<std::size_t>(
                                                    sizeof uniq, static_cast<std::size_t>(n))));
        } else {
            // Kernels before 5.11 have no HIDIOCGRAWUNIQ.
            serial = HidrawDevice(open->hidraw).hidProperty("HID_UNIQ").value_or("");
        }
        if (!serial.empty())
            return deliver(utf8ToUtf16(serial), buffer, length);
        // Like Windows: a device without a serial number has no serial string.
        const HidrawDevice device(open->hidraw);
        serialIndex = device.usbSerialIndex();
        if (serialIndex == 0)
            return false;
        usbfsNode = device.usbfsNode();
    }
    // The kernel leaves the same trace for an empty serial string and for
    // one the device failed to give: only the device can tell them apart.
    // The transfer runs unlocked, as every string request does.
    const UsbStringResult result =
        usbfsNode ? usbStrings_.fetch(*usbfsNode, serialIndex) : UsbStringResult{};
    if (result.text)
        return deliver(*result.text, buffer, length);
    // Without access to the device node the serial cannot be asked for; the
    // board is listed as the kernel shows it rather than hidden.
    return result.accessDenied && deliver(u"", buffer, length);
}

bool LinuxHidPlatform::deliverUsbString(HidHandle handle, const char* attribute,
                                        std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard lock(mutex_);
    const auto device = deviceOfHandle(handle);
    const auto text = device ? device->usbAttribute(attribute) : std::nullopt;
    return text && deliver(utf8ToUtf16(*text), buffer, length);
}

bool LinuxHidPlatform::getManufacturerString(HidHandle handle, std::uint8_t* buffer,
                                             std::uint32_t length) {
    return deliverUsbString(handle, "manufacturer", buffer, length);
}

bool LinuxHidPlatform::getProductString(HidHandle handle, std::uint8_t* buffer,
                                        std::uint32_t length) {
    return deliverUsbString(handle, "product", buffer, length);
}

bool LinuxHidPlatform::getPreparsedData(HidHandle handle, PreparsedData& data) {
    std::lock_guard lock(mutex_);
    OpenInterface* open = find(handle);
    if (open == nullptr || !open->haveLengths)
        return false;
    data = nextPreparsed_++;
    preparsed_.emplace(data, open->lengths);
    return true;
}

bool LinuxHidPlatform::getCaps(PreparsedData data, HidCaps& caps) {
    std::lock_guard lock(mutex_);
    const auto it = preparsed_.find(data);
    if (it == preparsed_.end())
        return false;
    caps.InputReportByteLength = it->second.input;
    caps.OutputReportByteLength = it->second.output;
    caps.FeatureReportByteLength = it->second.feature;
    return true;
}

bool LinuxHidPlatform::freePreparsedData(PreparsedData data) {
    std::lock_guard lock(mutex_);
    return preparsed_.erase(data) == 1;
}

std::optional<std::uint32_t> LinuxHidPlatform::featureIoctl(HidHandle handle, unsigned long request,
                                                            void* buffer, std::uint32_t length) {
    if (buffer == nullptr || length == 0 || length > kMaxFeatureLength)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    OpenInterface* open = find(handle);
    if (open == nullptr || isSilent(*open))
        return std::nullopt;
    const auto start = std::chrono::steady_clock::now();
    const int n = retryIoctl(open->fd, request, buffer);
    if (n >= 0) {
        markAnswering(*open);
        return static_cast<std::uint32_t>(n);
    }
    if (errno == ETIMEDOUT || std::chrono::steady_clock::now() - start >= kGivenUpAfter)
        markSilent(*open);
    return std::nullopt;
}

bool LinuxHidPlatform::isSilent(const OpenInterface& open) const {
    return std::any_of(silentNodes_.begin(), silentNodes_.end(), [&](const SilentNode& silent) {
        return silent.node == open.node && silent.identity == open.identity;
    });
}

void LinuxHidPlatform::markSilent(const OpenInterface& open) {
    // Only feature requests: the board's input reports go on arriving, and
    // its lamps keep working while its settings cannot be read.
    if (!isSilent(open))
        silentNodes_.push_back(SilentNode{open.node, open.identity});
}

void LinuxHidPlatform::markAnswering(const OpenInterface& open) {
    std::erase_if(silentNodes_, [&](const SilentNode& silent) {
        return silent.node == open.node && silent.identity == open.identity;
    });
}

void LinuxHidPlatform::forgetGoneSilentNodes() {
    std::lock_guard lock(mutex_);
    // A device that went and came back is a new plug-in and is asked again.
    std::erase_if(silentNodes_, [](const SilentNode& silent) {
        const auto now = identityOf(silent.node);
        return !now || !(*now == silent.identity);
    });
}

bool LinuxHidPlatform::setFeature(HidHandle handle, const std::uint8_t* buffer,
                                  std::uint32_t length) {
    // The ioctl takes a non-const pointer but only reads the report.
    return featureIoctl(handle, HIDIOCSFEATURE(length), const_cast<std::uint8_t*>(buffer), length)
        .has_value();
}

bool LinuxHidPlatform::getFeature(HidHandle handle, std::uint8_t* buffer, std::uint32_t length) {
    // The kernel writes at most length bytes, starting with the report ID
    // taken from buffer[0], and counts the ID byte in what it returns; the
    // bytes after a short reply are left from before.
    const auto received = featureIoctl(handle, HIDIOCGFEATURE(length), buffer, length);
    return received && *received == length;
}

ReadResult LinuxHidPlatform::readInputReports(HidHandle handle, std::uint8_t* buffer,
                                              std::uint32_t length, Overlapped& /*overlapped*/) {
    std::lock_guard lock(mutex_);
    OpenInterface* open = find(handle);
    if (open == nullptr || !open->input)
        return {ReadOutcome::Failed, 0};
    return open->input->read(buffer, length);
}

EventHandle LinuxHidPlatform::createEvent(const SecurityAttributes& /*security*/,
                                          bool /*manualReset*/, bool /*initialState*/) {
    // hidraw needs no event object; a distinct nonzero token keeps the link's
    // "one event per run" bookkeeping honest.
    std::lock_guard lock(mutex_);
    return nextEvent_++;
}

} // namespace kestro
