#include "report_descriptor.h"

#include <array>
#include <limits>

namespace kestro {

namespace {

enum ReportType : std::size_t { kInput, kOutput, kFeature, kTypeCount };

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::uint8_t kTypeMain = 0;
constexpr std::uint8_t kTypeGlobal = 1;

constexpr std::uint8_t kMainInput = 0x8;
constexpr std::uint8_t kMainOutput = 0x9;
constexpr std::uint8_t kMainFeature = 0xB;

constexpr std::uint8_t kGlobalReportSize = 0x7;
constexpr std::uint8_t kGlobalReportId = 0x8;
constexpr std::uint8_t kGlobalReportCount = 0x9;
constexpr std::uint8_t kGlobalPush = 0xA;
constexpr std::uint8_t kGlobalPop = 0xB;

// Deeper nesting than any real descriptor uses; past it the descriptor is
// taken as hostile and the walk stops.
constexpr std::size_t kMaxPushDepth = 32;

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    return a > max - b ? max : a + b;
}

std::uint16_t byteLength(std::uint64_t bits) {
    if (bits == 0)
        return 0;
    const std::uint64_t bytes = bits / 8 + (bits % 8 != 0 ? 1 : 0);
    // One more for the report ID, which Windows counts even without IDs.
    const std::uint64_t max = std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint16_t>(bytes >= max ? max : bytes + 1);
}

} // namespace

ReportLengths reportLengthsFromDescriptor(const std::uint8_t* descriptor, std::size_t size) {
    ReportLengths lengths;
    if (descriptor == nullptr)
        return lengths;

    // Bits per report ID and type; slot 0 holds the reports of a device
    // without IDs.
    std::array<std::array<std::uint64_t, kTypeCount>, 256> bits{};
    std::array<GlobalState, kMaxPushDepth> stack{};
    std::size_t depth = 0;
    GlobalState state;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            // bDataSize, bLongItemTag, then the data; no long item is defined.
            if (size - at < 3)
                break;
            const std::size_t dataSize = descriptor[at + 1];
            if (size - at - 3 < dataSize)
                break;
            at += 3 + dataSize;
            continue;
        }

        static constexpr std::size_t kDataSize[] = {0, 1, 2, 4};
        const std::size_t dataSize = kDataSize[prefix & 0x3];
        if (size - at - 1 < dataSize)
            break;
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < dataSize; ++k)
            value |= static_cast<std::uint32_t>(descriptor[at + 1 + k]) << (8 * k);
        at += 1 + dataSize;

        const std::uint8_t type = (prefix >> 2) & 0x3;
        const std::uint8_t tag = prefix >> 4;
        if (type == kTypeMain) {
            std::size_t reportType = kTypeCount;
            if (tag == kMainInput)
                reportType = kInput;
            else if (tag == kMainOutput)
                reportType = kOutput;
            else if (tag == kMainFeature)
                reportType = kFeature;
            if (reportType == kTypeCount)
                continue;
            // Both are at most 2^32 - 1, so the product fits in 64 bits.
            const std::uint64_t itemBits =
                static_cast<std::uint64_t>(state.reportSize) * state.reportCount;
            std::uint64_t& total = bits[state.reportId][reportType];
            total = saturatingAdd(total, itemBits);
        } else if (type == kTypeGlobal) {
            if (tag == kGlobalReportSize) {
                state.reportSize = value;
            } else if (tag == kGlobalReportCount) {
                state.reportCount = value;
            } else if (tag == kGlobalReportId) {
                // 0 is reserved and IDs are one byte: anything else is ignored
                // rather than folded onto another report.
                if (value >= 1 && value <= 255) {
                    state.reportId = static_cast<std::uint8_t>(value);
                    lengths.usesReportIds = true;
                }
            } else if (tag == kGlobalPush) {
                if (depth == stack.size())
                    break;
                stack[depth++] = state;
            } else if (tag == kGlobalPop) {
                if (depth == 0)
                    break;
                state = stack[--depth];
            }
        }
    }

    std::array<std::uint64_t, kTypeCount> largest{};
    for (const auto& perId : bits)
        for (std::size_t t = 0; t < kTypeCount; ++t)
            if (perId[t] > largest[t])
                largest[t] = perId[t];
    lengths.input = byteLength(largest[kInput]);
    lengths.output = byteLength(largest[kOutput]);
    lengths.feature = byteLength(largest[kFeature]);
    return lengths;
}

} // namespace kestro
