// The progress line on a terminal's standard error, through the built tool run by script(1) on a
// pseudo-terminal: what the terminal is sent, and what it shows afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "bench.h"

using bench::Bench;
using bench::RunResult;

namespace {

// `tool_args` run on a pseudo-terminal (standard output and error); the result's `out` holds
// everything the terminal was sent.
RunResult run_on_terminal(Bench& bench, const std::string& tool_args) {
    return bench.run_shell(
        "script -qec \"'" + bench::tool_path() + "' " + tool_args + "\" /dev/null", 600);
}

// What the terminal shows afterwards: a carriage return goes back to the start of the line and
// characters write over what is there; blanks at the ends of lines are dropped.
std::string screen(const std::string& sent) {
    std::vector<std::string> rows(1);
    std::size_t column = 0;
    for (const char c : sent) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            rows.emplace_back();
        } else {
            rows.back().resize(std::max(rows.back().size(), column + 1), ' ');
            rows.back()[column++] = c;
        }
    }
    std::string shown;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].erase(rows[i].find_last_not_of(' ') + 1);
        shown += (i == 0 ? "" : "\n") + rows[i];
    }
    return shown;
}

// The counts of the progress lines drawn, in order.
std::vector<unsigned> drawn_counts(const std::string& sent, const std::string& what,
                                   unsigned total) {
    const std::regex line("\r" + what + ": ([0-9]+)/" + std::to_string(total) +
                          " commands, about [0-9]+ s left *\r");
    std::vector<unsigned> counts;
    for (auto it = std::sregex_iterator(sent.begin(), sent.end(), line);
         it != std::sregex_iterator(); ++it) {
        counts.push_back(static_cast<unsigned>(std::stoul((*it)[1])));
    }
    return counts;
}

} // namespace

TEST(Progress, ShowsOnATerminalsStandardErrorAndLeavesTheOutputAsItWas) {
    Bench bench;
    bench.write_file("fruconfig.ini", bench::example_config());
    const std::string board_serial = " Board Serial          : ABC\n";
    const struct {
        std::string args;
        const char* progress_setting; // nullptr: unset
        const char* what;             // nullptr: no line may show
        unsigned total;
        std::string out;
    } cases[] = {
        {"0 -w", nullptr, "writing FRU device 0", 944,
         "Writing fru data.....\nWriting checksum.....\nDone!\n"},
        {"0 -sbin", nullptr, "reading FRU device 0", 512, bench::hex_dump(bench::example_image())},
        {"0 /BSN ABC", nullptr, "writing FRU device 0", 32 + 128 + 128, board_serial},
        // Standard error a pipe (standard output still the terminal), or the line turned off.
        {"0 /BSN ABC 2>&1 >/dev/tty | cat", nullptr, nullptr, 0, board_serial},
        {"0 /BSN ABC", "0", nullptr, 0, board_serial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        bench.clear_env();
        if (c.progress_setting != nullptr) {
            bench.set_env("TARNWICK_PROGRESS", c.progress_setting);
        }
        const RunResult result = run_on_terminal(bench, c.args);
        EXPECT_EQ(result.status, 0);
        if (c.what == nullptr) {
            // Byte for byte as ever (the terminal turns each newline into CR LF).
            EXPECT_EQ(result.out, std::regex_replace(c.out, std::regex("\n"), "\r\n"));
            continue;
        }
        const std::vector<unsigned> counts = drawn_counts(result.out, c.what, c.total);
        ASSERT_FALSE(counts.empty()) << result.out;
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_LT(counts.back(), c.total);
        EXPECT_EQ(screen(result.out), c.out);
    }
}

TEST(Progress, CtrlCTakesTheLineAway) {
    Bench bench;
    const std::vector<uint8_t> image = bench::example_image();
    bench.set_device(0, image);
    // The fake sends SIGINT to the process group as it reads offset 500, as Ctrl-C does. A read
    // has no message of its own that could hide a line left behind.
    bench.set_env("TARNWICK_FAKE_INTERRUPT_AT", "500");
    const RunResult result = run_on_terminal(bench, "0 -sbin");
    EXPECT_EQ(result.status, 130);
    EXPECT_FALSE(drawn_counts(result.out, "reading FRU device 0", 512).empty()) << result.out;
    EXPECT_EQ(screen(result.out),
              bench::hex_dump(std::vector<uint8_t>(image.begin(), image.begin() + 496)));
}
