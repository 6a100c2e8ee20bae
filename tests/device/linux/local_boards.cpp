#include "local_boards.h"

#include "board_descriptors.h"
#include "sim/sim_firmware.h"
#include "uhid_board.h"
#include "usb_gadget.h"

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace kestro::test {
namespace {

constexpr std::size_t kFeatureLength = 65;

// A uhid board whose feature requests the simulated firmware answers.
class FirmwareUhid final : public TestBoard {
public:
    explicit FirmwareUhid(const UhidBoardInfo& info)
        : board_(info, FeatureAnswers{[this](std::uint8_t, const Bytes& data) { set(data); },
                                      [this](std::uint8_t number, Bytes& data) {
                                          return get(number, data);
                                      }}) {}
    const std::string& node() const override { return board_.node(); }
    bool input(const Bytes& report) override { return board_.input(report); }
    bool unplug() override {
        board_.destroy();
        return true;
    }
    std::vector<Bytes> sets() override {
        std::lock_guard lock(mutex_);
        return firmware_.received;
    }
    std::vector<Bytes> gets() override {
        std::lock_guard lock(mutex_);
        return replies_;
    }
    bool shortReplies(std::size_t length) override {
        std::lock_guard lock(mutex_);
        replyLength_ = length;
        return true;
    }
    bool refuseFetches() override {
        board_.failGets(true);
        return true;
    }

private:
    void set(const Bytes& data) {
        std::lock_guard lock(mutex_);
        firmware_.receive(data.data(), static_cast<std::uint32_t>(data.size()));
    }
    bool get(std::uint8_t number, Bytes& data) {
        std::lock_guard lock(mutex_);
        data.assign(kFeatureLength, 0);
        data[0] = number;
        const bool ok = firmware_.answer(data.data(), static_cast<std::uint32_t>(data.size()));
        data.resize(std::min(replyLength_, data.size()));
        replies_.push_back(ok ? data : Bytes{});
        return ok;
    }

    std::mutex mutex_;
    sim::Firmware firmware_;
    std::vector<Bytes> replies_;
    std::size_t replyLength_ = kFeatureLength;
    UhidBoard board_; // last: its responder thread uses everything above
};

// A board on a cable: usbhid over dummy_hcd. The function answers fetches
// with zeros and hands the data of every set request to its node.
class GadgetBoard final : public TestBoard {
public:
    explicit GadgetBoard(const UsbGadgetInfo& info) : gadget_(std::make_unique<UsbGadget>(info)) {
        node_ = gadget_->node();
        function_ = gadget_->functionNode();
    }
    const std::string& node() const override { return node_; }
    const std::string& error() const { return gadget_->error(); }
    bool input(const Bytes& report) override {
        const int fd = ::open(function_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool ok =
            ::write(fd, report.data(), report.size()) == static_cast<ssize_t>(report.size());
        ::close(fd);
        return ok;
    }
    bool unplug() override {
        gadget_.reset();
        return true;
    }
    std::vector<Bytes> sets() override {
        const int fd = ::open(function_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            std::uint8_t data[kFeatureLength];
            ssize_t n = 0;
            while ((n = ::read(fd, data, sizeof data)) > 0) {
                // Unnumbered: the wire carries no report ID, ours is 0.
                Bytes frame{0};
                frame.insert(frame.end(), data, data + n);
                received_.push_back(frame);
            }
            ::close(fd);
        }
        return received_;
    }
    std::vector<Bytes> gets() override { return {}; }
    bool shortReplies(std::size_t) override { return false; }
    bool refuseFetches() override { return false; }

private:
    std::unique_ptr<UsbGadget> gadget_;
    std::string node_;
    std::string function_;
    std::vector<Bytes> received_;
};

} // namespace

std::unique_ptr<TestBoard> makeLocalBoard(const TestBoardShape& shape, std::string& error) {
    if (shape.kind == BoardKind::Uhid) {
        auto board = std::make_unique<FirmwareUhid>(UhidBoardInfo{
            shape.name, shape.serial, shape.vendor, shape.product, shape.version, kUnnumbered});
        if (board->node().empty()) {
            error = "the kernel refused the board";
            return nullptr;
        }
        return board;
    }
    // A 64-byte function report, so that a fetch is answered with a whole
    // feature report's worth of data.
    auto board = std::make_unique<GadgetBoard>(
        UsbGadgetInfo{shape.vendor, shape.product, shape.version, "Test Maker", "Test Board",
                      shape.serial, 64, kUnnumbered, true});
    if (board->node().empty()) {
        error = board->error();
        return nullptr;
    }
    return board;
}

} // namespace kestro::test
