// The Windows tests' end of the board host (host/board_host.cpp): boards made
// with the guest kernel's HID stack, asked for over loopback TCP.
#pragma once

#include "tests/support/test_board.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestro::test {

struct HostBoard {
    int id = 0;
    std::string node; // the board's /dev/hidrawN, as the kernel named it
};

class BoardHostClient {
public:
    // Connects to the host named by KESTRO_BOARD_HOST_PORT; connected()
    // tells whether that worked.
    BoardHostClient();
    ~BoardHostClient();
    BoardHostClient(const BoardHostClient&) = delete;
    BoardHostClient& operator=(const BoardHostClient&) = delete;

    bool connected() const;

    // id 0 when the kernel refused the board; why in lastError().
    HostBoard uhid(std::uint16_t vendor, std::uint16_t product, std::uint16_t version,
                   const std::string& name, const std::string& serial);
    HostBoard gadget(std::uint16_t vendor, std::uint16_t product, std::uint16_t bcdDevice,
                     const std::string& serial);
    bool input(const HostBoard& board, const Bytes& report);
    bool destroy(const HostBoard& board);
    bool shortReplies(const HostBoard& board, std::size_t length);
    bool refuseFetches(const HostBoard& board);
    // The feature reports the board received, report ID first.
    std::vector<Bytes> sets(const HostBoard& board);
    // The replies a uhid board gave to fetches (empty for a failed one).
    std::vector<Bytes> gets(const HostBoard& board);

    const std::string& lastError() const { return lastError_; }

    // A board made for the backend contract, unplugged when it goes; null
    // when the host could not make it, why in lastError().
    std::unique_ptr<TestBoard> make(const TestBoardShape& shape);

private:
    std::vector<std::string> request(const std::string& line);
    HostBoard made(const std::vector<std::string>& answer);

    std::uintptr_t socket_;
    std::string pending_;
    std::string lastError_;
};

} // namespace kestro::test
