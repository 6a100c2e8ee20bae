// A uhid board whose feature requests the simulated board firmware answers,
// so that the configuration protocol runs across the real kernel.
#pragma once

#include "sim/sim_firmware.h"
#include "uhid_board.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kestro::test {

// The firmware sits behind uhid's responder thread; the test reads and
// changes it only between requests, under the lock.
class FirmwareBoard {
public:
    static constexpr std::size_t kFeatureLength = 65;

    FirmwareBoard(const std::string& name, const sim::Firmware& initial);

    bool created() const { return board_.created(); }
    UhidBoard& uhid() { return board_; }
    const std::string& node() const { return board_.node(); }
    bool input(const Bytes& report) { return board_.input(report); }

    sim::Firmware firmware();
    void edit(const std::function<void(sim::Firmware&)>& change);
    // The report number of every request the kernel handed over, and how
    // many of them were fetches.
    std::vector<std::uint8_t> reportNumbers();
    int gets();
    void forgetTraffic();

private:
    void set(std::uint8_t number, const Bytes& data);
    bool get(std::uint8_t number, Bytes& data);

    std::mutex mutex_;
    sim::Firmware firmware_;
    std::vector<std::uint8_t> reportNumbers_;
    int gets_ = 0;
    UhidBoard board_; // last: its responder thread uses everything above
};

} // namespace kestro::test
