// A session on simulated boards, wired as the window wires it.
#pragma once

#include "../device/fake_serial_list.h"
#include "config/config_session.h"
#include "device_link.h"
#include "fake_view.h"
#include "sim/sim_platform.h"
#include "tests/support/bytes.h"

#include <gtest/gtest.h>

namespace kestro::test {

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        view.connect(session);
        serNo.onSelect = [this] { session.SerNo_Click(); };
    }

    // Start-up: scan, open, refresh.
    void start() {
        link.Scan_USB_devices();
        link.deviceDetected = link.FindTheHid();
        session.RefreshDeviceView();
    }

    // The frames the board received since the last call.
    std::vector<std::vector<std::uint8_t>> takeReceived(sim::SimPlatform::DeviceId id) {
        auto frames = std::move(platform.board(id).firmware.received);
        platform.board(id).firmware.received.clear();
        return frames;
    }

    static Bytes frame(std::initializer_list<std::uint8_t> head, std::size_t length = 65) {
        return test::frame(head, length);
    }

    sim::SimPlatform platform;
    FakeSerialList serNo;
    DeviceLink link{platform, serNo};
    FakeView view;
    ConfigSession session{link, view};
};

} // namespace kestro::test
