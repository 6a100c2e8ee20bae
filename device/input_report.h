// Reading button state out of what one input-report read returned.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kestro {

inline constexpr std::uint32_t kReadRequestLength = 1000;
inline constexpr int kButtonBytes = 16;

using ButtonBytes = std::array<std::uint8_t, kButtonBytes>;

// The 16 button bytes of the newest whole report among the count bytes read,
// reports being inputReportByteLength bytes long (report ID first). Nothing
// when less than one whole report was read. Button bytes that a short report
// does not carry read as released; no byte past count is ever looked at.
std::optional<ButtonBytes> newestButtonBytes(const std::uint8_t* buffer, std::uint32_t count,
                                             std::uint32_t inputReportByteLength);

} // namespace kestro
