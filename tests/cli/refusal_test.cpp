// What kestroctl refuses, with which exit status and why, and that a refusal
// sends nothing to any board.
#include "cli_fixture.h"
#include "config/permission_hint.h"

namespace kestro {
namespace {

using test::CliTest;

enum Boards { None, One, Two, Old, OlderThanSelftest, Refused, SameSerial };

// Its fix depends on whether this machine has the udev rule installed.
const std::string kRefusedHint = permissionHintText(RefusedBoard{"", "/dev/hidraw4", 0});

struct Refusal {
    const char* what;
    Boards boards;
    std::vector<std::string> args;
    int status;
    const char* err; // the first line of what it says
};

class Refusals : public CliTest, public ::testing::WithParamInterface<Refusal> {
protected:
    void plugBoards(Boards boards) {
        sim::Board board = sim::saneBoard(u"K0001");
        switch (boards) {
        case None:
            return;
        case Old:
            board.versionNumber = 0x0101;
            break;
        case OlderThanSelftest:
            board.versionNumber = 0x0102;
            break;
        case Refused:
            board.fail.accessDenied = true;
            board.node = "/dev/hidraw4";
            break;
        default:
            break;
        }
        ids.push_back(plug(board));
        if (boards == Two || boards == SameSerial)
            ids.push_back(plug(sim::saneBoard(boards == Two ? u"K0002" : u"K0001")));
    }
    std::vector<sim::SimPlatform::DeviceId> ids;
};

TEST_P(Refusals, SayWhyAndSendNothing) {
    const Refusal& c = GetParam();
    plugBoards(c.boards);
    const auto result = run(c.args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), c.err);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    ::testing::Values(
        Refusal{"no command", One, {}, 2, "Usage: kestroctl [--debug] COMMAND [OPTIONS]"},
        Refusal{"unknown command", One, {"reset"}, 2, "kestroctl: unknown command 'reset'"},
        Refusal{
            "unknown option", One, {"show", "--force"}, 2, "kestroctl: unknown option '--force'"},
        Refusal{"option of another command",
                One,
                {"list", "--serial", "K0001"},
                2,
                "kestroctl: list does not take --serial"},
        Refusal{"option without its value",
                One,
                {"show", "--serial"},
                2,
                "kestroctl: --serial needs a value"},
        Refusal{"set without settings",
                One,
                {"set"},
                2,
                "kestroctl: set needs at least one NAME=VALUE"},
        Refusal{"restore without a file",
                One,
                {"restore"},
                2,
                "kestroctl: restore needs a backup FILE"},
        Refusal{"unknown name",
                One,
                {"set", "encoder17=off"},
                2,
                "kestroctl set: unknown setting 'encoder17' (settings: encoder1 ... encoder16, "
                "pulse-width, rotary-pulses, rotary-start)"},
        Refusal{"not NAME=VALUE",
                One,
                {"set", "encoder1"},
                2,
                "kestroctl set: 'encoder1' is not NAME=VALUE"},
        Refusal{"encoder mode",
                One,
                {"set", "encoder1=1:3"},
                2,
                "kestroctl set: '1:3' is not a value of encoder1 (off, 1:1, 1:2 or 1:4)"},
        Refusal{"pulse width off the steps",
                One,
                {"set", "pulse-width=12ms"},
                2,
                "kestroctl set: '12ms' is not a value of pulse-width (8ms to 200ms in steps of "
                "8)"},
        Refusal{"pulse width too long",
                One,
                {"set", "pulse-width=208ms"},
                2,
                "kestroctl set: '208ms' is not a value of pulse-width (8ms to 200ms in steps "
                "of 8)"},
        Refusal{"pulse width without unit",
                One,
                {"set", "pulse-width=48"},
                2,
                "kestroctl set: '48' is not a value of pulse-width (8ms to 200ms in steps of "
                "8)"},
        Refusal{"rotary start 1",
                One,
                {"set", "rotary-start=1"},
                2,
                "kestroctl set: '1' is not a value of rotary-start (auto or 2 to 33)"},
        Refusal{"rotary start 34",
                One,
                {"set", "rotary-start=34"},
                2,
                "kestroctl set: '34' is not a value of rotary-start (auto or 2 to 33)"},
        Refusal{"rotary pulses",
                One,
                {"set", "rotary-pulses=yes"},
                2,
                "kestroctl set: 'yes' is not a value of rotary-pulses (on or off)"},
        Refusal{"named twice",
                One,
                {"set", "encoder2=off", "encoder2=1:1"},
                2,
                "kestroctl set: encoder2 is named twice"},
        Refusal{"no board", None, {"show"}, 3, "No Kestro board is attached."},
        Refusal{"other serial",
                One,
                {"selftest", "--serial", "K0009"},
                3,
                "No Kestro board with serial number K0009 is attached."},
        Refusal{"several boards",
                Two,
                {"set", "encoder1=off"},
                4,
                "Several Kestro boards are attached; choose one with --serial:"},
        Refusal{"boards sharing a serial",
                SameSerial,
                {"backup"},
                4,
                "Several Kestro boards are attached; choose one with --serial:"},
        Refusal{"access refused", Refused, {"monitor"}, 5, kRefusedHint.c_str()},
        Refusal{"version gate before anything is sent",
                Old,
                {"set", "encoder1=1:4", "rotary-start=auto"},
                6,
                "rotary-start: not admitted by this board: its version is 1.1 and "
                "rotary-start needs 1.2 or later. Nothing was written."},
        Refusal{"self test gate",
                OlderThanSelftest,
                {"selftest"},
                6,
                "The self test is not admitted by this board: its version is 1.2 and the self "
                "test needs 1.3 or later."}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::to_string(info.index); });

TEST_F(CliTest, SeveralBoardsAreNamedSoThatOneCanBeChosen) {
    plug(sim::saneBoard(u"K0001"));
    plug(sim::saneBoard(u"K0002"));
    plug(sim::saneBoard(u"K0002"));
    const auto result = run({"show"});
    EXPECT_EQ(result.err, "Several Kestro boards are attached; choose one with --serial:\n"
                          "  K0001\n"
                          "  K0002\n"
                          "  K0002\n"
                          "Boards that share a serial number cannot be told apart: the first "
                          "of them is the one opened.\n");
    EXPECT_EQ(run({"show", "--serial=K0002"}).status, 0);
}

TEST_F(CliTest, HelpForEachCommandNamesItsUsage) {
    for (const char* command :
         {"list", "show", "set", "selftest", "monitor", "backup", "restore"}) {
        const std::string usage = std::string("Usage: kestroctl ") + command;
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {command, "--help"}, {"help", command}, {command, "-h"}}) {
            const auto result = run(args);
            EXPECT_EQ(result.status, 0) << command;
            EXPECT_EQ(result.out.substr(0, usage.size()), usage) << command;
        }
    }
    EXPECT_EQ(run({"--version"}).out, "kestroctl 1.10\n");
}

} // namespace
} // namespace kestro
