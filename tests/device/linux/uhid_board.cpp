#include "uhid_board.h"

#include "hidraw_nodes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace kestro::test {

namespace {

constexpr std::uint16_t kBusUsb = 3;

// The fields are packed, so they are passed by address and size.
void copyText(void* field, std::size_t size, const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

} // namespace

UhidBoard::UhidBoard(const UhidBoardInfo& info, FeatureAnswers answers)
    : answers_(std::move(answers)) {
    fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
        return;
    uhid_event event{};
    event.type = UHID_CREATE2;
    copyText(event.u.create2.name, sizeof event.u.create2.name, info.name);
    copyText(event.u.create2.uniq, sizeof event.u.create2.uniq, info.uniq);
    copyText(event.u.create2.phys, sizeof event.u.create2.phys, "kestro-test/" + info.name);
    const std::size_t size = std::min<std::size_t>(info.descriptor.size(), HID_MAX_DESCRIPTOR_SIZE);
    event.u.create2.rd_size = static_cast<std::uint16_t>(size);
    event.u.create2.bus = kBusUsb;
    event.u.create2.vendor = info.vendor;
    event.u.create2.product = info.product;
    event.u.create2.version = info.version;
    std::memcpy(event.u.create2.rd_data, info.descriptor.data(), size);
    if (!write(&event, sizeof event))
        return;
    // The kernel asks for feature reports while it probes, so answer first.
    responder_ = std::thread([this] { answerRequests(); });
    node_ = waitForHidrawNode("HID_NAME", info.name, std::chrono::seconds(10),
                              std::chrono::milliseconds(10));
}

UhidBoard::~UhidBoard() {
    destroy();
    stop_ = true;
    if (responder_.joinable())
        responder_.join();
    if (fd_ >= 0)
        ::close(fd_);
}

bool UhidBoard::write(const void* event, std::size_t size) {
    ssize_t n = 0;
    do {
        n = ::write(fd_, event, size);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(size);
}

bool UhidBoard::input(const Bytes& report) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    const std::size_t size = std::min<std::size_t>(report.size(), UHID_DATA_MAX);
    event.u.input2.size = static_cast<std::uint16_t>(size);
    std::memcpy(event.u.input2.data, report.data(), size);
    std::lock_guard lock(mutex_);
    return !destroyed_ && write(&event, sizeof event);
}

void UhidBoard::destroy() {
    std::lock_guard lock(mutex_);
    if (destroyed_ || fd_ < 0)
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    write(&event, sizeof event);
    destroyed_ = true;
}

Bytes UhidBoard::featureSet(std::uint8_t reportId) {
    std::lock_guard lock(mutex_);
    const auto it = features_.find(reportId);
    return it == features_.end() ? Bytes{} : it->second;
}

void UhidBoard::answerRequests() {
    while (!stop_) {
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, 50);
        if (ready <= 0 || (pfd.revents & POLLIN) == 0)
            continue;
        uhid_event event{};
        const ssize_t n = ::read(fd_, &event, sizeof event);
        if (n <= 0)
            continue;
        const bool request = event.type == UHID_GET_REPORT || event.type == UHID_SET_REPORT;
        if (request && toIgnore_ > 0) {
            --toIgnore_;
            ++ignored_;
            continue;
        }
        if (event.type == UHID_GET_REPORT) {
            uhid_event reply{};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            Bytes answer;
            if (failGets_ || (answers_.get && !answers_.get(event.u.get_report.rnum, answer))) {
                reply.u.get_report_reply.err = EIO;
            } else if (answers_.get) {
                const std::size_t size = std::min<std::size_t>(answer.size(), UHID_DATA_MAX);
                reply.u.get_report_reply.size = static_cast<std::uint16_t>(size);
                std::memcpy(reply.u.get_report_reply.data, answer.data(), size);
            } else {
                std::lock_guard lock(mutex_);
                Bytes data = features_[event.u.get_report.rnum];
                if (data.empty())
                    data.push_back(event.u.get_report.rnum);
                reply.u.get_report_reply.size = static_cast<std::uint16_t>(data.size());
                std::memcpy(reply.u.get_report_reply.data, data.data(), data.size());
            }
            std::lock_guard lock(mutex_);
            write(&reply, sizeof reply);
        } else if (event.type == UHID_SET_REPORT) {
            const std::size_t size = std::min<std::size_t>(event.u.set_report.size, UHID_DATA_MAX);
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            Bytes data(event.u.set_report.data, event.u.set_report.data + size);
            if (answers_.set)
                answers_.set(event.u.set_report.rnum, data);
            std::lock_guard lock(mutex_);
            features_[event.u.set_report.rnum] = std::move(data);
            write(&reply, sizeof reply);
        }
    }
}

} // namespace kestro::test
