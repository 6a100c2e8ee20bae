#include "sysfs.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace kestro::linux_hid {

namespace {

// Attributes we read are a line or two; uevent is the longest.
constexpr std::size_t kMaxAttribute = 4096;
// A hidraw device sits a few levels below its USB device (device, interface,
// usb device); more than this is not a parent of ours.
constexpr int kMaxParentLevels = 4;

std::optional<unsigned> parseNumber(std::string_view text, int base, unsigned max) {
    if (text.empty())
        return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

std::string_view trimLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    return text;
}

bool isUsbDevice(const std::string& dir) {
    char target[PATH_MAX];
    const std::string link = dir + "/subsystem";
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    const std::string_view subsystem(target, static_cast<std::size_t>(n));
    const std::size_t slash = subsystem.rfind('/');
    const std::string_view name =
        slash == std::string_view::npos ? subsystem : subsystem.substr(slash + 1);
    // USB interfaces share the subsystem; only the device has a devnum.
    return name == "usb" && ::access((dir + "/devnum").c_str(), R_OK) == 0 &&
           ::access((dir + "/busnum").c_str(), R_OK) == 0;
}

} // namespace

std::optional<unsigned> hidrawNumber(std::string_view nodePath) {
    constexpr std::string_view kPrefix = "/dev/hidraw";
    if (nodePath.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    const std::string_view digits = nodePath.substr(kPrefix.size());
    // No sign, no leading zeros: one spelling per node.
    if (digits.empty() || digits.size() > 6 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return parseNumber(digits, 10, 999999);
}

std::vector<unsigned> listHidraw(const std::string& classDir) {
    std::vector<unsigned> numbers;
    DIR* dir = ::opendir(classDir.c_str());
    if (dir == nullptr)
        return numbers;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string path = std::string("/dev/") + entry->d_name;
        if (const auto n = hidrawNumber(path))
            numbers.push_back(*n);
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<std::string> ueventValue(std::string_view uevent, std::string_view key) {
    while (!uevent.empty()) {
        const std::size_t end = uevent.find('\n');
        const std::string_view line = uevent.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
        if (end == std::string_view::npos)
            break;
        uevent.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::optional<HidId> parseHidId(std::string_view uevent) {
    const auto value = ueventValue(uevent, "HID_ID");
    if (!value)
        return std::nullopt;
    const std::string_view text = *value;
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const auto bus = parseNumber(text.substr(0, first), 16, 0xFFFF);
    const auto vendor = parseNumber(text.substr(first + 1, second - first - 1), 16, 0xFFFF);
    const auto product = parseNumber(text.substr(second + 1), 16, 0xFFFF);
    if (!bus || !vendor || !product)
        return std::nullopt;
    return HidId{*bus, static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

std::optional<std::uint16_t> parseHex16(std::string_view text) {
    const auto value = parseNumber(trimLine(text), 16, 0xFFFF);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::optional<unsigned> parseDecimal(std::string_view text, unsigned max) {
    return parseNumber(trimLine(text), 10, max);
}

std::optional<std::string> readAttribute(const std::string& path) {
    auto text = readBinaryAttribute(path);
    if (text && !text->empty() && text->back() == '\n')
        text->pop_back();
    return text;
}

std::optional<std::uint8_t> serialNumberIndex(std::string_view descriptors) {
    constexpr std::size_t kDeviceDescriptorLength = 18;
    constexpr std::uint8_t kDeviceDescriptorType = 1;
    constexpr std::size_t kSerialIndexAt = 16;
    if (descriptors.size() < kDeviceDescriptorLength ||
        static_cast<std::uint8_t>(descriptors[0]) != kDeviceDescriptorLength ||
        static_cast<std::uint8_t>(descriptors[1]) != kDeviceDescriptorType)
        return std::nullopt;
    return static_cast<std::uint8_t>(descriptors[kSerialIndexAt]);
}

std::optional<std::string> readBinaryAttribute(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text(kMaxAttribute, '\0');
    std::size_t used = 0;
    bool failed = false;
    while (used < text.size()) {
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    text.resize(used);
    return text;
}

std::optional<std::string> usbParentOf(const std::string& classDir, unsigned hidraw) {
    const std::string link = classDir + "/hidraw" + std::to_string(hidraw) + "/device";
    char* resolved = ::realpath(link.c_str(), nullptr);
    if (resolved == nullptr)
        return std::nullopt;
    std::string dir(resolved);
    std::free(resolved);
    for (int level = 0; level < kMaxParentLevels; ++level) {
        const std::size_t slash = dir.rfind('/');
        if (slash == std::string::npos || slash == 0)
            break;
        dir.resize(slash);
        if (dir == "/sys/devices")
            break;
        if (isUsbDevice(dir))
            return dir;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> hidInputVersion(const std::string& classDir, unsigned hidraw) {
    const std::string inputs = classDir + "/hidraw" + std::to_string(hidraw) + "/device/input";
    DIR* dir = ::opendir(inputs.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::optional<std::uint16_t> version;
    while (const dirent* entry = ::readdir(dir)) {
        // Every input device of one HID device carries the same version.
        if (std::string_view(entry->d_name).substr(0, 5) != "input")
            continue;
        if (const auto text = readAttribute(inputs + "/" + entry->d_name + "/id/version")) {
            version = parseHex16(*text);
            if (version)
                break;
        }
    }
    ::closedir(dir);
    return version;
}

} // namespace kestro::linux_hid
