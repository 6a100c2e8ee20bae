// The kernel tests need the guest's HID stack and root: elsewhere they skip
// with one message that says where to run them.
#pragma once

#include <unistd.h>

namespace kestro::test {

inline bool haveUhid() {
    return ::geteuid() == 0 && ::access("/dev/uhid", W_OK) == 0;
}

inline bool haveDummyUdc() {
    return ::geteuid() == 0 && ::access("/sys/class/udc/dummy_udc.0", F_OK) == 0;
}

} // namespace kestro::test

// In a test body or SetUp().
#define KESTRO_SKIP_WITHOUT_UHID()                                                                 \
    if (!::kestro::test::haveUhid())                                                               \
    GTEST_SKIP() << "needs root and /dev/uhid: run inside hid-vm"
#define KESTRO_SKIP_WITHOUT_DUMMY_UDC()                                                            \
    if (!::kestro::test::haveDummyUdc())                                                           \
    GTEST_SKIP() << "needs root and dummy_hcd: run inside hid-vm"
