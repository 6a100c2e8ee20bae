// An evening of wiring in 10,000 ticks: the board is pulled and put back, a
// second board comes and goes, the user switches between them, and nothing
// the program keeps grows with time.
#include "config/poll_loop.h"
#include "fake_poll_view.h"
#include "session_fixture.h"

#include <optional>
#include <ostream>

namespace kestro::test {
namespace {

constexpr int kTicks = 10'000;
constexpr int kCycle = 100;

// Everything the program holds that could pile up over a long session.
struct Held {
    int openHandles = 0;
    int preparsedHeld = 0;
    int setsAlive = 0;
    int events = 0;
    std::size_t serialItems = 0;
    std::size_t listItems = 0;
    bool operator==(const Held&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Held& h) {
        return out << "handles " << h.openHandles << ", preparsed " << h.preparsedHeld
                   << ", device sets " << h.setsAlive << ", events " << h.events
                   << ", serial items " << h.serialItems << ", list items " << h.listItems;
    }
};

class LongSession : public SessionTest {
protected:
    LongSession() { poll.fillBitMask(); }

    // The board whose handles the link holds, if any.
    std::optional<sim::SimPlatform::DeviceId> openBoard() const {
        if (!link.deviceDetected)
            return std::nullopt;
        for (sim::SimPlatform::DeviceId id : {a, b})
            if (link.devicePath == sim::SimPlatform::pathOf(id))
                return id;
        return std::nullopt;
    }

    Held held() const {
        const auto& c = platform.counters();
        Held h{platform.openHandles(), c.preparsedObtained - c.preparsedFreed,
               c.setsCreated - c.setsDestroyed, c.eventsCreated, serNo.items.size()};
        for (const auto& [list, state] : view.lists)
            h.listItems += state.items.size();
        return h;
    }

    void replugA() {
        platform.unplug(a);
        a = platform.plug(sim::saneBoard(u"A"));
    }

    // One tick of the cycle, with what happens to the boards before it.
    void tick(int t) {
        switch (t % kCycle) {
        case 10: // the second board arrives
            b = platform.plug(sim::saneBoard(u"B"));
            break;
        case 20:
            platform.unplug(a);
            break;
        case 30:
            a = platform.plug(sim::saneBoard(u"A"));
            break;
        case 40: // a read fails once, so the next scan lists both boards
            if (const auto open = openBoard())
                platform.board(*open).fail.read = true;
            break;
        case 50: // the user picks the board not open
            ASSERT_EQ(serNo.items.size(), 2u) << t;
            serNo.select(serNo.selected == 0 ? 1 : 0);
            break;
        case 60: // and the second board goes
            platform.unplug(b);
            break;
        case 70: // the hub browns out under the first
            replugA();
            break;
        }
        if (const auto open = openBoard())
            platform.queueInputReport(*open, sim::buttonReport({static_cast<std::uint8_t>(t)}));
        poll.PollDevice();
        if (t % kCycle == 40)
            platform.board(a).fail.read = platform.board(b).fail.read = false;
    }

    FakePollView pollView{view};
    PollLoop poll{link, session, pollView};
    sim::SimPlatform::DeviceId a = platform.plug(sim::saneBoard(u"A"));
    sim::SimPlatform::DeviceId b = 0;
};

TEST_F(LongSession, TenThousandTicksOfPlugsAndSwitchesLeaveNothingBehind) {
    poll.forgetButtonBytes();
    poll.searchForBoard();
    ASSERT_TRUE(link.deviceDetected);
    b = platform.plug(sim::saneBoard(u"B"));
    platform.unplug(b);

    std::optional<Held> afterFirstCycle;
    int switches = 0;
    for (int t = 1; t <= kTicks; ++t) {
        const int opensBefore = platform.counters().opens;
        tick(t);
        if (HasFatalFailure())
            return;
        switches += t % kCycle == 50 && platform.counters().opens > opensBefore;
        if (t % kCycle != 0)
            continue;
        ASSERT_TRUE(link.deviceDetected) << t;
        ASSERT_TRUE(session.settingsLoaded) << t;
        if (!afterFirstCycle)
            afterFirstCycle = held();
        ASSERT_EQ(held(), *afterFirstCycle) << "something grew by tick " << t;
    }
    EXPECT_EQ(switches, kTicks / kCycle);
    EXPECT_EQ(platform.counters().eventsCreated, 1);
    EXPECT_EQ(afterFirstCycle->openHandles, 2);
    EXPECT_EQ(afterFirstCycle->preparsedHeld, 0);
    EXPECT_EQ(afterFirstCycle->setsAlive, 0);

    link.serialListReady = false; // as the window unloads
    link.CloseBoard();
    EXPECT_EQ(platform.openHandles(), 0);
    EXPECT_EQ(platform.counters().opens, platform.counters().closes);
}

} // namespace
} // namespace kestro::test
