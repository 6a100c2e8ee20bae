#include "input_channel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <sys/uio.h>
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
// Reports asked for with one readv: hidraw hands over one report per read,
// and the kernel reads a vector one entry at a time until an entry comes
// back short, so a board that streams is drained with one call, not one per
// report. hidraw keeps 64 reports per open node.
constexpr std::uint32_t kReportsPerCall = 64;
} // namespace

InputChannel::InputChannel(int fd, std::uint32_t slot, bool numbered, bool drainInBackground)
    : fd_(fd), numbered_(numbered), ring_(slot, kRingBytes / std::max<std::uint32_t>(slot, 1)),
      // Unnumbered reports come without the ID byte the ring keeps for them.
      reportLength_(numbered ? ring_.slot() : std::max<std::uint32_t>(ring_.slot() - 1, 1)) {
    const std::uint32_t perCall =
        std::clamp<std::uint32_t>(kRingBytes / reportLength_, 1, kReportsPerCall);
    scratch_.assign(std::size_t{perCall} * reportLength_, 0);
    for (std::uint32_t i = 0; i < perCall; ++i)
        batch_.push_back(iovec{scratch_.data() + std::size_t{i} * reportLength_, reportLength_});
    if (!drainInBackground)
        return;
    // Without either, reads still drain; only a long spell between them
    // loses reports.
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (wake_ < 0 || timer_ < 0) {
        closeThreadDescriptors();
        return;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        closeThreadDescriptors();
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
    closeThreadDescriptors();
}

void InputChannel::closeThreadDescriptors() {
    for (int* fd : {&wake_, &timer_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void InputChannel::look() {
    const std::uint64_t before = arrived_;
    for (int taken = 0; taken < kMaxReadsPerDrain && !failed_;) {
        const auto wanted =
            std::min<int>(static_cast<int>(batch_.size()), kMaxReadsPerDrain - taken);
        const Batch batch = readBatch(wanted);
        taken += batch.reports;
        if (!batch.more)
            break;
    }
    const auto wait = pace_.afterLook(DrainPace::Clock::now(), arrived_ - before);
    if (wait && timer_ >= 0) {
        itimerspec due{};
        due.it_value.tv_sec = static_cast<time_t>(wait->count() / 1000);
        due.it_value.tv_nsec = static_cast<long>(wait->count() % 1000) * 1000000L;
        timerArmed_ = ::timerfd_settime(timer_, 0, &due, nullptr) == 0;
    }
}

InputChannel::Batch InputChannel::readBatch(int wanted) {
    ssize_t n = 0;
    do {
        n = vectored_ ? ::readv(fd_, batch_.data(), wanted)
                      : ::read(fd_, scratch_.data(), reportLength_);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == EINVAL && vectored_) {
        // A kernel that reads no vectors from the node: one report a call.
        vectored_ = false;
        return {0, true};
    }
    if (n < 0) {
        failed_ = errno != EAGAIN && errno != EWOULDBLOCK;
        return {0, false};
    }
    const auto got = static_cast<std::size_t>(n);
    const std::size_t whole = got / reportLength_;
    const std::size_t tail = got % reportLength_;
    for (std::size_t i = 0; i < whole; ++i)
        keep(scratch_.data() + i * reportLength_, reportLength_);
    // A shorter report (another report ID) ends the vector early; it may
    // have more behind it.
    if (tail != 0)
        keep(scratch_.data() + whole * reportLength_, tail);
    const int reports = static_cast<int>(whole) + (tail != 0 ? 1 : 0);
    const bool filled = vectored_ ? static_cast<int>(whole) == wanted : got != 0;
    return {reports, tail != 0 || filled};
}

void InputChannel::keep(const std::uint8_t* report, std::size_t length) {
    // hidraw hands over the ID byte first only when the board numbers its
    // reports; ours is 0 otherwise.
    std::uint8_t* slot = ring_.nextSlot();
    if (numbered_)
        std::memcpy(slot, report, std::min<std::size_t>(length, ring_.slot()));
    else
        std::memcpy(slot + 1, report, std::min<std::size_t>(length, ring_.slot() - 1));
    ring_.commit();
    ++arrived_;
}

void InputChannel::run() {
    // Named for whoever lists the program's threads.
    ::pthread_setname_np(::pthread_self(), "kestro-input");
    for (;;) {
        bool watchNode = false;
        {
            std::lock_guard lock(mutex_);
            // While reports flow, the timer says when the queue needs a look;
            // a node that ran dry is watched for its first report instead.
            watchNode = !timerArmed_;
        }
        // Left out, not merely asked for no events: hidraw wakes every poller
        // of the node at each report, whatever it asked for.
        pollfd fds[3] = {
            {wake_, POLLIN, 0}, {timer_, POLLIN, 0}, {watchNode ? fd_ : -1, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return; // reads still drain the node themselves
        }
        if (fds[0].revents != 0)
            return;
        std::lock_guard lock(mutex_);
        if (fds[1].revents != 0) {
            std::uint64_t expirations = 0;
            // Nothing to read when a tick has set the timer again meanwhile.
            [[maybe_unused]] const ssize_t n = ::read(timer_, &expirations, sizeof expirations);
            timerArmed_ = false;
        }
        look();
        // A node that failed or went away has nothing more to give, and its
        // poll would only wake the thread again and again.
        if (failed_ || (fds[2].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return;
    }
}

ReadResult InputChannel::read(std::uint8_t* buffer, std::uint32_t length) {
    if (buffer == nullptr || length < ring_.slot())
        return {ReadOutcome::Failed, 0};
    std::lock_guard lock(mutex_);
    look();
    if (!ring_.empty())
        return {ReadOutcome::Reports, ring_.takeNewest(buffer, length)};
    return {failed_ ? ReadOutcome::Failed : ReadOutcome::NothingQueued, 0};
}

} // namespace kestro::linux_hid
