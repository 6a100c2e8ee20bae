// What every system backend owes the device link, checked once for all of
// them: each backend's test program gives the suite its platform and a way to
// make boards with the guest kernel's HID stack (directly on Linux, through
// the board host under Wine), and the same cases run against both.
#pragma once

#include "hid_platform.h"
#include "tests/support/test_board.h"

#include <chrono>
#include <memory>
#include <string>

namespace kestro::test {

class ContractBench {
public:
    virtual ~ContractBench() = default;
    // Why the suite cannot run here (no guest, no board host); empty when it can.
    virtual std::string unavailable() = 0;
    virtual HidPlatform& platform() = 0;
    // Null when the board could not be made; why in error.
    virtual std::unique_ptr<TestBoard> make(const TestBoardShape& shape, std::string& error) = 0;
    // The path the walk gives for the board, once the backend sees it; empty
    // when it never does.
    virtual std::string pathOf(const TestBoardShape& shape, TestBoard& board) = 0;
    // An overlapped read's state, with an event where the backend needs one.
    virtual Overlapped& overlapped() = 0;
    // How long reports sent together take to be queued for a read.
    virtual std::chrono::milliseconds queueing() const = 0;
    // Whether a feature reply one byte short of the report can be told from
    // a whole one.
    virtual bool seesOneByteMissing() const = 0;
};

// Defined once in each backend's test program.
std::unique_ptr<ContractBench> makeContractBench();

} // namespace kestro::test
