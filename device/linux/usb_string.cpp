#include "usb_string.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestro::linux_hid {

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr std::uint8_t kDescriptorTypeString = 3;
constexpr std::uint8_t kRequestGetDescriptor = 6;
constexpr std::uint8_t kDeviceToHostStandardDevice = 0x80;
constexpr std::uint16_t kUsEnglish = 0x0409;
// The window waits on every request, and must never wait 250 ms; a device
// that answers at all answers a string within a few milliseconds. The
// language table, asked once per device, may take half of it.
constexpr Milliseconds kStringBudget{150};
constexpr Milliseconds kLanguageTimeout{75};

// A descriptor is at most 255 bytes (bLength is one byte).
using DescriptorBuffer = std::array<std::uint8_t, 255>;

// Bytes received, or nothing when the transfer failed or timed out.
std::optional<std::size_t> getStringDescriptor(int fd, std::uint8_t index, std::uint16_t langId,
                                               Milliseconds timeout, DescriptorBuffer& buffer) {
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = kDeviceToHostStandardDevice;
    transfer.bRequest = kRequestGetDescriptor;
    transfer.wValue = static_cast<std::uint16_t>((kDescriptorTypeString << 8) | index);
    transfer.wIndex = langId;
    transfer.wLength = static_cast<std::uint16_t>(buffer.size());
    // 0 would mean no timeout at all.
    transfer.timeout = static_cast<std::uint32_t>(std::max<Milliseconds::rep>(timeout.count(), 1));
    transfer.data = buffer.data();
    int n = 0;
    do {
        n = ::ioctl(fd, USBDEVFS_CONTROL, &transfer);
    } while (n < 0 && errno == EINTR);
    if (n < 0 || static_cast<std::size_t>(n) > buffer.size())
        return std::nullopt;
    return static_cast<std::size_t>(n);
}

NodeIdentity identityFrom(const struct stat& st) {
    return NodeIdentity{st.st_ino, st.st_rdev};
}

} // namespace

std::optional<NodeIdentity> identityOfFd(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

std::optional<std::u16string> decodeStringDescriptor(const std::uint8_t* data,
                                                     std::size_t received) {
    if (data == nullptr || received < 2)
        return std::nullopt;
    const std::size_t length = data[0];
    if (length < 2 || length > received || length % 2 != 0 || data[1] != kDescriptorTypeString)
        return std::nullopt;
    std::u16string text;
    for (std::size_t at = 2; at + 1 < length; at += 2)
        text.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
    return text;
}

std::optional<NodeIdentity> identityOf(const std::string& node) {
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

const LanguageCache::Entry* LanguageCache::findEntry(const std::string& node,
                                                     const NodeIdentity& identity) const {
    const auto it = languages_.find(node);
    if (it == languages_.end() || !(it->second.identity == identity))
        return nullptr;
    return &it->second;
}

LanguageCache::Entry& LanguageCache::entryFor(const std::string& node,
                                              const NodeIdentity& identity) {
    Entry& entry = languages_[node];
    if (!(entry.identity == identity))
        entry = Entry{identity, std::nullopt, {}};
    return entry;
}

std::optional<std::uint16_t> LanguageCache::find(const std::string& node,
                                                 const NodeIdentity& identity) const {
    const Entry* entry = findEntry(node, identity);
    return entry ? entry->language : std::nullopt;
}

void LanguageCache::remember(const std::string& node, const NodeIdentity& identity,
                             std::uint16_t language) {
    entryFor(node, identity).language = language;
}

bool LanguageCache::failedBefore(const std::string& node, const NodeIdentity& identity,
                                 std::uint8_t index) const {
    const Entry* entry = findEntry(node, identity);
    return entry && entry->failed.test(index);
}

void LanguageCache::rememberFailure(const std::string& node, const NodeIdentity& identity,
                                    std::uint8_t index) {
    entryFor(node, identity).failed.set(index);
}

void LanguageCache::forgetGone() {
    for (auto it = languages_.begin(); it != languages_.end();) {
        const auto now = identityOf(it->first);
        if (now && *now == it->second.identity)
            ++it;
        else
            it = languages_.erase(it);
    }
}

std::uint16_t UsbStringReader::languageOf(int fd, const std::string& node) {
    const auto identity = identityOfFd(fd);
    if (identity) {
        std::lock_guard lock(mutex_);
        if (const auto known = languages_.find(node, *identity))
            return *known;
    }
    std::uint16_t language = kUsEnglish;
    DescriptorBuffer buffer{};
    if (const auto received = getStringDescriptor(fd, 0, 0, kLanguageTimeout, buffer)) {
        const auto languages = decodeStringDescriptor(buffer.data(), *received);
        if (languages && !languages->empty())
            language = static_cast<std::uint16_t>((*languages)[0]);
    }
    // Remembered even when the device did not answer: it is not asked again.
    if (identity) {
        std::lock_guard lock(mutex_);
        languages_.remember(node, *identity, language);
    }
    return language;
}

UsbStringResult UsbStringReader::fetch(const std::string& usbfsNode, std::uint8_t index) {
    if (index == 0)
        return {};
    const auto deadline = Clock::now() + kStringBudget;
    const int fd = ::open(usbfsNode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return {std::nullopt, errno == EACCES || errno == EPERM};
    // A device that failed to give this string holds every walk as long
    // again if asked: once per plug-in is enough.
    const auto identity = identityOfFd(fd);
    if (identity) {
        std::lock_guard lock(mutex_);
        if (languages_.failedBefore(usbfsNode, *identity, index)) {
            ::close(fd);
            return {};
        }
    }

    const std::uint16_t language = languageOf(fd, usbfsNode);
    const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now());
    DescriptorBuffer buffer{};
    UsbStringResult result;
    if (const auto received = getStringDescriptor(fd, index, language, left, buffer))
        result.text = decodeStringDescriptor(buffer.data(), *received);
    ::close(fd);
    if (!result.text && identity) {
        std::lock_guard lock(mutex_);
        languages_.rememberFailure(usbfsNode, *identity, index);
    }
    return result;
}

void UsbStringReader::forgetGoneDevices() {
    std::lock_guard lock(mutex_);
    languages_.forgetGone();
}

} // namespace kestro::linux_hid
