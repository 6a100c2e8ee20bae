// What the status line says in each state, read from the model that the
// session and the poll loop feed, on simulated boards.
#include "config/permission_hint.h"
#include "config/poll_loop.h"
#include "fake_poll_view.h"
#include "session_fixture.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace kestro::test {
namespace {

struct StatusCase {
    const char* name;
    std::function<void(sim::SimPlatform&)> boards;
    // What happens after start-up; may be empty.
    std::function<void(FakeView&, PollLoop&, sim::SimPlatform&)> then;
    StatusState state;
    std::string text;
};

void pickEncoder5(FakeView& view, PollLoop&, sim::SimPlatform&) {
    view.pick(encControl(5), 2);
}

const StatusCase kCases[] = {
    {"NoBoard",
     [](sim::SimPlatform&) {},
     {},
     StatusState::NoBoard,
     "No Kestro board found: plug one in."},
    {"OneBoard",
     [](sim::SimPlatform& p) { p.plug(sim::saneBoard()); },
     {},
     StatusState::BoardOpen,
     "Open: Kestro 128, serial K0001, version 1.3. 1 board attached."},
    {"TwoBoards",
     [](sim::SimPlatform& p) {
         p.plug(sim::saneBoard(u"K0001"));
         p.plug(sim::saneBoard(u"K0002"));
     },
     {},
     StatusState::BoardOpen,
     "Open: Kestro 128, serial K0002, version 1.3. 2 boards attached."},
    {"VersionUnknown",
     [](sim::SimPlatform& p) {
         sim::Board board = sim::saneBoard();
         board.fail.manufacturer = true;
         p.plug(board);
     },
     {},
     StatusState::BoardOpen,
     "Open: Kestro 128, serial K0001, version unknown. 1 board attached."},
    {"SettingWritten", [](sim::SimPlatform& p) { p.plug(sim::saneBoard()); }, pickEncoder5,
     StatusState::BoardOpen,
     "Open: Kestro 128, serial K0001, version 1.3. 1 board attached. Encoder 5 set to 1:2."},
    {"SettingRefused", [](sim::SimPlatform& p) { p.plug(sim::saneBoard()); },
     [](FakeView& view, PollLoop& poll, sim::SimPlatform& p) {
         p.board(1).fail.setFeature = true;
         pickEncoder5(view, poll, p);
     },
     StatusState::BoardOpen,
     "Open: Kestro 128, serial K0001, version 1.3. 1 board attached. The board did not accept "
     "encoder 5."},
    {"SettingsUnanswered",
     [](sim::SimPlatform& p) { p.board(p.plug(sim::saneBoard())).fail.getFeature = true; },
     {},
     StatusState::SettingsUnanswered,
     "Open: Kestro 128, serial K0001, version 1.3. The board does not answer its settings "
     "requests. 1 board attached."},
    {"BoardLost", [](sim::SimPlatform& p) { p.plug(sim::saneBoard()); },
     [](FakeView& view, PollLoop& poll, sim::SimPlatform& p) {
         pickEncoder5(view, poll, p);
         p.unplug(1);
         poll.PollDevice();
         poll.PollDevice();
     },
     StatusState::BoardLost, "Board K0001 stopped answering: looking for a board..."},
    {"LostBoardBackOpen", [](sim::SimPlatform& p) { p.plug(sim::saneBoard()); },
     [](FakeView&, PollLoop& poll, sim::SimPlatform& p) {
         p.board(1).fail.read = true;
         poll.PollDevice();
     },
     StatusState::BoardOpen, "Open: Kestro 128, serial K0001, version 1.3. 1 board attached."},
    {"AccessRefused",
     [](sim::SimPlatform& p) {
         sim::Board board = sim::saneBoard();
         board.fail.accessDenied = true;
         board.node = "/dev/hidraw3";
         p.plug(board);
     },
     {},
     StatusState::AccessRefused,
     permissionHintText(RefusedBoard{"sim:1", "/dev/hidraw3", 0x1140})},
};

class StatusWords : public SessionTest, public ::testing::WithParamInterface<StatusCase> {
protected:
    FakePollView pollView{view};
    PollLoop poll{link, session, pollView};
};

TEST_P(StatusWords, StateAndText) {
    EXPECT_EQ(session.status.state(), StatusState::Looking);
    GetParam().boards(platform);
    poll.searchForBoard();
    if (GetParam().then)
        GetParam().then(view, poll, platform);
    EXPECT_EQ(session.status.state(), GetParam().state);
    EXPECT_EQ(session.status.text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Status, StatusWords, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StatusModel, AnActionMessageStaysWithItsBoardOnly) {
    StatusModel status;
    int changes = 0;
    status.onChange = [&] { ++changes; };
    status.boardOpened({"Kestro 128", "K1", "1.3"});
    status.setActionMessage("Settings loaded from k1.json");
    EXPECT_EQ(status.text(), "Open: Kestro 128, serial K1, version 1.3. Settings loaded from "
                             "k1.json.");
    status.boardOpened({"Kestro 128", "K2", "1.3"});
    EXPECT_EQ(status.actionMessage(), "");
    EXPECT_EQ(changes, 3);
}

TEST(PermissionHint, SaysWhetherTheRuleIsInstalledAndNamesNoReadme) {
    const auto dir = std::filesystem::temp_directory_path() / "kestro-rules-test";
    std::filesystem::create_directories(dir / "lib");
    std::filesystem::create_directories(dir / "etc");
    std::filesystem::remove(dir / "etc" / kUdevRuleName);
    const std::vector<std::string> dirs{(dir / "lib").string(), (dir / "etc").string()};
    const RefusedBoard board{"/sys/x", "/dev/hidraw3", 0x1140};

    const std::string missing = permissionHintText(board, dirs);
    std::ofstream(dir / "etc" / kUdevRuleName) << "# rule\n";
    const std::string installed = permissionHintText(board, dirs);
    std::filesystem::remove_all(dir);

    for (const std::string& hint : {missing, installed}) {
        EXPECT_NE(hint.find("/dev/hidraw3"), std::string::npos) << hint;
        EXPECT_EQ(hint.find("README"), std::string::npos) << hint;
    }
#ifndef _WIN32
    EXPECT_NE(missing.find("install the rule: copy 60-kestro-setup.rules"), std::string::npos)
        << missing;
    EXPECT_NE(installed.find("the udev rule is installed: unplug and replug the board"),
              std::string::npos)
        << installed;
#endif
}

} // namespace
} // namespace kestro::test
