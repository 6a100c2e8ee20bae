// One switchable debug log for everything that crosses the HID boundary.
// device/ only formats lines; whoever embeds it decides where they go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestro {

using HidLogSink = std::function<void(std::string_view line)>;

// An empty sink switches the log off (the default).
void setHidLogSink(HidLogSink sink);
bool hidLogEnabled();
void hidLog(std::string_view line);

// "00 ee 28 04 ..." for bytes [0, length).
std::string hexBytes(const std::uint8_t* data, std::size_t length);

} // namespace kestro
