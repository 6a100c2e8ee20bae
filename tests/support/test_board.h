// A board a backend test drives, whoever made it: the Linux tests make their
// own with uhid and configfs, the Windows tests under Wine ask the board host
// for them. What it says about its traffic is what the board itself saw.
#pragma once

#include "bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestro::test {

// uhid: no USB parent, feature requests answered by the simulated firmware.
// Gadget: a configfs USB function on dummy_hcd, on a "cable", whose fetches
// the function answers with zeros.
enum class BoardKind { Uhid, Gadget };

struct TestBoardShape {
    BoardKind kind = BoardKind::Uhid;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 0;
    // The kernel's HID name of a uhid board; a gadget's comes from its USB
    // strings ("Test Maker Test Board").
    std::string name;
    std::string serial;
};

class TestBoard {
public:
    virtual ~TestBoard() = default;
    // "/dev/hidrawN" as the guest kernel named it.
    virtual const std::string& node() const = 0;
    // One unnumbered input report, without the ID byte.
    virtual bool input(const Bytes& report) = 0;
    virtual bool unplug() = 0;
    // Every feature report the board received, report ID first.
    virtual std::vector<Bytes> sets() = 0;
    // Every reply a uhid board gave to a fetch, an empty one for a refusal.
    virtual std::vector<Bytes> gets() = 0;
    // uhid: later replies are cut to length bytes.
    virtual bool shortReplies(std::size_t length) = 0;
    // uhid: later fetches are refused, as a stalling board refuses them.
    virtual bool refuseFetches() = 0;
};

} // namespace kestro::test
