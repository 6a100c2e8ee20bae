// A window on a simulated HID stack, loaded as the program loads it.
#pragma once

#include "app/frm_main.h"
#include "app/lamp_grid.h"
#include "sim/sim_platform.h"

#include <gtest/gtest.h>
#include <memory>

namespace kestro::test {

class WindowTest : public ::testing::Test {
protected:
    void load() {
        window = std::make_unique<frmMain>(sim);
        window->Form_Load();
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
    LampGrid& lamps() { return window->lampGrid(); }
    bool boardOpen() const { return window->link().deviceDetected; }
    int interval() const { return window->timer().interval(); }

    sim::SimPlatform sim;
    std::unique_ptr<frmMain> window;
};

} // namespace kestro::test
