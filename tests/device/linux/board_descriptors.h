// Report descriptors the kernel tests give their boards, shared by the
// backend tests and the window tests so that both probe the same layout.
#pragma once

#include "tests/support/bytes.h"

namespace kestro::test {

// Vendor page, application collection, byte-wide logical range.
inline const Bytes kCollection = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1,
                                  0x01, 0x15, 0x00, 0x26, 0xFF, 0x00};
inline const Bytes kEnd = {0xC0};
// A Kestro's layout: 128 buttons in 16 bytes, a 64-byte feature report, no
// report IDs, so the host sees 17-byte inputs and 65-byte features.
inline const Bytes kUnnumbered =
    kCollection + Bytes{0x05, 0x09, 0x19, 0x01, 0x29, 0x80, 0x15, 0x00,
                        0x25, 0x01, 0x75, 0x01, 0x95, 0x80, 0x81, 0x02} +
    Bytes{0x06, 0x00, 0xFF, 0x09, 0x02, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0xB1, 0x02} +
    kEnd;

} // namespace kestro::test
