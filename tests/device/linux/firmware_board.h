// A uhid board whose feature requests are answered by the simulated board
// firmware, for tests that drive the configuration protocol across the real
// kernel: the host side sends and reads through hidraw, uhid hands each
// request to the firmware.
#pragma once

#include "board_descriptors.h"
#include "kestro_ids.h"
#include "sim/sim_firmware.h"
#include "uhid_board.h"

#include <cstddef>
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
    // A Kestro's 64-byte feature report and its report ID slot.
    static constexpr std::size_t kFeatureLength = 65;

    FirmwareBoard(const std::string& name, const sim::Firmware& initial)
        : firmware_(initial),
          board_(UhidBoardInfo{name, "KP-" + name, KESTRO_VENDOR_ID, 0x1143, 0x0110, kUnnumbered},
                 FeatureAnswers{
                     [this](std::uint8_t number, const Bytes& data) { set(number, data); },
                     [this](std::uint8_t number, Bytes& data) { return get(number, data); }}) {}

    bool created() const { return board_.created(); }
    const std::string& node() const { return board_.node(); }
    bool input(const Bytes& report) { return board_.input(report); }
    void refuseGets(bool refuse) { board_.failGets(refuse); }

    sim::Firmware firmware() {
        std::lock_guard lock(mutex_);
        return firmware_;
    }
    void edit(const std::function<void(sim::Firmware&)>& change) {
        std::lock_guard lock(mutex_);
        change(firmware_);
    }
    // The report number of every request the kernel handed over, and how
    // many of them were fetches.
    std::vector<std::uint8_t> reportNumbers() {
        std::lock_guard lock(mutex_);
        return reportNumbers_;
    }
    int gets() {
        std::lock_guard lock(mutex_);
        return gets_;
    }
    void forgetTraffic() {
        std::lock_guard lock(mutex_);
        firmware_.received.clear();
        reportNumbers_.clear();
        gets_ = 0;
    }

private:
    void set(std::uint8_t number, const Bytes& data) {
        std::lock_guard lock(mutex_);
        reportNumbers_.push_back(number);
        firmware_.receive(data.data(), static_cast<std::uint32_t>(data.size()));
    }
    bool get(std::uint8_t number, Bytes& data) {
        std::lock_guard lock(mutex_);
        reportNumbers_.push_back(number);
        ++gets_;
        data.assign(kFeatureLength, 0);
        data[0] = number;
        return firmware_.answer(data.data(), static_cast<std::uint32_t>(data.size()));
    }

    std::mutex mutex_;
    sim::Firmware firmware_;
    std::vector<std::uint8_t> reportNumbers_;
    int gets_ = 0;
    UhidBoard board_; // last: its responder thread uses everything above
};

} // namespace kestro::test
