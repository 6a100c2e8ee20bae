#include "sysfs.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace kestro::linux_hid {

namespace {

// The descriptors of a USB device with a few interfaces fit many times over.
constexpr std::size_t kMaxAttribute = 4096;

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

std::optional<HidId> parseHidId(std::string_view text) {
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

} // namespace kestro::linux_hid
