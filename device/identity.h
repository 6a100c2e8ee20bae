// What makes an interface a Kestro board.
#pragma once

#include "kestro_ids.h"

#include <cstddef>
#include <cstdint>

namespace kestro {

// The device string that carries the board's name.
inline constexpr std::uint32_t kNameStringIndex = 42;
inline constexpr char kBoardName[] = "Kestro";

constexpr bool isKestroProductId(std::uint16_t productId) {
    return (productId >= 0x1140 && productId <= 0x114A) ||
           (productId >= 0x1150 && productId <= 0x115A);
}

// True when the low bytes of the first six UTF-16LE code units in buffer spell
// the board name exactly. Reads at most the first 12 bytes of buffer.
bool nameBeginsWithKestro(const std::uint8_t* buffer, std::size_t size);

} // namespace kestro
