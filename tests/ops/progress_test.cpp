// The progress line on a terminal's standard error, through the built tool run by script(1) on a
// pseudo-terminal: what the terminal is sent, and what it shows afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "bench.h"

namespace {

// What a terminal shows after `sent`: a carriage return goes back to the start of the line,
// characters write over what is there; blanks at the ends of lines are dropped.
std::string screen(const std::string& sent) {
    std::vector<std::string> rows(1);
    std::size_t column = 0;
    for (const char c : sent) {
        if (c == '\r' || c == '\n') {
            column = c == '\r' ? 0 : column;
            rows.resize(rows.size() + (c == '\n' ? 1 : 0));
            continue;
        }
        rows.back().resize(std::max(rows.back().size(), column + 1), ' ');
        rows.back()[column++] = c;
    }
    std::string shown;
    for (std::string& row : rows) {
        shown += row.erase(row.find_last_not_of(' ') + 1) + "\n";
    }
    return shown.substr(0, shown.size() - 1);
}

// What a terminal shows of a dump whose reads fail from offset `from` on, the BMC no longer
// answering: the rows read completely, the utility's complaint on a line of its own, the message.
std::string dump_stopped_at(const std::vector<uint8_t>& bytes, int from) {
    char message[64];
    std::snprintf(message, sizeof message, "Read FRU data failed at offset 0x%x.\n", from);
    return bench::hex_dump({bytes.begin(), bytes.begin() + from / 16 * 16}) +
           "Error: Unable to establish IPMI v2 / RMCP+ session\n" + message;
}

} // namespace

TEST(Progress, ShowsOnATerminalsStandardErrorAndLeavesTheOutputAsItWas) {
    bench::Bench bench;
    bench.write_file("fruconfig.ini", bench::example_config());
    const std::vector<uint8_t> image = bench::example_image();
    const std::string serial = " Board Serial          : ABC\n";
    const std::string reading = "reading FRU device 0: [0-9]+/512";
    // clang-format off
    const struct {
        std::string args;
        const char* env[2]; // one setting, or none
        int status;
        std::string line; // the line drawn, up to the count done; "" for none
        std::string out;
    } cases[] = {
        {"0 -w", {}, 0, "writing FRU device 0: [0-9]+/944",
         "Writing fru data.....\nWriting checksum.....\nDone!\n"},
        {"0 -sbin", {}, 0, reading, bench::hex_dump(image)},
        // Ctrl-C: the fake sends SIGINT to the process group as it reads offset 500.
        {"0 -sbin", {"TARNWICK_FAKE_INTERRUPT_AT", "500"}, 130, reading,
         bench::hex_dump(std::vector<uint8_t>(image.begin(), image.begin() + 496))},
        // A BMC that stops answering while the line shows: its complaints, not written over it.
        {"0 -sbin", {"TARNWICK_FAKE_NO_BMC_AT", "300"}, 255, reading, dump_stopped_at(image, 300)},
        {"0 /BSN ABC", {}, 0, "writing FRU device 0: [0-9]+/288", serial},
        // Standard error a pipe (standard output still the terminal), or the line turned off.
        {"0 /BSN ABC 2>&1 >/dev/tty | cat", {}, 0, "", serial},
        {"0 /BSN ABC", {"TARNWICK_PROGRESS", "0"}, 0, "", serial},
        // A BMC that does not answer: the utility's complaint, never written over by the line.
        {"0 -sbin", {"TARNWICK_FAKE_NO_BMC", "1"}, 255, "", dump_stopped_at(image, 0)},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        bench.clear_env();
        if (c.env[0] != nullptr) {
            bench.set_env(c.env[0], c.env[1]);
        }
        const bench::RunResult result = bench.run_shell(
            "script -qec \"'" + bench::tool_path() + "' " + c.args + "\" /dev/null", 600);
        EXPECT_EQ(result.status, c.status);
        if (c.line.empty()) {
            // Byte for byte as ever (the terminal turns each newline into CR LF).
            EXPECT_EQ(result.out, std::regex_replace(c.out, std::regex("\n"), "\r\n"));
        } else {
            EXPECT_TRUE(std::regex_search(
                result.out, std::regex("\r" + c.line + " commands, about [0-9]+ s left *\r")))
                << result.out;
            EXPECT_EQ(screen(result.out), c.out);
        }
    }
}
