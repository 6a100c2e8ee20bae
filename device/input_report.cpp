#include "input_report.h"

namespace kestro {

std::optional<ButtonBytes> newestButtonBytes(const std::uint8_t* buffer, std::uint32_t count,
                                             std::uint32_t inputReportByteLength) {
    if (inputReportByteLength == 0 || count < inputReportByteLength)
        return std::nullopt;
    const std::uint32_t start = count - inputReportByteLength;
    ButtonBytes bytes{};
    for (std::uint32_t i = 0; i < kButtonBytes; ++i) {
        const std::uint32_t at = 1 + i;
        if (at < inputReportByteLength)
            bytes[i] = buffer[start + at];
    }
    return bytes;
}

} // namespace kestro
