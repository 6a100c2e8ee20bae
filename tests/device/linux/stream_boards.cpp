// Boards for measuring what the program costs while it runs, from a process
// of its own so that the boards' work is not counted as the program's:
//
//   kestro_stream_boards RATE FOREIGN
//
// RATE > 0: a Kestro board that sends the same input report RATE times a
// second, as many boards do at every USB poll whether or not a button
// changed; RATE 0: the board sends nothing; RATE < 0: no Kestro board.
// FOREIGN: idle HID devices of another vendor beside it. Prints "ready" once
// every node exists, and runs until SIGTERM or SIGINT. Inside hid-vm as root.
#include "board_descriptors.h"
#include "firmware_board.h"
#include "kestro_ids.h"
#include "paced_clock.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopWanted = 0;

void stop(int) {
    stopWanted = 1;
}

void stream(kestro::test::FirmwareBoard& board, long rate) {
    const kestro::test::Bytes unchanged(16, 0);
    kestro::test::PacedClock clock(rate);
    while (stopWanted == 0) {
        board.input(unchanged);
        clock.waitForNextPeriod();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestro_stream_boards RATE FOREIGN\n");
        return 2;
    }
    const long rate = std::strtol(argv[1], nullptr, 10);
    const int foreign = std::atoi(argv[2]);
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);

    std::vector<std::unique_ptr<kestro::test::UhidBoard>> others;
    for (int i = 0; i < foreign; ++i) {
        const std::string name = "other-" + std::to_string(i);
        others.push_back(std::make_unique<kestro::test::UhidBoard>(
            kestro::test::UhidBoardInfo{name, name, 0x046D, static_cast<std::uint16_t>(0xC000 + i),
                                        0x0100, kestro::test::kUnnumbered}));
        if (!others.back()->created())
            return 1;
    }
    std::unique_ptr<kestro::test::FirmwareBoard> board;
    if (rate >= 0) {
        board = std::make_unique<kestro::test::FirmwareBoard>("stream", kestro::sim::Firmware{});
        if (!board->created())
            return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (board && rate > 0)
        stream(*board, rate);
    while (stopWanted == 0)
        ::pause();
    return 0;
}
