// Save… and Load… on simulated boards: a board's settings to a file and back,
// writing only what differs, and the files and boards a load refuses.
#include "app/settings_file_actions.h"
#include "window_fixture.h"

#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kestro::test {
namespace {

class SettingsFile : public WindowTest {
protected:
    // The dialogs answered as a user would: this file, and yes (or no).
    void answer(const std::string& path, bool yes = true) {
        window->settingsFile().askFileName = [path](bool) { return QString::fromStdString(path); };
        window->settingsFile().confirm = [this, yes](const QString&, const QStringList& changes) {
            asked = changes;
            return yes;
        };
    }
    std::string path(const std::string& name) const {
        // ctest runs the cases side by side: each writes in a folder of its own.
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '-');
        const auto folder = std::filesystem::path(::testing::TempDir()) / ("kestro-" + test);
        std::filesystem::create_directories(folder);
        return (folder / name).string();
    }
    std::string status() const { return window->session().status.actionMessage(); }

    QStringList asked;
};

TEST_F(SettingsFile, SaveThenLoadWritesOnlyWhatDiffersAndShowsTheBoard) {
    const DeviceId id = sim.plug(sim::saneBoard());
    load();
    auto* save = control<QPushButton>("SaveSettings");
    ASSERT_TRUE(save->isEnabled());
    const std::string file = path("k1.json");
    answer(file);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(status(), "Settings saved to k1.json");

    auto& settings = sim.board(id).firmware.settings;
    settings[0x22] = 0x08; // encoder 2 at 1:4
    settings[78] = 7;      // rotary start at 8
    const std::size_t before = received(id).size();
    QTest::mouseClick(control<QPushButton>("LoadSettings"), Qt::LeftButton);
    EXPECT_EQ(asked, (QStringList{QString::fromUtf8("Encoder 2: 1:4 \u2192 1:1"),
                                  QString::fromUtf8("Rotary switches starting position: 8 "
                                                    "\u2192 Auto")}));
    const std::vector<Frame> sent = receivedSince(id, before);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[1], frame({0x00, 0xEE, 0x22, 0x02}));
    EXPECT_EQ(sent[2], frame({0x00, 0xEE, 0x4E, 0xFF}));
    EXPECT_EQ(settings[0x22], 0x02);
    EXPECT_EQ(shown("Enc2"), "1:1");
    EXPECT_EQ(shown("RotStart"), "Auto");
    EXPECT_EQ(status(), "2 settings of k1.json written and read back");
}

struct Refusal {
    const char* what;
    std::uint16_t version;
    std::string text;
    const char* status;
};

class RefusedFiles : public SettingsFile, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedFiles, ChangeNothingAndSayWhy) {
    const Refusal& c = GetParam();
    sim::Board board = sim::saneBoard();
    board.versionNumber = c.version;
    const DeviceId id = sim.plug(board);
    load();
    const std::string file = path("refused.json");
    std::ofstream(file, std::ios::binary) << c.text;
    answer(file);
    const std::size_t before = received(id).size();
    window->settingsFile().load();
    for (const Frame& sent : receivedSince(id, before))
        EXPECT_NE(sent[1], 0xEE) << "a setting was written";
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(status(), c.status);
}

const std::string kHead = R"({"format": "kestroctl-backup", "version": 1, )";

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedFiles,
    ::testing::Values(
        Refusal{"not a backup", 0x0103, R"({"format": "other", "version": 1, "settings": {}})",
                "refused.json was not loaded: \"format\" is not \"kestroctl-backup\": this is "
                "not a kestroctl backup; nothing was written"},
        Refusal{"bad value", 0x0103, kHead + R"("settings": {"encoder1": "1:3"}})",
                "refused.json was not loaded: \"1:3\" is not a value of encoder1 (off, 1:1, 1:2 "
                "or 1:4); nothing was written"},
        Refusal{"old board", 0x0101,
                kHead + R"("settings": {"encoder1": "1:4", "rotary-start": "2"}})",
                "Nothing was written: this board does not admit Rotary switches starting "
                "position (needs version 1.2 or later; the board has 1.1) from refused.json"},
        Refusal{"nothing differs", 0x0103, kHead + R"("settings": {"encoder1": "1:1"}})",
                "The board already holds every setting of refused.json"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::to_string(info.index); });

TEST_F(SettingsFile, WithoutABoardNothingIsAskedOrWritten) {
    load();
    EXPECT_FALSE(control<QPushButton>("SaveSettings")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("LoadSettings")->isEnabled());
    bool asked = false;
    window->settingsFile().askFileName = [&asked](bool) {
        asked = true;
        return QString();
    };
    window->settingsFile().load();
    window->settingsFile().save();
    EXPECT_FALSE(asked);

    // A board plugged later enables them at the next tick.
    sim.plug(sim::saneBoard());
    window->PollDevice();
    EXPECT_TRUE(control<QPushButton>("LoadSettings")->isEnabled());
}

} // namespace
} // namespace kestro::test
