// The input reports of one open hidraw node. The kernel keeps at most 64
// reports per open node and drops the newest ones when that queue is full,
// so a read handle is drained into a ring that drops the oldest instead: by
// its reads as a rule, and by a thread of its own when the reads fall behind.
// After a busy spell the next read still ends with the newest report the
// board sent.
#pragma once

#include "drain_pace.h"
#include "hid_platform.h"
#include "report_ring.h"

#include <cstdint>
#include <mutex>
#include <sys/uio.h>
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
    // number per call, and sets when the thread must look next; under mutex_.
    void look();
    struct Batch {
        int reports;
        // False once the node was found empty, failed or went away.
        bool more;
    };
    // One call's worth of reports into the ring; under mutex_.
    Batch readBatch(int wanted);
    void keep(const std::uint8_t* report, std::size_t length);
    void run();
    void stopThread();
    void closeThreadDescriptors();

    const int fd_;
    const bool numbered_;
    std::mutex mutex_;
    ReportRing ring_;
    // What one read of the node gives for one report.
    const std::uint32_t reportLength_;
    std::vector<std::uint8_t> scratch_;
    // One entry per report, each reportLength_ long, into scratch_.
    std::vector<iovec> batch_;
    bool vectored_ = true;
    bool failed_ = false;
    // Reports taken from the node by any look, which sets the thread's pace.
    std::uint64_t arrived_ = 0;
    DrainPace pace_;
    // Set when the thread is due to look, by every look that found reports.
    int timer_ = -1;
    bool timerArmed_ = false;
    int wake_ = -1;
    std::thread thread_;
};

} // namespace kestro::linux_hid
