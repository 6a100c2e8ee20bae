#include "report_ring.h"

#include <algorithm>
#include <cstring>

namespace kestro::linux_hid {

ReportRing::ReportRing(std::uint32_t slot, std::uint32_t capacity)
    : slot_(std::max<std::uint32_t>(slot, 1)), capacity_(std::max<std::uint32_t>(capacity, 1)),
      bytes_(static_cast<std::size_t>(slot_) * capacity_, 0) {}

std::uint8_t* ReportRing::nextSlot() {
    // When full this is the oldest report's slot, which commit() gives up.
    const std::uint32_t at = (oldest_ + count_) % capacity_;
    std::uint8_t* slot = bytes_.data() + static_cast<std::size_t>(at) * slot_;
    std::memset(slot, 0, slot_);
    return slot;
}

void ReportRing::commit() {
    if (count_ < capacity_)
        ++count_;
    else
        oldest_ = (oldest_ + 1) % capacity_;
}

std::uint32_t ReportRing::takeNewest(std::uint8_t* buffer, std::uint32_t length) {
    const std::uint32_t taken = std::min(count_, length / slot_);
    const std::uint32_t first = (oldest_ + count_ - taken) % capacity_;
    for (std::uint32_t i = 0; i < taken; ++i) {
        const std::uint32_t at = (first + i) % capacity_;
        std::memcpy(buffer + static_cast<std::size_t>(i) * slot_,
                    bytes_.data() + static_cast<std::size_t>(at) * slot_, slot_);
    }
    oldest_ = 0;
    count_ = 0;
    return taken * slot_;
}

} // namespace kestro::linux_hid
