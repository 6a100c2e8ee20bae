// Each command's output, for people and for scripts, and the frames each one
// sends: nothing is written that the command line did not name.
#include "cli_fixture.h"
#include "config/permission_hint.h"

namespace kestro {
namespace {

using test::CliTest;

// Its fix depends on whether this machine has the udev rule installed.
const std::string kHint = permissionHintText(RefusedBoard{"", "/dev/hidraw7", 0x1151});

sim::Board refusedBoard() {
    sim::Board board = sim::saneBoard(u"K0002");
    board.fail.accessDenied = true;
    board.node = "/dev/hidraw7";
    board.productId = 0x1151;
    return board;
}

TEST_F(CliTest, ListShowsEveryBoardAndTheFixForARefusedOne) {
    sim::Board old = sim::saneBoard(u"K0001");
    old.versionNumber = 0x010A;
    const auto id = plug(old);
    plug(refusedBoard());

    const auto text = run({"list"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, std::string("SERIAL  PRODUCT  VERSION  NODE          ACCESS\n"
                                    "K0001   0x1140   1.A      sim:1         ok\n"
                                    "-       0x1151   -        /dev/hidraw7  denied\n") +
                            kHint + "\n");

    const auto json = run({"list", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, std::string("{\"boards\":[{\"serial\":\"K0001\",\"productId\":\"0x1140\","
                                    "\"version\":\"1.A\",\"node\":\"sim:1\",\"access\":\"ok\"},"
                                    "{\"serial\":null,\"productId\":\"0x1151\",\"version\":null,"
                                    "\"node\":\"/dev/hidraw7\",\"access\":\"denied\",\"fix\":\"") +
                            kHint + "\"}]}\n");

    // Scripts tell "none to open" from "none at all".
    platform.unplug(id);
    EXPECT_EQ(run({"list"}).status, 5);
    platform.unplug(id + 1);
    const auto none = run({"list"});
    EXPECT_EQ(none.status, 3);
    EXPECT_EQ(none.err, "No Kestro board is attached.\n");
    EXPECT_EQ(run({"list", "--json"}).out, "{\"boards\":[]}\n");
}

TEST_F(CliTest, ShowPrintsWhatTheWindowWouldShowAndWhatTheVersionAdmits) {
    sim::Board board = sim::saneBoard(u"K0001");
    board.versionNumber = 0x0101;
    board.firmware.settings[0x28] = 0x04; // encoder 5 1:2
    board.firmware.settings[0x3E] = 0x0F; // encoder 16: the highest mode bit wins
    board.firmware.settings[64] = 26;     // names no pulse width
    board.firmware.settings[77] = 0x03;
    board.firmware.settings[78] = 9;
    plug(board);

    const auto shown = run({"show"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "serial        K0001\n"
                         "manufacturer  Kestro\n"
                         "product       Kestro 128\n"
                         "version       1.1\n"
                         "selftest      not admitted: its version is 1.1 and the self test needs "
                         "1.3 or later\n"
                         "\n"
                         "encoder1       1:1    B1 B2\n"
                         "encoder2       1:1    B3 B4\n"
                         "encoder3       1:1    B5 B6\n"
                         "encoder4       1:1    B7 B8\n"
                         "encoder5       1:2    B9 B10\n"
                         "encoder6       1:1    B11 B12\n"
                         "encoder7       1:1    B13 B14\n"
                         "encoder8       1:1    B15 B16\n"
                         "encoder9       1:1    B17 B18\n"
                         "encoder10      1:1    B19 B20\n"
                         "encoder11      1:1    B21 B22\n"
                         "encoder12      1:1    B23 B24\n"
                         "encoder13      1:1    B25 B26\n"
                         "encoder14      1:1    B27 B28\n"
                         "encoder15      1:1    B29 B30\n"
                         "encoder16      1:4    B31 B32\n"
                         "pulse-width    48 ms  (the board holds 26, which names no item)\n"
                         "rotary-pulses  on\n"
                         "rotary-start   10     (not admitted: its version is 1.1 and "
                         "rotary-start needs 1.2 or later)\n");
}

TEST_F(CliTest, ShowJsonCarriesValuesInTheSyntaxOfSet) {
    sim::Board board = sim::saneBoard(u"K0001");
    board.fail.manufacturer = true;
    board.firmware.settings[64] = 0; // no item
    board.firmware.readback = {{sim::Reply::Kind::GeneralBlock, {}}};
    plug(board);

    const auto shown = run({"show", "--json"});
    // Without an encoder block the encoders show the window's defaults, and
    // the command says it could not read them.
    EXPECT_EQ(shown.status, 9);
    EXPECT_EQ(shown.err, "The board did not report its encoder settings.\n");
    std::string settings;
    std::string buttons;
    for (int n = 1; n <= 16; ++n) {
        const std::string name = "\"encoder" + std::to_string(n) + "\":";
        settings += name + "\"off\",";
        buttons += (n > 1 ? "," : "") + name + "\"B" + std::to_string(2 * n - 1) + " B" +
                   std::to_string(2 * n) + "\"";
    }
    EXPECT_EQ(shown.out, "{\"serial\":\"K0001\",\"manufacturer\":null,\"product\":\"Kestro 128\","
                         "\"version\":null,\"productId\":\"0x1140\",\"node\":\"sim:1\","
                         "\"settings\":{" +
                             settings +
                             "\"pulse-width\":null,\"rotary-pulses\":\"off\","
                             "\"rotary-start\":\"auto\"},\"buttons\":{" +
                             buttons +
                             "},\"admits\":{\"rotary-start\":false,\"selftest\":false},"
                             "\"reported\":{\"encoders\":false,\"general\":true}}\n");
}

TEST_F(CliTest, SelftestResultsAndTheirExitStatuses) {
    struct Row {
        std::uint8_t byte1;
        bool replies;
        int status;
        const char* text;
        const char* json;
    };
    const Row rows[] = {
        {0, true, 0, "Passed\n",
         "{\"result\":\"passed\",\"text\":\"Passed\",\"input\":null,\"reply\":[0,0]}\n"},
        {17, true, 8, "Failed on B17\n",
         "{\"result\":\"failed\",\"text\":\"Failed on B17\",\"input\":17,\"reply\":[0,17]}\n"},
        {17, false, 9, "No reply\n",
         "{\"result\":\"no reply\",\"text\":\"No reply\",\"input\":null}\n"},
    };
    for (const Row& row : rows) {
        sim::Board board = sim::saneBoard();
        board.firmware.selfTestByte1 = row.byte1;
        board.fail.getFeature = !row.replies;
        const auto id = plug(board);
        const auto text = run({"selftest"});
        EXPECT_EQ(text.status, row.status) << row.text;
        EXPECT_EQ(text.out, row.text);
        const auto json = run({"selftest", "--json"});
        EXPECT_EQ(json.status, row.status) << row.text;
        EXPECT_EQ(json.out, row.json);
        EXPECT_EQ(received(id), (Frames(2, frame({0x00, 0xE1})))) << row.text;
        platform.unplug(id);
    }
}

TEST_F(CliTest, MonitorPrintsTheHeldButtonsThenEachChange) {
    struct Row {
        bool json;
        const char* out;
    };
    const Row rows[] = {
        {false, "   0.000 held: B3\n"
                "   0.050 B17 pressed\n"
                "   0.050 B17 released\n"
                "   0.100 B3 released\n"
                "   0.100 B128 pressed\n"},
        {true, "{\"time\":0.000,\"held\":[3]}\n"
               "{\"time\":0.050,\"button\":17,\"state\":\"pressed\"}\n"
               "{\"time\":0.050,\"button\":17,\"state\":\"released\"}\n"
               "{\"time\":0.100,\"button\":3,\"state\":\"released\"}\n"
               "{\"time\":0.100,\"button\":128,\"state\":\"pressed\"}\n"},
    };
    for (const Row& row : rows) {
        const auto id = plug();
        platform.queueInputReport(id, sim::buttonReport({0x04}));
        // A press and its release between two reads both show.
        onPoll = [&](int poll) {
            if (poll == 1) {
                platform.queueInputReport(id, sim::buttonReport({0x04, 0, 0x01}));
                platform.queueInputReport(id, sim::buttonReport({0x04}));
            } else if (poll == 2) {
                sim::Board& board = platform.board(id);
                board.inputReports.push_back(sim::buttonReport({}));
                board.inputReports.back()[16] = 0x80;
            }
        };
        polls = 3;
        std::vector<std::string> args = {"monitor"};
        if (row.json)
            args.push_back("--json");
        const auto watched = run(args);
        EXPECT_EQ(watched.status, 0);
        EXPECT_EQ(watched.out, row.out);
        EXPECT_EQ(watched.err, "Watching K0001; press Ctrl-C to stop.\n");
        EXPECT_TRUE(received(id).empty());
        platform.unplug(id);
    }
}

TEST_F(CliTest, MonitorEndsWhenTheBoardIsLost) {
    const auto id = plug();
    onPoll = [&](int) { platform.unplug(id); };
    polls = 5;
    const auto watched = run({"monitor"});
    EXPECT_EQ(watched.status, 9);
    EXPECT_EQ(watched.out, "");
    EXPECT_NE(watched.err.find("The board was lost."), std::string::npos);
}

TEST_F(CliTest, EachCommandSendsOnlyWhatItNames) {
    const std::vector<std::uint8_t> readback = frame({0x00, 0xE0, 0x00, 0x05});
    struct Row {
        std::vector<std::string> args;
        Frames frames;
    };
    const Row rows[] = {
        {{"list"}, {}},
        {{"list", "--json"}, {}},
        {{"show"}, {readback}},
        {{"backup"}, {readback}},
        {{"monitor"}, {}},
        {{"selftest"}, {frame({0x00, 0xE1})}},
        {{"set", "encoder5=1:2"}, {frame({0x00, 0xEE, 0x28, 0x04}), readback}},
        {{"set", "encoder16=off", "pulse-width=200ms", "rotary-pulses=on", "rotary-start=auto"},
         {frame({0x00, 0xEE, 0x3E, 0x00}), frame({0x00, 0xEE, 0x40, 0x19}),
          frame({0x00, 0xEE, 0x4D, 0x01}), frame({0x00, 0xEE, 0x4E, 0xFF}), readback}},
        {{"set", "pulse-width=8ms", "rotary-start=33"},
         {frame({0x00, 0xEE, 0x40, 0x01}), frame({0x00, 0xEE, 0x4E, 0x20}), readback}},
    };
    const auto id = plug();
    for (const Row& row : rows) {
        const auto result = run(row.args);
        EXPECT_EQ(result.status, 0) << row.args[0] << ": " << result.err;
        EXPECT_EQ(received(id), row.frames) << row.args[0];
    }
}

TEST_F(CliTest, SetWritesThenShowReadsTheNewValues) {
    const auto id = plug();
    const auto set =
        run({"set", "--serial", "K0001", "encoder9=1:4", "pulse-width=120ms", "rotary-start=5"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "encoder9=1:4\npulse-width=120ms\nrotary-start=5\n");
    const auto& settings = platform.board(id).firmware.settings;
    EXPECT_EQ(settings[0x30], 0x08);
    EXPECT_EQ(settings[64], 15);
    EXPECT_EQ(settings[78], 4);

    const auto shown = run({"show"});
    for (const char* line :
         {"encoder9       1:4     B17 B18\n", "pulse-width    120 ms\n", "rotary-start   5\n"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line << shown.out;
}

TEST_F(CliTest, SetFailsNamingTheSettingTheBoardDidNotTake) {
    plug(ignoringEncoderWrites(u"K0001"));
    const auto set = run({"set", "encoder5=1:4", "rotary-pulses=on"});
    EXPECT_EQ(set.status, 7);
    EXPECT_EQ(set.out, "");
    EXPECT_EQ(set.err, "encoder5: the board holds 1:1, not 1:4.\n");
}

TEST_F(CliTest, DebugLogsEveryReportInHex) {
    plug();
    const auto shown = run({"--debug", "selftest"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.err.find("hid: set feature handle"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("[65] 00 e1 00 00"), std::string::npos) << shown.err;
    // The log is the run's only: it is off again afterwards.
    EXPECT_EQ(run({"selftest"}).err, "");
}

} // namespace
} // namespace kestro
