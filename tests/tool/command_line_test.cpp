// Argument rules, the usage text, the device ID conversion and the layout self-check, through the
// built tool.
#include "tool_test.h"

namespace {

using bench::Bench;
using bench::RunResult;
using tool_test::describe;
using tool_test::usage;

std::string not_a_device(const std::string& text, const char* what) {
    return "FRU device ID \"" + text + "\" is not a number from 0 to 254; nothing " + what + ".\n";
}

TEST(CommandLine, UsageTextHas27LinesWithTabs) {
    // Guards the golden file itself against an editor that strips blanks or expands tabs.
    const std::string& text = usage();
    std::vector<std::string> lines = bench::split_lines(text);
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(text.back(), '\n');
    for (const auto& line : lines) {
        EXPECT_EQ(line.front(), ' ') << line;
        EXPECT_EQ(line.back(), ' ') << line;
    }
    EXPECT_EQ(lines[1],
              "  Fru flash tool for MB, version : 2.0\t2018/08/09" + std::string(40, ' ') + "* ");
    EXPECT_NE(lines[22].find("content)  \t\t          * "), std::string::npos);
}

// Wrong argument counts, help requests and rejected command words all end in the usage text,
// without running any command or leaving any file.
TEST(CommandLine, UsageCases) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string before_usage;
    };
    auto unknown = [](const std::string& word) {
        return "\"" + word + "\" is not right or not supported.\n";
    };
    const Case cases[] = {
        {{}, 255, ""},
        {{"-h"}, 255, ""}, // help is honoured only with two or three arguments
        {{"-help"}, 255, ""},
        {{"0"}, 255, ""},
        {{"-h", "x"}, 0, ""},
        {{"-help", "x", "y"}, 0, ""},
        {{"-h", "-w"}, 0, ""}, // help before any command word
        {{"-help", "-sbin"}, 0, ""},
        {{"-h", "a", "b", "c"}, 255, ""}, // four arguments: the count is checked first
        {{"0", "/BSN", "x", "y"}, 255, ""},
        {{"0", "1", "2", "3", "4"}, 255, ""},
        {{"--help", "x"}, 255, unknown("x")}, // not a help word: FRUID text, then word x
        {{"-H", "x"}, 255, unknown("x")},
        {{"-HELP", "/XYZ"}, 255, unknown("/XYZ")},
        {{"0", "-w", "extra"}, 255, unknown("-w")}, // with a value every word is an item word
        {{"0", "-sbin", "x"}, 255, unknown("-sbin")},
        {{"0", "-stxt", "x"}, 255, unknown("-stxt")},
        {{"0", "-debug", "x"}, 255, unknown("-debug")},
        {{"0", "/cpn"}, 255, unknown("/cpn")}, // words are case-sensitive
        {{"0", "/XYZ"}, 255, unknown("/XYZ")},
        {{"0", "/XYZ", "value"}, 255, unknown("/XYZ")},
        {{"0", "-SBIN"}, 255, unknown("-SBIN")},
        {{"0", "BSN"}, 255, unknown("BSN")},
        {{"0", ""}, 255, unknown("")},
        {{"7", "%s%n%x"}, 255, unknown("%s%n%x")}, // the word is data, not a format
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c.args));
        Bench b;
        RunResult r = b.run(c.args);
        EXPECT_EQ(r.out, c.before_usage + usage());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(r.commands.empty());
        EXPECT_TRUE(b.files_left().empty());
    }
}

TEST(CommandLine, DebugRunsTheSelfCheckForAnyDeviceText) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"x", "-debug"}, {"0", "-debug"}, {"-1", "-debug"}, {"--help", "-debug"}}) {
        SCOPED_TRACE(describe(args));
        Bench b;
        RunResult r = b.run(args);
        EXPECT_EQ(r.out, "Check fru info ok!\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(r.commands.empty()); // the self-check touches no device
        EXPECT_TRUE(b.files_left().empty());
    }
}

// A command that writes takes only a plain decimal ID from 0 to 254, in both modes, and refuses
// any other before it runs anything; reads keep the lenient conversion above.
TEST(CommandLine, WritesRefuseADeviceIdThatIsNotPlainDecimal) {
    const std::vector<std::string> cases[] = {
        {"0x6", "/PAT", "RACK-FOR-BACKPLANE-6"},
        {"6x", "-w"},
        {"abc", "/BSN", "X"},
        {"-1", "-w"},
        {"6 ", "-restore", "fruconfig.ini"},
        {"255", "/PAT", "X"},
    };
    for (const char* bulk : {"0", "1"}) {
        for (const auto& args : cases) {
            SCOPED_TRACE(describe(args) + " TARNWICK_BULK=" + bulk);
            Bench b;
            b.set_device(0, bench::reference_image());
            b.set_env("TARNWICK_BULK", bulk);
            b.write_file("fruconfig.ini", bench::example_config());
            const RunResult r = b.run(args);
            EXPECT_EQ(r.out, not_a_device(args[0], "written"));
            EXPECT_EQ(r.status, 255);
            EXPECT_EQ(r.commands, std::vector<std::string>{});
            EXPECT_EQ(b.files_left(), std::vector<std::string>{"fruconfig.ini"});
        }
    }
}

// The device ID is converted like atoi, except that numbers beyond the 32-bit range stay at its
// ends instead of wrapping onto some other, possibly real, device. "-stxt" shows which ID the
// tool took: its one command carries it in decimal, and so it refuses a negative one ("" below),
// which ipmitool would take for an option.
TEST(CommandLine, DeviceIdConversion) {
    const std::pair<std::string, std::string> cases[] = {
        {"0", "0"},
        {"6", "6"},
        {"007", "7"},
        {"  7", "7"},
        {"\t5", "5"},
        {"+3", "3"},
        {"abc", "0"},
        {"12abc", "12"},
        {"1.9", "1"},
        {"-1", ""},
        {"2147483647", "2147483647"},
        {"2147483648", "2147483647"},
        {"4294967296", "2147483647"}, // would be 0 if wrapped
        {"4294967302", "2147483647"}, // would be 6 if wrapped
        {"99999999999", "2147483647"},
        {"99999999999999999999999", "2147483647"}, // beyond 64 bits too
        {"-2147483648", ""},
        {"-99999999999", ""},
        {"-99999999999999999999999", ""},
    };
    Bench b;
    b.set_device(0, bench::reference_image());
    for (const auto& [text, id] : cases) {
        SCOPED_TRACE(describe({text, "-stxt"}));
        RunResult r = b.run({text, "-stxt"});
        if (id.empty()) {
            EXPECT_EQ(r.out, not_a_device(text, "done"));
            EXPECT_EQ(r.commands, std::vector<std::string>{});
            EXPECT_EQ(r.status, 255);
            continue;
        }
        EXPECT_EQ(r.commands, std::vector<std::string>{"ipmitool fru print " + id});
        // Only device 0 holds a FRU the utility can show; it fails for the others.
        EXPECT_EQ(r.status, id == "0" ? 0 : 255);
    }
}

// "-diff" and "-sjson", by which writes are planned and audited, take device IDs as writes do; a
// command whose ipmitool command lines carry the ID in decimal (those of bulk mode) refuses a
// negative one. Default-mode byte reads carry it in hex and keep the lenient conversion.
TEST(CommandLine, ReportsAndDecimalIdCommandsRefuseMisleadingIds) {
    const struct {
        const char* bulk;
        std::vector<std::string> args;
        bool refused;
    } cases[] = {
        {"0", {"0x1", "-diff"}, true},  {"1", {"0x1", "-diff"}, true},
        {"0", {"abc", "-sjson"}, true}, {"0", {"255", "-diff"}, true},
        {"1", {"-6", "-sjson"}, true},  {"1", {"-6", "-sbin"}, true},
        {"1", {"-6", "/PAT"}, true},    {"0", {"-1", "/BMT", "NULL"}, true},
        {"0", {"abc", "/PFFI"}, false}, // reads device 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.args) + " TARNWICK_BULK=" + c.bulk);
        Bench b;
        b.set_device(0, bench::reference_image());
        b.set_env("TARNWICK_BULK", c.bulk);
        b.write_file("fruconfig.ini", bench::example_config());
        const RunResult r = b.run(c.args);
        if (!c.refused) {
            EXPECT_EQ(r.commands.at(0), "ipmitool raw 0x0a 0x11 0x0 0xd2 0x01 0x01");
            EXPECT_EQ(r.status, 0);
            continue;
        }
        EXPECT_EQ(r.out, not_a_device(c.args[0], "done"));
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.commands, std::vector<std::string>{});
    }
}

TEST(TextDisplay, PassesTheUtilityListingThroughUnchanged) {
    bench::ImageFields f;
    f.board_manufacturer = "Example Corp";
    f.board_serial = "ABC123";
    f.product_name = "Demo Server";
    f.mfg_date[1] = 0x68;
    f.mfg_date[2] = 0xB5;
    Bench b;
    b.set_device(0, bench::reference_image());
    b.set_device(3, bench::reference_image(f));
    const std::vector<uint8_t> before = b.device(3);

    RunResult expected = b.run_fake({"fru", "print", "3"});
    ASSERT_NE(expected.out.find(" Board Serial          : ABC123\n"), std::string::npos);
    RunResult r = b.run({"3", "-stxt"});
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.commands, std::vector<std::string>{"ipmitool fru print 3"});
    EXPECT_EQ(b.device(3), before);
    EXPECT_TRUE(b.files_left().empty());
}

TEST(TextDisplay, UtilityFailureIsPassedOnAndNotTheToolsOwn) {
    Bench b;
    b.set_device(2, {}); // blank: the utility complains on stderr and exits 1
    RunResult r = b.run({"2", "-stxt"});
    EXPECT_EQ(r.out, "Can not read FRU device 2.\n");
    EXPECT_EQ(r.err, " Unknown FRU header version 0x00\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.commands, std::vector<std::string>{"ipmitool fru print 2"});
}

} // namespace
