// libFuzzer entry: one whole window life per input.
#include "window_life.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestro::fuzz::playWindowLife(data, size);
    return 0;
}
