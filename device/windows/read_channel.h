// The input-report read of one overlapped handle, kept apart from the Win32
// calls so that the rules of a read that may still be running can be tested
// on any system. A HID driver hands out one report per read; a read that
// finds nothing queued stays outstanding and later completes into the memory
// it was given. So the channel owns that memory for as long as its read can
// complete, and the caller only ever sees copies of finished reports.
#pragma once

#include "hid_platform.h"

#include <cstdint>
#include <vector>

namespace kestro::windows_hid {

// One driver read, as the channel sees it.
enum class PortStatus {
    Completed, // a report is in the slot; bytes says how long it is
    Pending,   // the read is outstanding and will write into the slot later
    Failed,    // the read failed (the interface is gone, or any other error)
};

struct PortResult {
    PortStatus status = PortStatus::Failed;
    std::uint32_t bytes = 0;
};

// The three things the channel asks of the system.
class ReadPort {
public:
    virtual ~ReadPort() = default;
    // Starts one read of at most size bytes into slot.
    virtual PortResult start(std::uint8_t* slot, std::uint32_t size) = 0;
    // Whether the outstanding read has finished, without waiting.
    virtual PortResult poll() = 0;
    // Cancels the outstanding read and returns only once the driver is done
    // with the slot.
    virtual void cancelAndWait() = 0;
};

class ReadChannel {
public:
    // Reports the driver gives out one call drains at most: the most a HID
    // driver queues, so a board that reports faster than we read cannot keep
    // a call busy.
    static constexpr std::uint32_t kMaxReadsPerCall = 512;

    ReadChannel(ReadPort& port, std::uint32_t reportLength);
    ~ReadChannel();
    ReadChannel(const ReadChannel&) = delete;
    ReadChannel& operator=(const ReadChannel&) = delete;

    // Takes what finished since the last call and everything queued now, and
    // hands back the newest whole reports that fit in length bytes, back to
    // back, newest last. Never waits.
    ReadResult read(std::uint8_t* buffer, std::uint32_t length);
    // Ends an outstanding read; the slot may be released afterwards.
    void shutdown();
    bool outstanding() const { return pending_; }

private:
    // Keeps the report now in the slot among the newest that fit.
    void keep(std::uint32_t bytes, std::uint32_t capacity);
    ReadResult deliver(std::uint8_t* buffer, std::uint32_t capacity);

    ReadPort& port_;
    const std::uint32_t reportLength_;
    // Where the driver writes; allocated once, so its address never moves
    // while a read is outstanding.
    std::vector<std::uint8_t> slot_;
    // The newest reports of this call, reportLength_ bytes each, oldest at
    // ringStart_.
    std::vector<std::uint8_t> ring_;
    std::uint32_t ringStart_ = 0;
    std::uint32_t ringCount_ = 0;
    bool pending_ = false;
    // Reports came first and then the read failed: the failure is owed to
    // the next call, so that what the board sent last is not lost.
    bool failureOwed_ = false;
};

} // namespace kestro::windows_hid
