#include "identity.h"

namespace kestro {

bool nameBeginsWithKestro(const std::uint8_t* buffer, std::size_t size) {
    constexpr std::size_t kLength = sizeof(kBoardName) - 1;
    if (size < 2 * kLength)
        return false;
    for (std::size_t i = 0; i < kLength; ++i) {
        if (buffer[2 * i] != static_cast<std::uint8_t>(kBoardName[i]))
            return false;
    }
    return true;
}

} // namespace kestro
