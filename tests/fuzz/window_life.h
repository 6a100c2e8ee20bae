// One life of the window, from start-up to unload, on a HID stack and a user
// both played by the fuzz input. Aborts on the first broken invariant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestro::fuzz {

void playWindowLife(const std::uint8_t* data, std::size_t size);

} // namespace kestro::fuzz
