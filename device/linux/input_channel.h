// The input reports of one open hidraw node. The kernel keeps at most 64
// reports per open node and drops the newest ones when that queue is full,
// so a read handle is drained by a thread of its own into a ring that drops
// the oldest instead: after a busy spell the next read still ends with the
// newest report the board sent.
#pragma once

#include "hid_platform.h"
#include "report_ring.h"

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kestro::linux_hid {

class InputChannel {
public:
    // fd stays the caller's, and must stay open until the channel is gone.
    // slot is the input report length, ID byte included; numbered says
    // whether hidraw hands the ID over. Without drainInBackground the node
    // is drained only when read.
    InputChannel(int fd, std::uint32_t slot, bool numbered, bool drainInBackground);
    // Stops and joins the thread; nothing of the channel outlives it.
    ~InputChannel();
    InputChannel(const InputChannel&) = delete;
    InputChannel& operator=(const InputChannel&) = delete;

    // Drains the node, then hands back the newest whole reports that fit.
    // Once the node has failed (the board is gone), what was read before the
    // failure comes first, then every read fails.
    ReadResult read(std::uint8_t* buffer, std::uint32_t length);

private:
    // Moves the reports the kernel holds into the ring, at most a bounded
    // number per call; under mutex_.
    void drain();
    void run();
    // Waits out the rest after a drain; true when the channel is stopping.
    bool restUnlessStopped(int milliseconds);
    void stopThread();

    const int fd_;
    const bool numbered_;
    std::mutex mutex_;
    ReportRing ring_;
    std::vector<std::uint8_t> scratch_;
    bool failed_ = false;
    // Reports taken from the node by any drain, which sets the thread's pace.
    std::uint64_t arrived_ = 0;
    int wake_ = -1;
    std::thread thread_;
};

} // namespace kestro::linux_hid
