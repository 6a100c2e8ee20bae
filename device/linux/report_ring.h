// The newest input reports of one open interface, each in a slot of the
// input report length; when full, the oldest report makes room.
#pragma once

#include <cstdint>
#include <vector>

namespace kestro::linux_hid {

class ReportRing {
public:
    // capacity is in reports; both it and slot are at least 1.
    ReportRing(std::uint32_t slot, std::uint32_t capacity);

    std::uint32_t slot() const { return slot_; }
    bool empty() const { return count_ == 0; }

    // The zero-filled slot the next report goes into; it counts once
    // committed, so a read that brought nothing leaves the ring as it was.
    std::uint8_t* nextSlot();
    void commit();

    // The newest whole reports that fit in length bytes, back to back, the
    // newest last; everything older is dropped with them. Returns the bytes
    // written.
    std::uint32_t takeNewest(std::uint8_t* buffer, std::uint32_t length);

private:
    std::uint32_t slot_;
    std::uint32_t capacity_;
    std::vector<std::uint8_t> bytes_;
    std::uint32_t oldest_ = 0;
    std::uint32_t count_ = 0;
};

} // namespace kestro::linux_hid
