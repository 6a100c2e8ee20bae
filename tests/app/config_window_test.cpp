// The configuration controls driven as a user drives them, by mouse, keys and
// wheel on the real widgets, judged by the feature reports the simulated board
// received.
#include "user_input.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestro::test {
namespace {

const Frame kSettingsRequest = frame({0x00, 0xE0, 0x00, 0x05});

using ConfigWindow = WindowTest;

// A board whose stored settings differ from every default the refresh
// selects, so the readback's own selections all raise change events.
sim::Board storedSettingsBoard(std::u16string serial = u"K0001") {
    sim::Board board = sim::saneBoard(std::move(serial));
    auto& s = board.firmware.settings;
    s[32] = 0x08; // Enc1 1:4
    s[34] = 0x04; // Enc2 1:2
    s[36] = 0x00; // Enc3 off
    s[62] = 0x0E; // Enc16 1:4
    s[64] = 15;   // 120 ms
    s[77] = 0x01; // rotary pulses on
    s[78] = 4;    // starts at 5
    return board;
}

// ---------------------------------------------------------------- writes

struct WriteCase {
    const char* name;
    const char* list;
    const char* item;
    Frame expected;
    std::uint16_t featureLength = 65;
};

class ListWrite : public ConfigWindow, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ListWrite, PickingAnItemSendsItsWholeFrameOnce) {
    sim::Board board = storedSettingsBoard();
    board.caps.FeatureReportByteLength = GetParam().featureLength;
    const DeviceId id = sim.plug(board);
    load();
    ASSERT_TRUE(window->session().settingsLoaded);
    const std::size_t before = received(id).size();

    pick(combo(GetParam().list), QString::fromLatin1(GetParam().item));

    EXPECT_EQ(shown(GetParam().list), GetParam().item);
    const std::vector<Frame> sent = receivedSince(id, before);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ListWrite,
    ::testing::Values(WriteCase{"Enc5_1to2", "Enc5", "1:2", frame({0x00, 0xEE, 0x28, 0x04})},
                      WriteCase{"Enc16_off", "Enc16", "off", frame({0x00, 0xEE, 0x3E, 0x00})},
                      WriteCase{"Enc1_1to1", "Enc1", "1:1", frame({0x00, 0xEE, 0x20, 0x02})},
                      WriteCase{"Delay_200ms", "Delay", "200 ms", frame({0x00, 0xEE, 0x40, 0x19})},
                      WriteCase{"Delay_8ms", "Delay", "8 ms", frame({0x00, 0xEE, 0x40, 0x01})},
                      WriteCase{"RotStart_Auto", "RotStart", "Auto",
                                frame({0x00, 0xEE, 0x4E, 0xFF})},
                      WriteCase{"RotStart_2", "RotStart", "2", frame({0x00, 0xEE, 0x4E, 0x01})},
                      WriteCase{"RotStart_33", "RotStart", "33", frame({0x00, 0xEE, 0x4E, 0x20})},
                      // The frame follows the board's own feature length, not 65.
                      WriteCase{"Enc5_on_a_33_byte_board", "Enc5", "1:2",
                                frame({0x00, 0xEE, 0x28, 0x04}, 33), 33}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigWindow, TickingAndClearingRotaryPulsesSendsOneThenZero) {
    const DeviceId id = sim.plug(sim::saneBoard());
    load();
    auto* box = control<QCheckBox>("RotaryPulse");
    ASSERT_FALSE(box->isChecked());
    const std::size_t before = received(id).size();

    clickTickBox(box);
    EXPECT_TRUE(box->isChecked());
    clickTickBox(box);
    EXPECT_FALSE(box->isChecked());

    EXPECT_EQ(receivedSince(id, before), (std::vector<Frame>{frame({0x00, 0xEE, 0x4D, 0x01}),
                                                             frame({0x00, 0xEE, 0x4D, 0x00})}));
}

// ---------------------------------------------------------------- only the user's picks

// Counts the wheel events that reach the object it watches.
class WheelCounter final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Wheel)
            ++count;
        return false;
    }
};

// Two boards with stored settings, the second one open, the window active so
// that a list can hold the keyboard focus.
class UserPicks : public ConfigWindow {
protected:
    void SetUp() override {
        other = sim.plug(storedSettingsBoard(u"K0001"));
        id = sim.plug(storedSettingsBoard(u"K0002"));
        load();
        ASSERT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(id));
        ASSERT_TRUE(combo("SerNo")->isEnabled());
        activate();
        before = received(id).size();
    }
    std::vector<Frame> sent() { return receivedSince(id, before); }

    DeviceId other = 0;
    DeviceId id = 0;
    std::size_t before = 0;
};

class WheelOverAnUnfocusedList : public UserPicks,
                                 public ::testing::WithParamInterface<const char*> {};

// Scrolling a tall window past its lists must not rewrite the board.
TEST_P(WheelOverAnUnfocusedList, ChangesNothingAndGoesOnToTheWindow) {
    QComboBox* box = combo(GetParam());
    const QString was = box->currentText();
    const sim::Board& board = sim.board(id);
    const int opens = board.opens;
    const int sets = board.featureSets;
    const int otherOpens = sim.board(other).opens;
    auto* focused = control<QCheckBox>("RotaryPulse");
    focused->setFocus(Qt::TabFocusReason);
    WheelCounter atWindow;
    window->installEventFilter(&atWindow);

    turnWheel(box, -3);
    turnWheel(box, 3);

    EXPECT_EQ(box->currentText(), was);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_TRUE(focused->hasFocus());
    EXPECT_EQ(atWindow.count, 6);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(board.featureSets, sets);
    EXPECT_EQ(board.opens, opens);
    EXPECT_EQ(sim.board(other).opens, otherOpens);
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(id));
}

INSTANTIATE_TEST_SUITE_P(Lists, WheelOverAnUnfocusedList,
                         ::testing::Values("Enc1", "Enc9", "Enc16", "Delay", "RotStart", "SerNo"));

struct StepCase {
    const char* name;
    const char* list;
    std::function<void(QComboBox*)> act;
    const char* shownAfter;
    std::vector<Frame> expected;
};

class PickByKeyOrWheel : public UserPicks, public ::testing::WithParamInterface<StepCase> {};

// One frame for every item that ends up chosen, none for a mere look.
TEST_P(PickByKeyOrWheel, SendsOneFramePerItemChosen) {
    QComboBox* box = combo(GetParam().list);
    GetParam().act(box);
    EXPECT_EQ(box->currentText(), GetParam().shownAfter);
    EXPECT_EQ(sent(), GetParam().expected);
}

// The stored settings: Enc1 "1:4" (the last item), Enc3 "off", Delay
// "120 ms", RotStart "5".
INSTANTIATE_TEST_SUITE_P(
    Steps, PickByKeyOrWheel,
    ::testing::Values(StepCase{"arrows_on_the_closed_list",
                               "Enc3",
                               [](QComboBox* box) { stepByKeys(box, Qt::Key_Down, 2); },
                               "1:2",
                               {frame({0x00, 0xEE, 0x24, 0x02}), frame({0x00, 0xEE, 0x24, 0x04})}},
                      StepCase{"arrow_past_the_last_item",
                               "Enc1",
                               [](QComboBox* box) { stepByKeys(box, Qt::Key_Down, 1); },
                               "1:4",
                               {}},
                      StepCase{"through_the_drop_down_then_enter",
                               "RotStart",
                               [](QComboBox* box) { pickByKeys(box, Qt::Key_Down, 2); },
                               "7",
                               {frame({0x00, 0xEE, 0x4E, 0x06})}},
                      StepCase{"enter_on_the_item_shown",
                               "Enc3",
                               [](QComboBox* box) { pickByKeys(box, Qt::Key_Down, 0); },
                               "off",
                               {frame({0x00, 0xEE, 0x24, 0x00})}},
                      StepCase{"drop_down_left_with_escape",
                               "Enc3",
                               [](QComboBox* box) {
                                   box->showPopup();
                                   QTest::keyClick(box->view(), Qt::Key_Down);
                                   QTest::keyClick(box->view(), Qt::Key_Escape);
                               },
                               "off",
                               {}},
                      StepCase{"wheel_on_the_focused_list",
                               "Delay",
                               [](QComboBox* box) {
                                   box->setFocus(Qt::TabFocusReason);
                                   turnWheel(box, -2);
                               },
                               "136 ms",
                               {frame({0x00, 0xEE, 0x40, 0x10}), frame({0x00, 0xEE, 0x40, 0x11})}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RePickCase {
    const char* list;
    Frame expected;
};

class RePick : public UserPicks, public ::testing::WithParamInterface<RePickCase> {};

TEST_P(RePick, PickingTheItemShownSendsItOnce) {
    QComboBox* box = combo(GetParam().list);
    const QString item = box->currentText();
    pick(box, item);
    EXPECT_EQ(box->currentText(), item);
    EXPECT_EQ(sent(), std::vector<Frame>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(Lists, RePick,
                         ::testing::Values(RePickCase{"Enc1", frame({0x00, 0xEE, 0x20, 0x08})},
                                           RePickCase{"Enc3", frame({0x00, 0xEE, 0x24, 0x00})},
                                           RePickCase{"Delay", frame({0x00, 0xEE, 0x40, 0x0F})},
                                           RePickCase{"RotStart", frame({0x00, 0xEE, 0x4E, 0x04})}),
                         [](const auto& info) { return std::string(info.param.list); });

TEST_F(UserPicks, PickingTheOpenBoardsSerialReopensItAndReadsItBack) {
    sim::Board& board = sim.board(id);
    const int opens = board.opens;
    const int sets = board.featureSets;
    const int gets = board.featureGets;
    // Changed behind the window's back, so only a new readback shows it.
    board.firmware.settings[32] = 0x02;

    pick(combo("SerNo"), QStringLiteral("K0002"));

    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(id));
    EXPECT_EQ(board.opens, opens + 2) << "both handles opened once more";
    EXPECT_EQ(sim.openHandles(), 2);
    EXPECT_EQ(board.featureSets, sets + 1);
    EXPECT_EQ(board.featureGets, gets + 8);
    EXPECT_EQ(sent(), std::vector<Frame>{kSettingsRequest});
    EXPECT_EQ(shown("Enc1"), "1:1");
    EXPECT_TRUE(window->session().settingsLoaded);
    EXPECT_FALSE(window->session().reconnectPending);
}

struct ProgramCase {
    const char* name;
    std::function<void(DeviceView&)> act;
    Control list;
    int selectedAfter;
    std::vector<Frame> expected;
};

class ProgramSelection : public ConfigWindow, public ::testing::WithParamInterface<ProgramCase> {};

// The refresh and readback count on the lists raising their handlers where,
// and only where, the program changes the index; while the settings count as
// loaded, each raise shows as a frame.
TEST_P(ProgramSelection, RaisesTheHandlerWhereTheIndexChanges) {
    const DeviceId id = sim.plug(storedSettingsBoard());
    load();
    ASSERT_TRUE(window->session().settingsLoaded);
    const std::size_t before = received(id).size();
    GetParam().act(*window);
    EXPECT_EQ(window->selectedIndex(GetParam().list), GetParam().selectedAfter);
    EXPECT_EQ(receivedSince(id, before), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ProgramSelection,
    ::testing::Values(ProgramCase{"select_the_index_shown",
                                  [](DeviceView& v) { v.selectListItem(Control::Enc1, 3); },
                                  Control::Enc1,
                                  3,
                                  {}},
                      ProgramCase{"select_another_index",
                                  [](DeviceView& v) { v.selectListItem(Control::Enc1, 1); },
                                  Control::Enc1,
                                  1,
                                  {frame({0x00, 0xEE, 0x20, 0x02})}},
                      ProgramCase{"select_nothing",
                                  [](DeviceView& v) { v.selectListItem(Control::Delay, -1); },
                                  Control::Delay,
                                  -1,
                                  {frame({0x00, 0xEE, 0x40, 0x00})}},
                      ProgramCase{"clear_twice",
                                  [](DeviceView& v) {
                                      v.clearList(encControl(16));
                                      v.clearList(encControl(16));
                                  },
                                  encControl(16),
                                  -1,
                                  {frame({0x00, 0xEE, 0x3E, 0x00})}},
                      ProgramCase{"add_to_an_emptied_list",
                                  [](DeviceView& v) {
                                      v.clearList(Control::Delay);
                                      v.addListItem(Control::Delay, 0, "8 ms");
                                  },
                                  Control::Delay,
                                  -1,
                                  {frame({0x00, 0xEE, 0x40, 0x00})}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every item of every list is readable whole in its box at the layout's
// width: the box shows only the chosen item, so a cut one cannot be told
// from another ("120 ms" from "12 ms").
TEST_F(ConfigWindow, EveryItemFitsBesideItsListsArrow) {
    sim.plug(sim::saneBoard());
    load();
    for (const char* name : {"Enc1", "Enc16", "Delay", "RotStart", "SerNo"}) {
        QComboBox* box = combo(name);
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = false;
        option.frame = box->hasFrame();
        option.subControls = QStyle::SC_All;
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, box);
        ASSERT_GT(box->count(), 0) << name;
        for (int i = 0; i < box->count(); ++i) {
            // The label keeps a pixel clear at either end of the field.
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->itemText(i)) + 2, field.width())
                << name << " \"" << box->itemText(i).toStdString() << "\"";
        }
    }
}

// ---------------------------------------------------------------- self test

struct SelfTestCase {
    const char* name;
    std::uint8_t byte0;
    std::uint8_t byte1;
    bool replyFails;
    const char* caption;
    const char* text1;
};

class SelfTest : public ConfigWindow, public ::testing::WithParamInterface<SelfTestCase> {};

TEST_P(SelfTest, OnePressOneRequestAndTheOutcomeShown) {
    sim::Board board = sim::saneBoard();
    board.firmware.selfTestByte0 = GetParam().byte0;
    board.firmware.selfTestByte1 = GetParam().byte1;
    const DeviceId id = sim.plug(board);
    load();
    auto* button = control<QPushButton>("Selftest");
    ASSERT_TRUE(button->isEnabled());
    sim::Board& shownBoard = sim.board(id);
    shownBoard.fail.getFeature = GetParam().replyFails;
    const std::size_t before = received(id).size();
    const int sets = shownBoard.featureSets;
    const int gets = shownBoard.featureGets;

    QTest::mouseClick(button, Qt::LeftButton);

    EXPECT_EQ(receivedSince(id, before), std::vector<Frame>{frame({0x00, 0xE1, 0x00, 0x00})});
    EXPECT_EQ(shownBoard.featureSets, sets + 1);
    EXPECT_EQ(shownBoard.featureGets, gets + 1) << "one read, answered or not";
    EXPECT_EQ(control<QLabel>("TestResult")->text(), GetParam().caption);
    EXPECT_EQ(control<QPlainTextEdit>("Text1")->toPlainText(), GetParam().text1);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SelfTest,
    ::testing::Values(SelfTestCase{"passed", 0, 0, false, "Passed", "0 0"},
                      SelfTestCase{"failed_on_5", 0, 5, false, "Failed on B5", "0 5"},
                      SelfTestCase{"failed_on_255", 0, 255, false, "Failed on B255", "0 255"},
                      SelfTestCase{"byte0_shown_raw", 7, 17, false, "Failed on B17", "7 17"},
                      // The reply buffer keeps its zeros, which must not read as a pass.
                      SelfTestCase{"no_reply", 0, 5, true, "No reply", "0 0"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- quiet times

// The readback's selections and the scan's must never be echoed to a board:
// the settings request is all that start-up and reconnection send.
TEST_F(ConfigWindow, StartUpSendsOnlyTheSettingsRequest) {
    const DeviceId id = sim.plug(storedSettingsBoard());
    load();
    EXPECT_EQ(received(id), std::vector<Frame>{kSettingsRequest});
    EXPECT_EQ(sim.counters().featureReportsSent, 1);
    EXPECT_EQ(sim.board(id).featureSets, 1);
    EXPECT_EQ(sim.board(id).featureGets, 8);
    // The readback did change the lists, so their events did fire.
    EXPECT_EQ(shown("Enc1"), "1:4");
    EXPECT_EQ(shown("Delay"), "120 ms");
    EXPECT_EQ(shown("RotStart"), "5");
    EXPECT_TRUE(control<QCheckBox>("RotaryPulse")->isChecked());
}

TEST_F(ConfigWindow, ReconnectionAfterUnplugSendsOnlyTheSettingsRequest) {
    const DeviceId gone = sim.plug(storedSettingsBoard());
    load();
    sim.unplug(gone);
    window->PollDevice();
    ASSERT_FALSE(boardOpen());
    window->PollDevice(); // a tick with nothing to find
    const int sentWhileAway = sim.counters().featureReportsSent;
    EXPECT_EQ(sentWhileAway, 1);

    const DeviceId back = sim.plug(storedSettingsBoard());
    window->PollDevice();
    ASSERT_TRUE(boardOpen());
    EXPECT_EQ(received(back), std::vector<Frame>{kSettingsRequest});
    EXPECT_EQ(sim.counters().featureReportsSent, sentWhileAway + 1);
    EXPECT_EQ(shown("Enc16"), "1:4");
}

TEST_F(ConfigWindow, ScanSelectionsWithTwoBoardsOpenNothingTwice) {
    const DeviceId first = sim.plug(storedSettingsBoard(u"K0001"));
    const DeviceId second = sim.plug(storedSettingsBoard(u"K0002"));
    load();
    ASSERT_EQ(combo("SerNo")->count(), 2);
    EXPECT_TRUE(received(first).empty());
    EXPECT_EQ(received(second), std::vector<Frame>{kSettingsRequest});

    // Losing the open board: the next scan refills and reselects SerNo, and
    // only the search that follows opens the remaining board.
    sim.unplug(second);
    window->PollDevice();
    ASSERT_TRUE(boardOpen());
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(first));
    EXPECT_EQ(received(first), std::vector<Frame>{kSettingsRequest});
    EXPECT_EQ(received(second), std::vector<Frame>{kSettingsRequest});
}

TEST_F(ConfigWindow, NothingIsSentWhileNoBoardIsOpen) {
    sim::Board refused = storedSettingsBoard();
    refused.fail.accessDenied = true;
    const DeviceId id = sim.plug(refused);
    load();
    ASSERT_FALSE(boardOpen());
    auto* box = control<QCheckBox>("RotaryPulse");
    // The only control a user can still reach.
    ASSERT_TRUE(box->isEnabled());
    clickTickBox(box);
    clickTickBox(box);
    QTest::mouseClick(control<QPushButton>("Selftest"), Qt::LeftButton);
    window->PollDevice();
    EXPECT_EQ(sim.counters().featureReportsSent, 0);
    EXPECT_TRUE(received(id).empty());
}

TEST_F(ConfigWindow, NothingIsSentAfterTheOpenBoardWasLost) {
    const DeviceId id = sim.plug(sim::saneBoard());
    load();
    sim.unplug(id);
    window->PollDevice();
    ASSERT_FALSE(boardOpen());
    const int sent = sim.counters().featureReportsSent;
    clickTickBox(control<QCheckBox>("RotaryPulse"));
    QTest::mouseClick(control<QPushButton>("Selftest"), Qt::LeftButton);
    EXPECT_EQ(sim.counters().featureReportsSent, sent);
}

// ---------------------------------------------------------------- switching

class BoardSwitch : public ConfigWindow {
protected:
    void SetUp() override {
        first = sim.plug(storedSettingsBoard(u"K0001"));
        sim::Board other = sim::saneBoard(u"K0002");
        other.versionNumber = 0x0101;
        other.manufacturer = u"Other";
        second = sim.plug(other);
        load();
        ASSERT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(second));
    }
    DeviceId first = 0;
    DeviceId second = 0;
};

TEST_F(BoardSwitch, PickingTheOtherSerialOpensItAndShowsItsSettings) {
    ASSERT_EQ(shown("Enc1"), "1:1");
    pick(combo("SerNo"), QStringLiteral("K0001"));

    EXPECT_TRUE(boardOpen());
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(first));
    EXPECT_EQ(received(first), std::vector<Frame>{kSettingsRequest});
    EXPECT_EQ(control<QLabel>("lblManuf")->text(), " Kestro");
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), " 1.3");
    EXPECT_EQ(shown("Enc1"), "1:4");
    EXPECT_EQ(shown("Enc2"), "1:2");
    EXPECT_EQ(shown("Enc3"), "off");
    EXPECT_EQ(shown("Delay"), "120 ms");
    EXPECT_EQ(shown("RotStart"), "5");
    EXPECT_TRUE(control<QCheckBox>("RotaryPulse")->isChecked());
    EXPECT_TRUE(combo("RotStart")->isEnabled());
    EXPECT_TRUE(window->session().settingsLoaded);
    EXPECT_FALSE(window->session().reconnectPending);
    EXPECT_EQ(sim.openHandles(), 2);
    // The old board was only read back at start-up and told nothing since.
    EXPECT_EQ(received(second), std::vector<Frame>{kSettingsRequest});
}

TEST_F(BoardSwitch, PickingABoardThatHasGoneEmptiesTheViewUntilThePollFindsOne) {
    sim.unplug(first); // still listed: the list is only refilled by a scan
    pick(combo("SerNo"), QStringLiteral("K0001"));

    EXPECT_FALSE(boardOpen());
    EXPECT_TRUE(window->session().reconnectPending);
    EXPECT_FALSE(window->session().settingsLoaded);
    EXPECT_TRUE(window->timer().isActive());
    EXPECT_EQ(interval(), 250);
    EXPECT_EQ(sim.openHandles(), 0);
    EXPECT_EQ(control<QLabel>("lblManuf")->text(), "");
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), "");
    for (const char* name : {"Enc1", "Enc16", "Delay", "RotStart"}) {
        EXPECT_EQ(combo(name)->count(), 0) << name;
        EXPECT_FALSE(combo(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(control<QWidget>("Selftest")->isEnabled());

    window->PollDevice();
    EXPECT_TRUE(boardOpen());
    EXPECT_FALSE(window->session().reconnectPending);
    EXPECT_EQ(window->link().devicePath, sim::SimPlatform::pathOf(second));
    EXPECT_EQ(combo("SerNo")->count(), 1);
    EXPECT_EQ(combo("Enc1")->count(), 4);
    EXPECT_EQ(control<QLabel>("lblManuf")->text(), " Other");
    EXPECT_TRUE(received(first).empty());
}

// ---------------------------------------------------------------- pictures

// Pictures of the window as it opens, the self-diagnostic row in sight. They
// assert what the eye should find.
class TallScreenshot : public ConfigWindow {
protected:
    void openTall(sim::Board board) {
        sim.plug(std::move(board));
        load();
        ASSERT_TRUE(boardOpen());
        const QWidget* row = control<QWidget>("Selftest");
        ASSERT_TRUE(window->rect().contains(row->geometry())) << "self-diagnostic row out of sight";
        ASSERT_TRUE(control<QWidget>("Text1")->isHidden());
    }
    bool save(const char* file) {
        QDir().mkpath(QStringLiteral(KESTRO_SCREENSHOT_DIR));
        return window->grab().save(QStringLiteral(KESTRO_SCREENSHOT_DIR "/") + file);
    }
};

TEST_F(TallScreenshot, Version13BoardWithStoredSettingsAfterASelfTest) {
    sim::Board board = storedSettingsBoard();
    auto& s = board.firmware.settings;
    s[38] = 0x02; // Enc4 1:1
    s[48] = 0x04; // Enc9 1:2
    s[50] = 0x08; // Enc10 1:4
    s[52] = 0x00; // Enc11 off
    openTall(board);
    QTest::mouseClick(control<QPushButton>("Selftest"), Qt::LeftButton);
    EXPECT_EQ(control<QLabel>("TestResult")->text(), "Passed");
    EXPECT_EQ(shown("Delay"), "120 ms");
    EXPECT_EQ(shown("RotStart"), "5");
    EXPECT_TRUE(control<QCheckBox>("RotaryPulse")->isChecked());
    EXPECT_TRUE(save("board-settings-v1.3.png"));
}

TEST_F(TallScreenshot, Version11BoardWithoutStartPositionOrSelfTest) {
    sim::Board board = sim::saneBoard();
    board.versionNumber = 0x0101;
    openTall(board);
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), " 1.1");
    for (const char* name : {"RotStart", "Label22", "Selftest", "TestResult"})
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(combo("Enc1")->isEnabled());
    EXPECT_TRUE(save("board-v1.1.png"));
}

} // namespace
} // namespace kestro::test
