// Start-up and shutdown around a board, the controls' handlers as the window
// wires them, the board switch and the permission hint.
#include "config/protocol.h"
#include "user_input.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <functional>

namespace kestro::test {
namespace {

using Lifecycle = WindowTest;

TEST_F(Lifecycle, ClosingWithNoBoardClosesNoHandle) {
    sim::Board other = sim::saneBoard();
    other.vendorId = 0x1234; // opened and closed by every walk, never kept
    sim.plug(other);
    load();
    ASSERT_FALSE(boardOpen());
    const int closes = sim.counters().closes;
    window->close();
    EXPECT_EQ(sim.counters().closes, closes);
    EXPECT_FALSE(window->timer().isActive());
    EXPECT_FALSE(window->link().serialListReady);
}

TEST_F(Lifecycle, ClosingWithABoardClosesBothHandles) {
    sim.plug(sim::saneBoard());
    load();
    ASSERT_TRUE(boardOpen());
    EXPECT_EQ(sim.openHandles(), 2);
    window->close();
    EXPECT_EQ(sim.openHandles(), 0);
    EXPECT_EQ(sim.counters().opens, sim.counters().closes);
    EXPECT_FALSE(window->timer().isActive());
}

TEST_F(Lifecycle, DestroyingAnOpenWindowLetsGoOfTheBoard) {
    sim.plug(sim::saneBoard());
    load();
    window.reset();
    EXPECT_EQ(sim.openHandles(), 0);
}

TEST_F(Lifecycle, BoardIdentityArrivesAsLatin1) {
    sim::Board board = sim::saneBoard();
    board.manufacturer = u"Kestr\u00f6 Gm\u00dfH";
    sim.plug(board);
    load();
    EXPECT_EQ(control<QLabel>("lblManuf")->text(), QString::fromUtf8(" Keströ GmßH"));
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), " 1.3");
    EXPECT_TRUE(control<QWidget>("Frame1")->isEnabled());
    EXPECT_EQ(control<QComboBox>("Enc1")->count(), 4);
    EXPECT_EQ(control<QComboBox>("SerNo")->currentText(), "K0001");
}

template <class W> W* child(frmMain& window, const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
}

// The user steps with an arrow key from the item the readback selected.
void pickAnother(frmMain& window, const char* name) {
    QComboBox* box = child<QComboBox>(window, name);
    stepByKeys(box, box->currentIndex() + 1 < box->count() ? Qt::Key_Down : Qt::Key_Up, 1);
}

struct HandlerCase {
    const char* name;
    std::function<void(frmMain&)> act;
    std::uint8_t command;
    std::uint8_t address;
};

class ControlHandlers : public WindowTest, public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(ControlHandlers, UserChangeSendsOneFeatureReport) {
    const sim::SimPlatform::DeviceId id = sim.plug(sim::saneBoard());
    load();
    ASSERT_TRUE(window->session().settingsLoaded);
    auto& received = sim.board(id).firmware.received;
    const std::size_t before = received.size();
    GetParam().act(*window);
    ASSERT_EQ(received.size(), before + 1);
    EXPECT_EQ(received.back()[1], GetParam().command);
    if (GetParam().command == CMD_WRITE_SETTING) {
        EXPECT_EQ(received.back()[2], GetParam().address);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Wiring, ControlHandlers,
    ::testing::Values(HandlerCase{"Enc1", [](frmMain& w) { pickAnother(w, "Enc1"); },
                                  CMD_WRITE_SETTING, encoderModeAddress(1)},
                      HandlerCase{"Enc9", [](frmMain& w) { pickAnother(w, "Enc9"); },
                                  CMD_WRITE_SETTING, encoderModeAddress(9)},
                      HandlerCase{"Enc16", [](frmMain& w) { pickAnother(w, "Enc16"); },
                                  CMD_WRITE_SETTING, encoderModeAddress(16)},
                      HandlerCase{"Delay", [](frmMain& w) { pickAnother(w, "Delay"); },
                                  CMD_WRITE_SETTING, ADDR_PULSE_WIDTH},
                      HandlerCase{"RotStart", [](frmMain& w) { pickAnother(w, "RotStart"); },
                                  CMD_WRITE_SETTING, ADDR_ROTARY_START},
                      HandlerCase{"RotaryPulse",
                                  [](frmMain& w) { child<QCheckBox>(w, "RotaryPulse")->toggle(); },
                                  CMD_WRITE_SETTING, ADDR_ROTARY_PULSES},
                      HandlerCase{"Selftest",
                                  [](frmMain& w) { child<QPushButton>(w, "Selftest")->click(); },
                                  CMD_SELF_TEST, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lifecycle, PickingASerialNumberSwitchesBoards) {
    const auto first = sim.plug(sim::saneBoard(u"K0001"));
    const auto second = sim.plug(sim::saneBoard(u"K0002"));
    load();
    auto* serNo = control<QComboBox>("SerNo");
    ASSERT_EQ(serNo->count(), 2);
    EXPECT_TRUE(serNo->isEnabled());
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(second));

    stepByKeys(serNo, Qt::Key_Up, 1);
    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(first));
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_TRUE(window->timer().isActive());
    EXPECT_EQ(interval(), 250);
}

class PermissionHint : public WindowTest {
protected:
    void SetUp() override {
        sim::Board board = sim::saneBoard();
        board.fail.accessDenied = true;
        board.node = "/dev/hidraw3";
        id = sim.plug(board);
        load();
    }
    sim::SimPlatform::DeviceId id = 0;
};

TEST_F(PermissionHint, NamesTheNodeAndTheRuleWhileTheBoardIsRefused) {
    ASSERT_FALSE(boardOpen());
    const QString hint = window->permissionHint();
    EXPECT_TRUE(hint.contains("/dev/hidraw3")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("60-kestro-setup.rules")) << hint.toStdString();
    const QWidget* line = control<QWidget>("StatusLine");
    EXPECT_TRUE(line->isVisible());
    EXPECT_GE(window->height(), line->geometry().bottom() + 1) << "hint out of sight";
    // Still refused on the next tick: the hint stays.
    window->PollDevice();
    EXPECT_FALSE(window->permissionHint().isEmpty());
}

TEST_F(PermissionHint, GoesAwayWhenTheBoardOpens) {
    sim.board(id).fail.accessDenied = false;
    window->PollDevice();
    ASSERT_TRUE(boardOpen());
    EXPECT_TRUE(window->permissionHint().isEmpty());
}

} // namespace
} // namespace kestro::test
