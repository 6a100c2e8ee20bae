#include "windows/read_channel.h"

#include <algorithm>
#include <cstring>

namespace kestro::windows_hid {

ReadChannel::ReadChannel(ReadPort& port, std::uint32_t reportLength)
    : port_(port), reportLength_(std::max<std::uint32_t>(reportLength, 1)), slot_(reportLength_) {}

ReadChannel::~ReadChannel() {
    shutdown();
}

void ReadChannel::shutdown() {
    if (!pending_)
        return;
    port_.cancelAndWait();
    pending_ = false;
}

void ReadChannel::keep(std::uint32_t bytes, std::uint32_t capacity) {
    if (bytes == 0)
        return;
    std::uint32_t at = 0;
    if (ringCount_ < capacity) {
        at = (ringStart_ + ringCount_) % capacity;
        ++ringCount_;
    } else {
        // Full: the oldest report makes room.
        at = ringStart_;
        ringStart_ = (ringStart_ + 1) % capacity;
    }
    std::uint8_t* out = ring_.data() + static_cast<std::size_t>(at) * reportLength_;
    // A driver that hands out less than a whole report leaves the rest zero,
    // so every report keeps its place at a multiple of the report length.
    const std::uint32_t used = std::min(bytes, reportLength_);
    std::memcpy(out, slot_.data(), used);
    std::memset(out + used, 0, reportLength_ - used);
}

ReadResult ReadChannel::deliver(std::uint8_t* buffer, std::uint32_t capacity) {
    for (std::uint32_t i = 0; i < ringCount_; ++i) {
        const std::uint32_t from = (ringStart_ + i) % capacity;
        std::memcpy(buffer + static_cast<std::size_t>(i) * reportLength_,
                    ring_.data() + static_cast<std::size_t>(from) * reportLength_, reportLength_);
    }
    return {ReadOutcome::Reports, ringCount_ * reportLength_};
}

ReadResult ReadChannel::read(std::uint8_t* buffer, std::uint32_t length) {
    if (failureOwed_) {
        failureOwed_ = false;
        return {ReadOutcome::Failed, 0};
    }
    // Less than one report of room is the caller's fault; the driver would
    // refuse such a read as well.
    const std::uint32_t capacity = buffer == nullptr ? 0 : length / reportLength_;
    if (capacity == 0)
        return {ReadOutcome::Failed, 0};
    ring_.resize(static_cast<std::size_t>(capacity) * reportLength_);
    ringStart_ = 0;
    ringCount_ = 0;

    bool failed = false;
    if (pending_) {
        const PortResult earlier = port_.poll();
        if (earlier.status == PortStatus::Pending)
            return {ReadOutcome::NothingQueued, 0};
        pending_ = false;
        if (earlier.status == PortStatus::Failed)
            return {ReadOutcome::Failed, 0};
        keep(earlier.bytes, capacity);
    }
    for (std::uint32_t reads = 0; reads < kMaxReadsPerCall; ++reads) {
        const PortResult next = port_.start(slot_.data(), reportLength_);
        if (next.status == PortStatus::Pending) {
            pending_ = true;
            break;
        }
        if (next.status == PortStatus::Failed) {
            failed = true;
            break;
        }
        keep(next.bytes, capacity);
    }

    if (ringCount_ > 0) {
        failureOwed_ = failed;
        return deliver(buffer, capacity);
    }
    return {failed ? ReadOutcome::Failed : ReadOutcome::NothingQueued, 0};
}

} // namespace kestro::windows_hid
