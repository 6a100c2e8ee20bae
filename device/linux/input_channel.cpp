#include "input_channel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kestro::linux_hid {

namespace {
// What the ring may hold: more than any caller reads at once (the poll loop
// asks for 1000 bytes), little enough per open board.
constexpr std::uint32_t kRingBytes = 16384;
// Reports one drain takes at most: the most a HID driver queues, so that a
// board sending faster than we read cannot keep a call busy.
constexpr int kMaxReadsPerDrain = 512;
// How long the drain thread rests after a drain before it looks again. The
// kernel keeps 64 reports per open node and drops the newest beyond them, so
// the rest adapts to the board's pace: a board that reports at every USB poll
// woke the thread once per report, while some 32 reports per look keep the
// queue half empty. The poll tick's reads drain the node too, and count
// towards the pace. A board that starts sending after a pause is looked at
// again after the shortest rest, about a frame, which holds 64 reports up to
// 4 kHz.
constexpr int kShortestRestMs = 16;
constexpr int kLongestRestMs = 250;
constexpr std::uint64_t kFewReports = 16;
constexpr std::uint64_t kManyReports = 40;

int nextRestMs(int restMs, std::uint64_t arrivedSinceLastLook, bool afterPause) {
    if (afterPause || arrivedSinceLastLook >= kManyReports)
        return kShortestRestMs;
    if (arrivedSinceLastLook <= kFewReports)
        return std::min(2 * restMs, kLongestRestMs);
    return restMs;
}
} // namespace

InputChannel::InputChannel(int fd, std::uint32_t slot, bool numbered, bool drainInBackground)
    : fd_(fd), numbered_(numbered), ring_(slot, kRingBytes / std::max<std::uint32_t>(slot, 1)),
      scratch_(ring_.slot(), 0) {
    if (!drainInBackground)
        return;
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0)
        return; // reads still drain; only a long spell between them loses reports
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        ::close(wake_);
        wake_ = -1;
    }
}

InputChannel::~InputChannel() {
    stopThread();
}

void InputChannel::stopThread() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    if (wake_ >= 0)
        ::close(wake_);
    wake_ = -1;
}

void InputChannel::drain() {
    for (int reads = 0; reads < kMaxReadsPerDrain && !failed_; ++reads) {
        // hidraw hands over one report per read, the ID byte first only when
        // the board numbers its reports; ours is 0 otherwise.
        const ssize_t n = ::read(fd_, scratch_.data(), scratch_.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed_ = errno != EAGAIN && errno != EWOULDBLOCK;
            return;
        }
        if (n == 0)
            return;
        const auto got = static_cast<std::size_t>(n);
        std::uint8_t* slot = ring_.nextSlot();
        if (numbered_)
            std::memcpy(slot, scratch_.data(), std::min<std::size_t>(got, ring_.slot()));
        else
            std::memcpy(slot + 1, scratch_.data(), std::min<std::size_t>(got, ring_.slot() - 1));
        ring_.commit();
        ++arrived_;
    }
}

void InputChannel::run() {
    // Named for whoever lists the program's threads.
    ::pthread_setname_np(::pthread_self(), "kestro-input");
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    int restMs = kShortestRestMs;
    std::uint64_t arrivedAtLastLook = 0;
    for (;;) {
        const auto waitStart = std::chrono::steady_clock::now();
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return; // reads still drain the node themselves
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents == 0)
            continue;
        const bool afterPause = std::chrono::steady_clock::now() - waitStart >
                                std::chrono::milliseconds(kShortestRestMs);
        {
            std::lock_guard lock(mutex_);
            drain();
            // A node that failed or went away has nothing more to give, and
            // its poll would only wake the thread again and again.
            if (failed_ || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
                return;
            restMs = nextRestMs(restMs, arrived_ - arrivedAtLastLook, afterPause);
            arrivedAtLastLook = arrived_;
        }
        if (restUnlessStopped(restMs))
            return;
    }
}

bool InputChannel::restUnlessStopped(int milliseconds) {
    pollfd wake = {wake_, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&wake, 1, milliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0;
    }
}

ReadResult InputChannel::read(std::uint8_t* buffer, std::uint32_t length) {
    if (buffer == nullptr || length < ring_.slot())
        return {ReadOutcome::Failed, 0};
    std::lock_guard lock(mutex_);
    drain();
    if (!ring_.empty())
        return {ReadOutcome::Reports, ring_.takeNewest(buffer, length)};
    return {failed_ ? ReadOutcome::Failed : ReadOutcome::NothingQueued, 0};
}

} // namespace kestro::linux_hid
