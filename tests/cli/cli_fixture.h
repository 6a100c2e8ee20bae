// kestroctl run in-process on simulated boards, with its output, its exit
// status and every frame each board received.
#pragma once

#include "cli/kestroctl.h"
#include "sim/sim_platform.h"
#include "tests/support/bytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kestro::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    using Frames = std::vector<std::vector<std::uint8_t>>;

    // Each sleep of the monitor is one poll: onPoll(n) runs at the n-th, and
    // the monitor is interrupted after `polls` of them.
    CliRun run(const std::vector<std::string>& args, const std::string& input = "") {
        std::ostringstream out;
        std::ostringstream err;
        if (outputFails)
            out.setstate(std::ios::badbit);
        std::istringstream in(input);
        int slept = 0;
        auto now = std::chrono::steady_clock::time_point{};
        cli::Environment env{
            platform,
            out,
            err,
            in,
            false,
            [&] { return slept >= polls; },
            [&](std::chrono::milliseconds pause) {
                now += pause;
                if (onPoll)
                    onPoll(++slept);
                else
                    ++slept;
            },
            [&] { return now; },
        };
        CliRun result;
        result.status = cli::runKestroctl(args, env);
        result.out = out.str();
        result.err = err.str();
        EXPECT_EQ(platform.openHandles(), 0) << "kestroctl left a handle open";
        return result;
    }

    sim::SimPlatform::DeviceId plug(sim::Board board = sim::saneBoard()) {
        return platform.plug(std::move(board));
    }

    Frames received(sim::SimPlatform::DeviceId id) {
        Frames frames = std::move(platform.board(id).firmware.received);
        platform.board(id).firmware.received.clear();
        return frames;
    }

    // A board whose readback reports every encoder as 1:1, whatever it was
    // sent.
    static sim::Board ignoringEncoderWrites(std::u16string serial) {
        sim::Board board = sim::saneBoard(std::move(serial));
        std::vector<std::uint8_t> encoders(65, 0);
        encoders[1] = 0x20;
        for (int n = 1; n <= 16; ++n)
            encoders[static_cast<std::size_t>(2 * n)] = 0x02;
        board.firmware.readback = {{sim::Reply::Kind::Raw, encoders},
                                   {sim::Reply::Kind::GeneralBlock, {}}};
        return board;
    }

    static Bytes frame(std::initializer_list<std::uint8_t> head, std::size_t length = 65) {
        return test::frame(head, length);
    }

    sim::SimPlatform platform;
    int polls = 0;
    // Standard output as a closed pipe or a full disk leaves it.
    bool outputFails = false;
    std::function<void(int)> onPoll;
};

} // namespace kestro::test
