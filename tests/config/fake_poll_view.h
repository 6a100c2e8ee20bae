// The lamps, Text2 and the timer as the poll tick sees them, without widgets.
// The interval lands on the fake window's timer, as both share one timer.
#pragma once

#include "config/poll_loop.h"
#include "fake_view.h"

#include <array>
#include <string>

namespace kestro::test {

class FakePollView : public PollView {
public:
    explicit FakePollView(FakeView& view) : view_(view) {}

    void setLamp(int k, bool on) override {
        pressed.at(static_cast<std::size_t>(k)) = on;
        ++lampsPainted;
    }
    void setText2(const std::string& text) override { text2 = text; }
    void setPollInterval(int milliseconds) override { view_.timerInterval = milliseconds; }

    std::array<bool, 128> pressed{};
    int lampsPainted = 0;
    std::string text2 = "Text2";

private:
    FakeView& view_;
};

} // namespace kestro::test
