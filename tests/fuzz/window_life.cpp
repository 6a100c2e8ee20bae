#include "window_life.h"

#include "../config/fake_poll_view.h"
#include "../config/fake_view.h"
#include "../device/fake_serial_list.h"
#include "byte_stream.h"
#include "config/config_session.h"
#include "config/poll_loop.h"
#include "config/protocol.h"
#include "device_link.h"
#include "fuzz_platform.h"
#include "hid_log.h"
#include "logging_platform.h"
#include "require.h"

#include <string_view>
#include <vector>

namespace kestro::fuzz {

namespace {

// What the feature traffic of one step may hold.
enum class Allowed {
    Nothing,  // no user action, no board read: not a single frame
    Refresh,  // the readback request and its reads, nothing else
    SelfTest, // the self-test request and its reply
    Write,    // one write of the setting the user changed
};

constexpr int kMaxSteps = 4000;

void checkTraffic(const std::vector<FeatureCall>& calls, Allowed allowed, std::uint8_t address) {
    int sets = 0;
    int gets = 0;
    for (const FeatureCall& call : calls) {
        if (!call.set) {
            require(allowed == Allowed::Refresh || allowed == Allowed::SelfTest,
                    "a reply fetched outside a readback or self test");
            require(sets == 1, "a reply fetched before its request");
            ++gets;
            continue;
        }
        ++sets;
        require(call.head[0] == 0, "a request with a report ID other than 0");
        require(call.zeroTail, "a request with bytes past its arguments");
        switch (allowed) {
        case Allowed::Nothing:
            require(false, "a feature report sent that nothing asked for");
            break;
        case Allowed::Refresh:
            require(call.head[1] == CMD_READ_SETTINGS && call.head[2] == 0 && call.head[3] == 5,
                    "a refresh sent something other than the readback request");
            break;
        case Allowed::SelfTest:
            require(call.head[1] == CMD_SELF_TEST && call.head[2] == 0 && call.head[3] == 0,
                    "the self diagnostic sent something other than its request");
            break;
        case Allowed::Write:
            require(call.head[1] == CMD_WRITE_SETTING && call.head[2] == address,
                    "a write of a setting the user did not change");
            break;
        }
    }
    require(sets <= 1, "more than one request for one action");
    require(allowed != Allowed::Refresh || gets <= kReadbackReads,
            "more than eight readback reads");
    require(allowed != Allowed::SelfTest || gets <= 1, "more than one self-test reply read");
}

std::size_t mostItems(Control list) {
    if (list == Control::Delay)
        return 25;
    if (list == Control::RotStart)
        return 33;
    return 4;
}

class Life {
public:
    Life(const std::uint8_t* data, std::size_t size) : in_(data, size), fuzz_(in_), logged_(fuzz_) {
        // Some lives go through the hex-dumping debug log: few, since a dump
        // of every 16 KiB frame would slow every life down.
        if ((in_.byte() & 7) == 7)
            setHidLogSink([](std::string_view line) { lineBytes_ += line.size(); });
        else
            setHidLogSink({});
        view_.connect(session_);
        serNo_.onSelect = [this] { session_.SerNo_Click(); };
    }
    ~Life() { setHidLogSink({}); }

    void play() {
        for (std::uint32_t n = in_.below(4); n > 0; --n)
            fuzz_.plug();
        load();
        for (int step = 0; step < kMaxSteps && !in_.empty(); ++step)
            playStep();
        unload();
    }

private:
    template <class F> void act(Allowed allowed, std::uint8_t address, F&& action) {
        fuzz_.takeFeatureCalls();
        action();
        checkTraffic(fuzz_.takeFeatureCalls(), allowed, address);
        checkHeld();
    }

    void load() {
        poll_.fillBitMask();
        session_.settingsLoaded = false;
        session_.reconnectPending = false;
        link_.serialListReady = false;
        poll_.forgetButtonBytes();
        act(Allowed::Refresh, 0, [this] { poll_.searchForBoard(); });
        view_.setTimerEnabled(true);
    }

    void unload() {
        view_.setTimerEnabled(false);
        link_.serialListReady = false;
        // Form_Unload leaves deviceDetected as it was: only the handles go.
        fuzz_.takeFeatureCalls();
        link_.CloseBoard();
        checkTraffic(fuzz_.takeFeatureCalls(), Allowed::Nothing, 0);
        require(fuzz_.liveSets() == 0 && fuzz_.outstandingPreparsed() == 0,
                "a device set or preparsed data held after unload");
        require(fuzz_.openHandles() == 0 && fuzz_.opens() == fuzz_.closes(),
                "opens and closes differ once the window is unloaded");
    }

    void playStep() {
        switch (in_.byte() % 10) {
        case 0:
        case 1:
        case 2:
            if (view_.timerEnabled)
                act(Allowed::Refresh, 0, [this] { poll_.PollDevice(); });
            break;
        case 3:
            act(Allowed::Nothing, 0, [this] { fuzz_.plug(); });
            break;
        case 4:
            act(Allowed::Nothing, 0, [this] { fuzz_.unplug(); });
            break;
        case 5:
            pickInList();
            break;
        case 6:
            act(Allowed::Write, ADDR_ROTARY_PULSES, [this] { view_.click(); });
            break;
        case 7:
            if (view_.isEnabled(Control::Selftest))
                act(Allowed::SelfTest, 0, [this] { session_.Selftest_Click(); });
            break;
        case 8:
            pickSerialNumber();
            break;
        default:
            // A hub that browns out: the board goes and comes back between ticks.
            act(Allowed::Nothing, 0, [this] {
                fuzz_.unplug();
                fuzz_.plug();
            });
            break;
        }
    }

    // A user can pick only the items of an enabled list.
    void pickInList() {
        const std::uint32_t which = in_.below(18);
        Control list = Control::Delay;
        std::uint8_t address = ADDR_PULSE_WIDTH;
        if (which < 16) {
            list = encControl(static_cast<int>(which) + 1);
            address = encoderModeAddress(static_cast<int>(which) + 1);
        } else if (which == 17) {
            list = Control::RotStart;
            address = ADDR_ROTARY_START;
        }
        const std::size_t items = view_.lists.at(list).items.size();
        if (!view_.isEnabled(list) || items == 0)
            return;
        const int index = static_cast<int>(in_.below(static_cast<std::uint32_t>(items)));
        act(Allowed::Write, address, [&] { view_.pick(list, index); });
    }

    // The list opens only with two boards or more; picking the board already
    // shown reopens it as any other pick does.
    void pickSerialNumber() {
        const std::size_t items = serNo_.items.size();
        if (!serNo_.enabled || items < 2)
            return;
        const int index = static_cast<int>(in_.below(static_cast<std::uint32_t>(items)));
        act(Allowed::Refresh, 0, [&] { serNo_.pick(index); });
    }

    void checkHeld() {
        require(fuzz_.liveSets() == 0, "a device set outlived its walk");
        require(fuzz_.outstandingPreparsed() == 0, "preparsed data was not released");
        require(fuzz_.eventsCreated() <= 1, "more than one read event for the run");
        if (link_.deviceDetected) {
            require(fuzz_.isOpen(link_.featureHandle), "a board open without its feature handle");
            const std::size_t held = 1 + (fuzz_.isOpen(link_.readHandle) ? 1 : 0);
            require(fuzz_.openHandles() == held, "a handle open that the open board does not use");
        } else {
            require(fuzz_.openHandles() == 0, "a handle kept with no board open");
            require(link_.featureHandle == kNoHandle && link_.readHandle == kNoHandle,
                    "a closed board's handle kept in its field");
        }
        require(!session_.settingsLoaded || link_.deviceDetected,
                "settings loaded without a board");
        for (const auto& [list, state] : view_.lists) {
            require(state.items.size() <= mostItems(list), "a list grew past its items");
            require(state.selected >= -1 && state.selected < static_cast<int>(state.items.size()),
                    "a list selection outside its items");
        }
        require(serNo_.items.size() <= FuzzPlatform::kMaxDevices, "the serial list grew");
        for (std::size_t i = 0; i < poll_.lastButtonBytes.size(); ++i) {
            const int b = poll_.lastButtonBytes[i];
            require(b == kNeverSeen || (i < kButtonBytes && b >= 0 && b <= 255),
                    "a button byte that no report carried");
        }
    }

    static inline std::size_t lineBytes_ = 0;
    ByteStream in_;
    FuzzPlatform fuzz_;
    LoggingHidPlatform logged_;
    test::FakeView view_;
    test::FakeSerialList serNo_;
    DeviceLink link_{logged_, serNo_};
    ConfigSession session_{link_, view_};
    test::FakePollView pollView_{view_};
    PollLoop poll_{link_, session_, pollView_};
};

} // namespace

void playWindowLife(const std::uint8_t* data, std::size_t size) {
    Life(data, size).play();
}

} // namespace kestro::fuzz
