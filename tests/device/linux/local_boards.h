// Test boards made in this process with the guest kernel's HID stack: what
// the Linux backend tests drive directly and the board host serves to the
// Windows tests under Wine.
#pragma once

#include "tests/support/test_board.h"

#include <memory>
#include <string>

namespace kestro::test {

// Null when the kernel refused the board; why in error.
std::unique_ptr<TestBoard> makeLocalBoard(const TestBoardShape& shape, std::string& error);

} // namespace kestro::test
