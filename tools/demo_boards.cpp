#include "demo_boards.h"

namespace kestro::demo {

namespace {
constexpr int kButtons = 128;
constexpr int kButtonBytes = 16;
constexpr int kReportLength = 17;
constexpr int kStepMs = 120;
constexpr int kPlugCycleMs = 10000;
// The window takes only the newest report; more would pile up unread while a
// board is not the open one.
constexpr std::size_t kMaxQueued = 8;

std::vector<std::uint8_t> emptyReport() {
    return std::vector<std::uint8_t>(kReportLength, 0);
}

void press(std::vector<std::uint8_t>& report, int button) {
    report[1 + static_cast<std::size_t>(button / 8)] |=
        static_cast<std::uint8_t>(1u << (button % 8));
}

sim::Board demoBoard(std::u16string serial, std::uint16_t version) {
    sim::Board board = sim::saneBoard(std::move(serial));
    board.versionNumber = version;
    return board;
}
} // namespace

std::vector<std::uint8_t> runningLight(int step) {
    std::vector<std::uint8_t> report = emptyReport();
    for (int tail = 0; tail < 3; ++tail)
        press(report, (step + tail) % kButtons);
    return report;
}

std::vector<std::uint8_t> fallingRow(int step) {
    std::vector<std::uint8_t> report = emptyReport();
    report[1 + static_cast<std::size_t>(step % kButtonBytes)] = 0xFF;
    return report;
}

DemoBoards::DemoBoards(sim::SimPlatform& sim)
    : sim_(sim), first_(sim.plug(demoBoard(u"KD-0001", 0x0103))),
      second_(sim.plug(demoBoard(u"KD-0002", 0x0101))), secondBoard_(sim.board(second_)) {
    connect(&buttons_, &QTimer::timeout, this, &DemoBoards::queueNextReports);
    connect(&plugCycle_, &QTimer::timeout, this, &DemoBoards::togglePlug);
}

void DemoBoards::start() {
    buttons_.start(kStepMs);
    plugCycle_.start(kPlugCycleMs);
}

void DemoBoards::queueFor(sim::SimPlatform::DeviceId id, const std::vector<std::uint8_t>& report) {
    if (!sim_.plugged(id) || sim_.board(id).inputReports.size() >= kMaxQueued)
        return;
    sim_.queueInputReport(id, report);
}

void DemoBoards::queueNextReports() {
    ++step_;
    queueFor(first_, runningLight(step_));
    queueFor(second_, fallingRow(step_));
}

void DemoBoards::togglePlug() {
    if (secondPlugged_) {
        // Settings live in the board: keep what the user wrote to it for
        // when it comes back, but not the reports it had queued.
        secondBoard_ = sim_.board(second_);
        secondBoard_.inputReports.clear();
        secondBoard_.firmware.received.clear();
        sim_.unplug(second_);
    } else {
        second_ = sim_.plug(secondBoard_);
    }
    secondPlugged_ = !secondPlugged_;
}

} // namespace kestro::demo
