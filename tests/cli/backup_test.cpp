// Backup files: what they hold, how a restore copies them to a board writing
// only what differs, and the files a restore refuses before it writes.
#include "cli_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kestro {
namespace {

using test::CliTest;

class BackupTest : public CliTest {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) /
              ("kestroctl-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string file(const std::string& name, const std::string& text) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static sim::Board board(std::u16string serial,
                            std::initializer_list<std::pair<int, std::uint8_t>> settings = {}) {
        sim::Board b = sim::saneBoard(std::move(serial));
        for (auto [address, value] : settings)
            b.firmware.settings[static_cast<std::size_t>(address)] = value;
        return b;
    }

    std::filesystem::path dir;
};

std::string backupOf(const std::string& serial, const std::string& version,
                     const std::string& settings) {
    return "{\n"
           "  \"format\": \"kestroctl-backup\",\n"
           "  \"version\": 1,\n"
           "  \"board\": {\n"
           "    \"serial\": \"" +
           serial +
           "\",\n"
           "    \"manufacturer\": \"Kestro\",\n"
           "    \"product\": \"Kestro 128\",\n"
           "    \"productId\": \"0x1140\",\n"
           "    \"version\": \"" +
           version +
           "\"\n"
           "  },\n"
           "  \"settings\": {\n" +
           settings + "  }\n}\n";
}

std::string encoderLines(const char* mode) {
    std::string lines;
    for (int n = 1; n <= 16; ++n)
        lines += "    \"encoder" + std::to_string(n) + "\": \"" + mode + "\",\n";
    return lines;
}

TEST_F(BackupTest, HoldsIdentityAndEverySettingTheBoardNames) {
    plug(board(u"K0001", {{64, 25}, {77, 1}, {78, 32}}));
    const auto out = run({"backup"});
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out, backupOf("K0001", "1.3",
                                encoderLines("1:1") + "    \"pulse-width\": \"200ms\",\n"
                                                      "    \"rotary-pulses\": \"on\",\n"
                                                      "    \"rotary-start\": \"33\"\n"));

    const std::string path = (dir / "k1.json").string();
    const auto saved = run({"backup", "--output", path});
    EXPECT_EQ(saved.status, 0);
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(saved.err, "Settings of K0001 written to " + path + ".\n");
    EXPECT_EQ(contents(path), out.out);
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
}

TEST_F(BackupTest, LeavesOutWhatTheBoardDoesNotNameOrAdmit) {
    sim::Board old = board(u"K0001", {{64, 0}, {78, 5}});
    old.versionNumber = 0x0101;
    plug(old);
    const auto out = run({"backup"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out,
              backupOf("K0001", "1.1", encoderLines("1:1") + "    \"rotary-pulses\": \"off\"\n"));
}

TEST_F(BackupTest, IsNotWrittenFromAPartialReadback) {
    sim::Board partial = board(u"K0001");
    partial.firmware.readback = {{sim::Reply::Kind::EncoderBlock, {}}};
    plug(partial);
    const std::string path = (dir / "partial.json").string();
    const auto out = run({"backup", "-o", path});
    EXPECT_EQ(out.status, 9);
    EXPECT_EQ(out.err, "kestroctl: read settings: the board did not report its pulse width and "
                       "rotary-switch settings\n"
                       "kestroctl: backup: nothing was written\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(BackupTest, CopiesOneBoardsSettingsToAnotherWritingOnlyTheDifferences) {
    plug(board(u"A", {{0x22, 0x08}, {64, 3}, {78, 255}}));
    const auto b = plug(board(u"B", {{0x22, 0x02}, {64, 3}, {78, 7}}));
    const std::string path = (dir / "a.json").string();
    ASSERT_EQ(run({"backup", "--serial", "A", "--output", path}).status, 0);
    received(b);

    const auto dry = run({"restore", "--serial", "B", path, "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, "would write encoder2=1:4 (the board holds 1:1)\n"
                       "would write rotary-start=auto (the board holds 8)\n");
    EXPECT_EQ(received(b), (Frames{frame({0x00, 0xE0, 0x00, 0x05})}));

    const auto restored = run({"restore", "--serial", "B", path});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.out, "write encoder2=1:4 (the board holds 1:1)\n"
                            "write rotary-start=auto (the board holds 8)\n");
    EXPECT_EQ(received(b),
              (Frames{frame({0x00, 0xE0, 0x00, 0x05}), frame({0x00, 0xEE, 0x22, 0x08}),
                      frame({0x00, 0xEE, 0x4E, 0xFF}), frame({0x00, 0xE0, 0x00, 0x05})}));

    const auto again = run({"restore", "--serial", "B", path});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "The board already holds every setting of " + path + ".\n");
    EXPECT_EQ(received(b), (Frames{frame({0x00, 0xE0, 0x00, 0x05})}));
}

TEST_F(BackupTest, RestoreReadsStandardInputAndAPartialFile) {
    const auto id = plug(board(u"K0001"));
    const auto restored = run({"restore", "-"}, R"({"format": "kestroctl-backup", "version": 1,
        "settings": {"rotary-pulses": "on", "encoder16": "off"}})");
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.out, "write encoder16=off (the board holds 1:1)\n"
                            "write rotary-pulses=on (the board holds off)\n");
    EXPECT_EQ(platform.board(id).firmware.settings[77], 1);
    EXPECT_EQ(platform.board(id).firmware.settings[0x3E], 0);
}

TEST_F(BackupTest, RestoreRefusesWhatTheBoardCannotTakeAndReportsWhatItDidNotHold) {
    sim::Board old = board(u"OLD", {{78, 5}});
    old.versionNumber = 0x0101;
    const auto oldId = plug(old);
    const std::string path =
        file("start.json", R"({"format":"kestroctl-backup","version":1,"settings":{)"
                           R"("encoder1":"1:4","rotary-start":"2"}})");
    const auto refused = run({"restore", "--serial", "OLD", path});
    EXPECT_EQ(refused.status, 6);
    EXPECT_EQ(received(oldId), (Frames{frame({0x00, 0xE0, 0x00, 0x05})}));

    plug(ignoringEncoderWrites(u"STUCK"));
    const auto unverified = run({"restore", "--serial", "STUCK", path});
    EXPECT_EQ(unverified.status, 7);
    EXPECT_EQ(unverified.err, "kestroctl: verify encoder1: the board holds 1:1, not 1:4\n");
}

struct BadFile {
    const char* what;
    std::string text;
    const char* reason;
};

class BadFiles : public BackupTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, AreRefusedWithTheReasonBeforeAnythingIsSent) {
    const BadFile& c = GetParam();
    plug(board(u"K0001"));
    const std::string path = file("bad.json", c.text);
    const auto result = run({"restore", path});
    EXPECT_EQ(result.status, 10);
    EXPECT_EQ(result.err,
              "kestroctl: restore " + path + ": " + c.reason + "; nothing was written\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(platform.counters().featureReportsSent, 0);
}

const std::string kHead = R"({"format": "kestroctl-backup", "version": 1, )";

INSTANTIATE_TEST_SUITE_P(
    Table, BadFiles,
    ::testing::Values(
        BadFile{
            "empty", "",
            "not valid JSON: line 1, column 1: unexpected end of input; expected '[', '{', or a "
            "literal"},
        BadFile{"not JSON", "encoder1=1:4\n",
                "not valid JSON: line 1, column 1: invalid literal; last read: 'e'"},
        BadFile{"cut short", kHead + "\n\"settings\": {\"encoder1\": \"1:4\"",
                "not valid JSON: line 2, column 31: unexpected end of input; expected '}'"},
        BadFile{"trailing text", kHead + R"("settings": {}} {})",
                "not valid JSON: line 1, column 62: unexpected '{'; expected end of input"},
        BadFile{"key twice", kHead + R"("settings": {"encoder1": "off", "encoder1": "1:1"}})",
                "not valid JSON: the key \"encoder1\" appears twice"},
        BadFile{"array", "[1, 2]", "expected a JSON object, found an array"},
        BadFile{"other format", R"({"format": "other", "version": 1, "settings": {}})",
                "\"format\" is not \"kestroctl-backup\": this is not a kestroctl backup"},
        BadFile{"no version", R"({"format": "kestroctl-backup", "settings": {}})",
                "\"version\" must be a whole number"},
        BadFile{"newer version", R"({"format": "kestroctl-backup", "version": 2, "settings": {}})",
                "backup format version 2 is not known to this kestroctl, which reads version 1"},
        BadFile{"no settings", R"({"format": "kestroctl-backup", "version": 1})",
                "\"settings\" must be an object of NAME: VALUE"},
        BadFile{"unknown key", kHead + R"("settings": {}, "extra": 1})", "unknown key \"extra\""},
        BadFile{"unknown setting", kHead + R"("settings": {"encoder0": "off"}})",
                "unknown setting \"encoder0\""},
        BadFile{"value out of range", kHead + R"("settings": {"pulse-width": "208ms"}})",
                "\"208ms\" is not a value of pulse-width (8ms to 200ms in steps of 8)"},
        BadFile{"number for a value", kHead + R"("settings": {"rotary-start": 5}})",
                "\"rotary-start\" must be a string (auto or 2 to 33), found a number"},
        BadFile{"board not an object", kHead + R"("board": "K1", "settings": {}})",
                "\"board\" must be an object"},
        BadFile{"too large", kHead + R"("settings": {}})" + std::string(70000, ' '),
                "larger than 64 KiB: not a kestroctl backup"},
        BadFile{"nested too deeply",
                kHead + "\"settings\": " + std::string(40, '[') + std::string(40, ']') + "}",
                "not valid JSON: nested too deeply"},
        BadFile{
            "lone surrogate", kHead + R"("board": {"serial": "\ud800"}, "settings": {}})",
            "not valid JSON: line 1, column 73: invalid string: surrogate U+D800..U+DBFF must be "
            "followed by U+DC00..U+DFFF; last read: '\"\\ud800\"'"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::to_string(info.index); });

TEST_F(BackupTest, AFileThatCannotBeReadOrWrittenIsRefusedWithTheSystemsReason) {
    plug(board(u"K0001"));
    const std::string missing = (dir / "missing.json").string();
    // A path through a plain file, as /etc/passwd/x.json is.
    const std::string underFile = file("plain", "") + "/x.json";
#ifdef _WIN32
    // Windows has no "not a directory" for a path through a file.
    const std::string throughFile = "No such file or directory";
#else
    const std::string throughFile = "Not a directory";
#endif
    const struct {
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {{"restore", missing}, "kestroctl: read " + missing + ": No such file or directory\n"},
        {{"backup", "--output", underFile},
         "kestroctl: write " + underFile + ": " + throughFile + "\n"},
    };
    for (const auto& row : rows) {
        const auto result = run(row.args);
        EXPECT_EQ(result.status, 10) << row.args[0];
        EXPECT_EQ(result.err, row.err);
    }
}

} // namespace
} // namespace kestro
