// A window on a simulated HID stack, loaded as the program loads it.
#pragma once

#include "app/frm_main.h"
#include "app/lamp_grid.h"
#include "sim/sim_platform.h"
#include "tests/support/bytes.h"

#include <QComboBox>
#include <QTest>
#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <vector>

// Texts in failure messages as text, not as a row of code units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kestro::test {

using Frame = Bytes;
using DeviceId = sim::SimPlatform::DeviceId;

class WindowTest : public ::testing::Test {
protected:
    void load() {
        window = std::make_unique<frmMain>(sim);
        window->Form_Load();
    }
    // Keyboard focus, and so the wheel, needs the window to be the active one.
    void activate() {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        if (window)
            window->close();
    }

    template <class W> W* control(const char* name) const {
        W* widget = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QString shown(const char* name) const { return combo(name)->currentText(); }
    LampGrid& lamps() { return window->lampGrid(); }
    bool boardOpen() const { return window->link().deviceDetected; }
    int interval() const { return window->timer().interval(); }

    const std::vector<Frame>& received(DeviceId id) { return sim.board(id).firmware.received; }
    // What the board received from the index `from` on.
    std::vector<Frame> receivedSince(DeviceId id, std::size_t from) {
        const auto& all = received(id);
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }

    sim::SimPlatform sim;
    std::unique_ptr<frmMain> window;
};

} // namespace kestro::test
