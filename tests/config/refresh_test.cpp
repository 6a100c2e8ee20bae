#include "config/protocol.h"
#include "session_fixture.h"

namespace kestro {
namespace {

using sim::Reply;
using test::SessionTest;

class RefreshTest : public SessionTest {
protected:
    sim::SimPlatform::DeviceId plugBoard(sim::Board board = sim::saneBoard()) {
        return id = platform.plug(std::move(board));
    }
    sim::Firmware& firmware() { return platform.board(id).firmware; }
    // A readback whose eight fetches are the given replies, then failures.
    void replies(std::vector<Reply> sequence) {
        sequence.resize(kReadbackReads, Reply{Reply::Kind::Fail, {}});
        firmware().readback = std::move(sequence);
    }
    static Reply general(std::uint8_t pulse, std::uint8_t rotary, std::uint8_t start) {
        std::vector<std::uint8_t> bytes(65, 0);
        bytes[1] = 0x40;
        bytes[2] = pulse;
        bytes[15] = rotary;
        bytes[16] = start;
        return {Reply::Kind::Raw, bytes};
    }
    static Reply encoders(std::uint8_t value) {
        std::vector<std::uint8_t> bytes(65, 0);
        bytes[1] = 0x20;
        for (int n = 1; n <= 16; ++n)
            bytes[2 * n] = value;
        return {Reply::Kind::Raw, bytes};
    }
    void expectDefaults() {
        for (int n = 1; n <= 16; ++n)
            EXPECT_EQ(view.selectedText(encControl(n)), "off") << n;
        EXPECT_EQ(view.selectedText(Control::Delay), "48 ms");
        EXPECT_EQ(view.selectedText(Control::RotStart), "Auto");
    }

    sim::SimPlatform::DeviceId id = 0;
};

TEST_F(RefreshTest, WithNoBoardEverythingIsEmptyAndDisabled) {
    start();
    EXPECT_FALSE(session.settingsLoaded);
    for (auto& [control, list] : view.lists) {
        EXPECT_TRUE(list.items.empty());
        EXPECT_FALSE(view.isEnabled(control));
    }
    for (auto control : {Control::Frame3, Control::Label1, Control::Label22, Control::Selftest})
        EXPECT_FALSE(view.isEnabled(control));
    EXPECT_EQ(view.captions[Caption::lblManuf], "");
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

TEST_F(RefreshTest, ShowsIdentityAndFillsTheLists) {
    sim::Board board = sim::saneBoard();
    board.manufacturer = u"Kestro Ltd";
    board.product = u"Kestro 128 Pro";
    plugBoard(board);
    start();
    EXPECT_EQ(view.captions[Caption::lblManuf], " Kestro Ltd");
    EXPECT_EQ(view.captions[Caption::lblProduct], " Kestro 128 Pro");
    EXPECT_EQ(view.captions[Caption::lblVersion], " 1.3");
    EXPECT_TRUE(view.isEnabled(Control::Frame1));
    EXPECT_EQ(view.lists[encControl(1)].items,
              (std::vector<std::string>{"off", "1:1", "1:2", "1:4"}));
    ASSERT_EQ(view.lists[Control::Delay].items.size(), 25u);
    EXPECT_EQ(view.lists[Control::Delay].items[0], "8 ms");
    EXPECT_EQ(view.lists[Control::Delay].items[24], "200 ms");
    ASSERT_EQ(view.lists[Control::RotStart].items.size(), 33u);
    EXPECT_EQ(view.lists[Control::RotStart].items[0], "Auto");
    EXPECT_EQ(view.lists[Control::RotStart].items[1], "2");
    EXPECT_EQ(view.lists[Control::RotStart].items[32], "33");
    EXPECT_TRUE(session.settingsLoaded);
    EXPECT_EQ(view.text1, "");
}

struct VersionCase {
    std::uint16_t version;
    const char* caption;
    bool rotStart;
    bool selftest;
};

class VersionGates : public RefreshTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionGates, CaptionAndEnabledControls) {
    const VersionCase& c = GetParam();
    sim::Board board = sim::saneBoard();
    board.versionNumber = c.version;
    plugBoard(board);
    start();
    EXPECT_EQ(view.captions[Caption::lblVersion], c.caption);
    EXPECT_EQ(view.isEnabled(Control::RotStart), c.rotStart);
    EXPECT_EQ(view.isEnabled(Control::Label22), c.rotStart);
    EXPECT_EQ(view.isEnabled(Control::Selftest), c.selftest);
    EXPECT_EQ(view.isEnabled(Control::TestResult), c.selftest);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionGates,
                         ::testing::Values(VersionCase{0x0101, " 1.1", false, false},
                                           VersionCase{0x0102, " 1.2", true, false},
                                           VersionCase{0x0103, " 1.3", true, true},
                                           VersionCase{0x010A, " 1.A", true, true},
                                           VersionCase{0x0110, " 1.10", true, true},
                                           VersionCase{0x0200, " 2.0", true, true},
                                           VersionCase{0x00FF, " 0.FF", false, false},
                                           VersionCase{0x8000, " -128.0", false, false},
                                           VersionCase{0xFFFF, " -1.FF", false, false}));

TEST_F(RefreshTest, WithoutManufacturerTheVersionIsUnknownAndGatesStayShut) {
    sim::Board board = sim::saneBoard();
    board.fail.manufacturer = true;
    board.versionNumber = 0x0200;
    plugBoard(board);
    start();
    EXPECT_EQ(view.captions[Caption::lblVersion], "");
    EXPECT_EQ(view.captions[Caption::lblProduct], " Kestro 128");
    EXPECT_FALSE(view.isEnabled(Control::RotStart));
    EXPECT_FALSE(view.isEnabled(Control::Selftest));
}

TEST_F(RefreshTest, IdentityStringsAreCutAtFiftyCharacters) {
    sim::Board board = sim::saneBoard();
    board.product = std::u16string(70, u'p');
    plugBoard(board);
    start();
    EXPECT_EQ(view.captions[Caption::lblProduct], " " + std::string(50, 'p'));
}

TEST_F(RefreshTest, SendsOnlyTheSettingsRequest) {
    plugBoard();
    start();
    const auto received = takeReceived(id);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], frame({0x00, 0xE0, 0x00, 0x05}));
}

TEST_F(RefreshTest, RepeatedRefreshesNeverDuplicateItems) {
    plugBoard();
    start();
    session.RefreshDeviceView();
    link.deviceDetected = false;
    link.CloseBoard();
    start();
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(view.lists[encControl(n)].items.size(), 4u);
    EXPECT_EQ(view.lists[Control::Delay].items.size(), 25u);
    EXPECT_EQ(view.lists[Control::RotStart].items.size(), 33u);
    // Every refresh sent its request and nothing else.
    for (const auto& received : takeReceived(id))
        EXPECT_EQ(received[1], 0xE0);
}

struct GeneralCase {
    std::uint8_t pulse, rotary, start;
    const char* delay;
    const char* rotStart;
    int check;
};

class GeneralDecode : public RefreshTest, public ::testing::WithParamInterface<GeneralCase> {};

TEST_P(GeneralDecode, SelectsTheStoredValues) {
    const GeneralCase& c = GetParam();
    plugBoard();
    view.checkState = c.check ? 0 : 1;
    replies({general(c.pulse, c.rotary, c.start)});
    start();
    EXPECT_EQ(view.selectedText(Control::Delay), c.delay);
    EXPECT_EQ(view.selectedText(Control::RotStart), c.rotStart);
    EXPECT_EQ(view.checkState, c.check);
    EXPECT_EQ(takeReceived(id).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, GeneralDecode,
                         ::testing::Values(GeneralCase{1, 0x03, 255, "8 ms", "Auto", 1},
                                           GeneralCase{6, 0x02, 0, "48 ms", "Auto", 0},
                                           GeneralCase{25, 0x01, 1, "200 ms", "2", 1},
                                           GeneralCase{0, 0x00, 32, "", "33", 0},
                                           GeneralCase{26, 0x00, 33, "48 ms", "Auto", 0},
                                           GeneralCase{255, 0x00, 254, "48 ms", "Auto", 0}));

TEST_F(RefreshTest, EncoderBytesDecodeByTheirHighestModeBit) {
    const std::pair<std::uint8_t, const char*> table[] = {
        {0x0E, "1:4"}, {0x06, "1:2"}, {0x03, "1:1"}, {0x01, "off"},
        {0xF0, "off"}, {0x0A, "1:4"}, {0x10, "off"}};
    plugBoard();
    for (auto [value, text] : table) {
        replies({encoders(value)});
        session.settingsLoaded = false;
        link.deviceDetected = false;
        link.CloseBoard();
        start();
        for (int n = 1; n <= 16; ++n)
            EXPECT_EQ(view.selectedText(encControl(n)), text) << int(value) << " encoder " << n;
    }
}

TEST_F(RefreshTest, EachEncoderReadsItsOwnByte) {
    plugBoard();
    std::vector<std::uint8_t> bytes(65, 0);
    bytes[1] = 0x20;
    for (int n = 1; n <= 16; ++n)
        bytes[2 * n] = static_cast<std::uint8_t>(1 << (n % 4));
    replies({{Reply::Kind::Raw, bytes}});
    start();
    const char* texts[] = {"off", "1:1", "1:2", "1:4"};
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(view.selectedText(encControl(n)), texts[n % 4]) << n;
}

TEST_F(RefreshTest, AllReadsFailingLeavesDefaultsAndTheCheckBoxAlone) {
    plugBoard();
    view.checkState = 1;
    replies({});
    start();
    // Asked once and read eight times all the same.
    EXPECT_EQ(platform.board(id).featureSets, 1);
    EXPECT_EQ(platform.board(id).featureGets, kReadbackReads);
    expectDefaults();
    EXPECT_EQ(view.checkState, 1);
    EXPECT_EQ(view.text1, "");
    EXPECT_TRUE(session.settingsLoaded);
}

TEST_F(RefreshTest, OnlyOneKindOfBlockLeavesTheOtherOnDefaults) {
    plugBoard();
    replies({encoders(0x08), encoders(0x08)});
    start();
    EXPECT_EQ(view.selectedText(encControl(3)), "1:4");
    EXPECT_EQ(view.selectedText(Control::Delay), "48 ms");
    EXPECT_EQ(view.selectedText(Control::RotStart), "Auto");

    replies({general(25, 1, 9)});
    link.deviceDetected = false;
    link.CloseBoard();
    start();
    EXPECT_EQ(view.selectedText(encControl(3)), "off");
    EXPECT_EQ(view.selectedText(Control::Delay), "200 ms");
    EXPECT_EQ(view.selectedText(Control::RotStart), "10");
}

TEST_F(RefreshTest, TheLastBlockOfEachKindWinsAndForeignBlocksAreIgnored) {
    plugBoard();
    std::vector<std::uint8_t> foreign(65, 0xFF);
    foreign[1] = 0x30;
    replies({general(1, 0, 1),
             encoders(0x02),
             {Reply::Kind::Raw, foreign},
             general(3, 0, 2),
             encoders(0x04),
             {Reply::Kind::Fail, {}},
             {Reply::Kind::Raw, foreign}});
    start();
    EXPECT_EQ(view.selectedText(Control::Delay), "24 ms");
    EXPECT_EQ(view.selectedText(Control::RotStart), "3");
    EXPECT_EQ(view.selectedText(encControl(16)), "1:2");
}

TEST_F(RefreshTest, AFailedReadIsSkippedNotReapplied) {
    // The reply buffer is not cleared between reads, but a failed read is
    // skipped rather than re-applied.
    plugBoard();
    replies({general(2, 0, 3), {Reply::Kind::Fail, {}}});
    start();
    EXPECT_EQ(view.selectedText(Control::Delay), "16 ms");
    EXPECT_EQ(view.selectedText(Control::RotStart), "4");
}

TEST_F(RefreshTest, RotaryStartIsReadBackEvenWhenItsGateIsShut) {
    sim::Board board = sim::saneBoard();
    board.versionNumber = 0x0101;
    plugBoard(board);
    replies({general(6, 0, 5)});
    start();
    EXPECT_FALSE(view.isEnabled(Control::RotStart));
    EXPECT_EQ(view.selectedText(Control::RotStart), "6");
}

struct LengthCase {
    std::uint16_t feature;
    bool requestSent;
    bool generalRead;
    bool encodersRead;
};

class ShortFeatureReports : public RefreshTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(ShortFeatureReports, NeverReadBytesTheReplyDoesNotCarry) {
    const LengthCase& c = GetParam();
    sim::Board board = sim::saneBoard();
    board.caps.FeatureReportByteLength = c.feature;
    board.firmware.settings[64] = 25;
    board.firmware.settings[32] = 0x08;
    plugBoard(board);
    start();
    EXPECT_EQ(takeReceived(id).size(), c.requestSent ? 1u : 0u);
    EXPECT_EQ(view.selectedText(Control::Delay), c.generalRead   ? "200 ms"
                                                 : c.requestSent ? "48 ms"
                                                                 : "");
    EXPECT_EQ(view.selectedText(encControl(1)), c.encodersRead  ? "1:4"
                                                : c.requestSent ? "off"
                                                                : "");
    EXPECT_EQ(view.isEnabled(Control::Delay), c.requestSent);
    EXPECT_EQ(session.settingsLoaded, c.requestSent);
    EXPECT_EQ(view.captions[Caption::lblManuf], " Kestro");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShortFeatureReports,
    ::testing::Values(LengthCase{0, false, false, false}, LengthCase{3, false, false, false},
                      LengthCase{4, true, false, false}, LengthCase{16, true, false, false},
                      LengthCase{17, true, true, false}, LengthCase{32, true, true, false},
                      LengthCase{33, true, true, true}, LengthCase{255, true, true, true}));

} // namespace
} // namespace kestro
