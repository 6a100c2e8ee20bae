// libFuzzer entry: the descriptor walk must stay inside the buffer (ASan sees
// to that) and give lengths that can be real whatever the bytes say.
#include "linux/report_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kestro::ReportLengths lengths = kestro::reportLengthsFromDescriptor(data, size);
    // A declared report carries at least one data byte after its ID byte.
    for (std::uint16_t length : {lengths.input, lengths.output, lengths.feature})
        if (length == 1)
            std::abort();
    // Without a single item nothing can be declared.
    if (size == 0 && (lengths.input | lengths.output | lengths.feature) != 0)
        std::abort();
    return 0;
}
