// Ordinary faults around a run: a working directory the tool cannot write, an interrupt, two runs
// in one directory, standard output that cannot be written.
#include "tool_test.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

namespace {

using bench::Bench;
using bench::RunResult;
using tool_test::describe;
namespace fs = std::filesystem;

const std::string cannot_write =
    "Can not write the temporary file \"tmp\" in this directory; nothing written.\n";
const std::string cannot_write_date =
    "Can not write the temporary file \"time_tmp\" in this directory; nothing written.\n";
const std::string cannot_remove =
    "Can not remove the old temporary file \"tmp\" in this directory.\n";

// Nothing reaches the device when the working directory (a read-only mount, a full disk) cannot
// take the temporary files; a left-over "tmp" there is never read as a result.
TEST(Faults, UnwritableWorkingDirectoryWritesNothing) {
    const struct {
        std::vector<std::string> args;
        const char* left_over_tmp; // nullptr: none
        std::string out;
    } cases[] = {
        {{"0", "/BSN", "NEWSERIAL-0001"}, nullptr, cannot_write},
        {{"0", "/BSN", "NEWSERIAL-0001"}, "5a", cannot_write},
        // The date step comes first and needs its own file.
        {{"0", "/BMT", "2018-08-09 00:00 UTC"}, nullptr, cannot_write_date},
        {{"0", "-w"}, nullptr, cannot_write_date},
        {{"0", "-sbin"}, "5a", cannot_remove},
        {{"0", "/PN"}, "5a", cannot_remove},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.args) + (c.left_over_tmp ? " with a left-over tmp" : ""));
        Bench b;
        b.set_device(0, bench::reference_image());
        b.write_file("fruconfig.ini", "[Board]\nBoard Serial Number String=NEWSERIAL-0001\n");
        if (c.left_over_tmp != nullptr) {
            b.write_file("tmp", c.left_over_tmp);
        }
        if (geteuid() == 0) {
            b.run_as(65534, 65534); // root writes into read-only directories
        }
        ASSERT_EQ(chmod(b.work_dir().c_str(), 0555), 0);
        const RunResult r = b.run(c.args);
        if (r.status == 126) {
            GTEST_SKIP() << "cannot run the tool as an unprivileged user here";
        }
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.commands, std::vector<std::string>{});
        EXPECT_EQ(bench::first_512(b.device(0)), bench::reference_image());
    }
}

// Ctrl-C (Ctrl-\) reaches the command that runs; the tool stops at once and ends by the same
// signal, saying where a write stopped.
TEST(Faults, AnInterruptEndsTheRunByItsSignal) {
    const std::vector<uint8_t> image = bench::reference_image();
    const struct {
        std::vector<std::string> args;
        const char* signal;
        int at;
        std::string out;
        int status;
        size_t commands;
        bool tool_alone = false; // "kill -INT PID" rather than Ctrl-C to the whole group
    } cases[] = {
        // Two rows of 16 bytes are complete when the read of offset 40 is interrupted.
        {{"0", "-sbin"},
         "INT",
         40,
         bench::hex_dump(std::vector<uint8_t>(image.begin(), image.begin() + 32)),
         128 + 2,
         41},
        {{"0", "/BSN"}, "INT", 230, "", 128 + 2, 6},
        {{"0", "/BSN", "ABC"},
         "INT",
         230,
         "Interrupted at offset 0xe6; the FRU may be partly written.\n",
         128 + 2,
         6},
        // In the checksum pass after the item's 32 bytes.
        {{"0", "/BSN", "ABC"},
         "QUIT",
         300,
         "Interrupted at offset 0x12c; the FRU may be partly written.\n",
         128 + 3,
         32 + 117},
        {{"0", "-w"},
         "QUIT",
         300,
         "Writing fru data.....\nInterrupted at offset 0x12c; the FRU may be partly written.\n",
         128 + 3,
         301},
        // Sent to the tool alone: a read ends at once, a write after the command under way.
        {{"0", "-sbin"},
         "INT",
         40,
         bench::hex_dump(std::vector<uint8_t>(image.begin(), image.begin() + 32)),
         128 + 2,
         41,
         true},
        {{"0", "/BSN", "ABC"},
         "INT",
         230,
         "Interrupted at offset 0xe6; the FRU may be partly written.\n",
         128 + 2,
         6,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(describe(c.args) + " SIG" + c.signal + " at " + std::to_string(c.at) +
                     (c.tool_alone ? " to the tool alone" : ""));
        Bench b;
        b.set_device(0, image);
        b.write_file("fruconfig.ini", "[Board]\n");
        b.set_env("TARNWICK_FAKE_INTERRUPT_AT", std::to_string(c.at));
        b.set_env("TARNWICK_FAKE_INTERRUPT_SIGNAL", c.signal);
        if (c.tool_alone) {
            b.set_env("TARNWICK_FAKE_INTERRUPT_TOOL", "1");
        }
        const RunResult r = b.run(c.args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.commands.size(), c.commands);
        // The temporary files of a write are its own, and go with it.
        if (c.args.size() == 3 || c.args[1] == "-w") {
            EXPECT_EQ(b.files_left(), std::vector<std::string>{"fruconfig.ini"});
        }
    }
}

// Runs in one directory share "tmp": the second waits for the first instead of mixing bytes.
TEST(Faults, TwoRunsInOneDirectoryTakeTurns) {
    Bench b;
    const std::vector<uint8_t> image = bench::reference_image();
    b.set_device(0, image);
    const std::string tool = "'" + bench::tool_path() + "'";
    const RunResult r = b.run_shell(tool + " 0 -sbin >a.out & " + tool + " 0 -sbin >b.out; wait");
    EXPECT_EQ(r.status, 0);
    const std::string dump = bench::hex_dump(image);
    const std::string waited = "Waiting for another tarnwick run in this directory...\n" + dump;
    const std::string a = b.read_file("a.out");
    const std::string c = b.read_file("b.out");
    EXPECT_TRUE((a == dump && c == waited) || (a == waited && c == dump)) << a << "\n---\n" << c;
    // The reads of one run all come before those of the other.
    std::vector<std::string> reads;
    for (int run = 0; run < 2; ++run) {
        for (unsigned offset = 0; offset < 512; ++offset) {
            char line[64];
            std::snprintf(line, sizeof line, "ipmitool raw 0x0a 0x11 0x0 0x%x 0x%02x 0x01",
                          offset & 0xFF, offset >> 8);
            reads.push_back(line);
        }
    }
    EXPECT_EQ(r.commands, reads);
    EXPECT_EQ(b.files_left(), (std::vector<std::string>{"a.out", "b.out"}));
}

// The device lock lives in a directory of the user's alone: anything else there could be taken or
// swapped by someone else, so a write in either mode stops before any device command. A missing
// directory is made private.
TEST(Faults, TheLockDirectoryMustBeTheUsersAlone) {
    // clang-format off
    const struct {
        const char* what;
        const char* make; // shell commands that make DIR
        const char* named; // how TARNWICK_LOCK_DIR names it
        std::vector<std::string> args;
        const char* bulk;
        const char* reason; // of the refusal
    } cases[] = {
        {"missing: made with mode 0700", "", "DIR", {"0", "/BSN", "NEW-1"}, "1", ""},
        {"a link to a private directory", "ln -s LOCKS DIR", "DIR", {"0", "/BSN", "NEW-1"}, "0", "a symbolic link"},
        {"a link named with a trailing slash", "ln -s LOCKS DIR", "DIR/", {"0", "/PAT", "X"}, "1", "a symbolic link"},
        {"another user's directory", "mkdir -m 700 DIR && chown 65534 DIR", "DIR", {"0", "-w"}, "1", "owned by uid 65534"},
        {"a directory the group may write", "mkdir -m 770 DIR", "DIR", {"0", "-w"}, "0", "others can enter it (mode 0770)"},
        {"a directory others may enter", "mkdir -m 701 DIR", "DIR", {"0", "-w"}, "1", "others can enter it (mode 0701)"},
        {"a file", ": >DIR", "DIR", {"0", "/PAT", "X"}, "1", "not a directory"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        b.set_device(0, bench::reference_image());
        b.write_file("fruconfig.ini", bench::example_config());
        const std::string dir = b.outside_dir() + "/locks";
        const auto place = [&](std::string text) {
            text = std::regex_replace(text, std::regex("DIR"), dir);
            return std::regex_replace(text, std::regex("LOCKS"), b.lock_dir());
        };
        if (b.run_shell(place(c.make)).status != 0) {
            continue; // another user's directory: only root can make one
        }
        b.set_env("TARNWICK_LOCK_DIR", place(c.named));
        b.set_env("TARNWICK_BULK", c.bulk);
        const RunResult r = b.run(c.args);
        if (*c.make == '\0') {
            struct stat made {};
            EXPECT_EQ(r.status, 0);
            EXPECT_TRUE(lstat(dir.c_str(), &made) == 0 && made.st_mode == (S_IFDIR | 0700));
            EXPECT_TRUE(lstat((dir + "/fru0.lock").c_str(), &made) == 0 &&
                        made.st_mode == (S_IFREG | 0600));
            continue;
        }
        EXPECT_EQ(r.out, "Can not use the lock directory \"" + dir + "\" (" + c.reason +
                             "); nothing written.\n");
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.commands, std::vector<std::string>{});
        EXPECT_EQ(bench::first_512(b.device(0)), bench::reference_image());
        EXPECT_TRUE(fs::is_empty(b.lock_dir())) << "nothing made through a link";
    }
}

// Output that cannot be written is a failure, never a success; a write still goes to its end.
TEST(Faults, StandardOutputThatCannotBeWrittenEndsWith255) {
    const struct {
        const char* command;
        size_t commands;
        const char* board_serial_after; // the device as it was: nullptr
        bool bulk = false;
    } cases[] = {
        {"0 -sbin >/dev/full", 16, nullptr}, // stops when the first row cannot be written
        {"0 -debug >/dev/full", 0, nullptr},
        {"-h x >/dev/full", 0, nullptr},
        {"0 -debug >&-", 0, nullptr},
        {"0 -sbin >&-", 0, nullptr}, // no output at all: nothing is run
        // In bulk mode: read, write, read back; the display after the write is left out.
        {"0 /BSN NEW-1 >/dev/full", 3, "NEW-1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Bench b;
        b.set_device(0, bench::reference_image());
        const RunResult r = b.run_shell(std::string(c.bulk ? "TARNWICK_BULK=1 " : "") + "'" +
                                        bench::tool_path() + "' " + c.command + "; echo status $?");
        EXPECT_EQ(r.out, "status 255\n");
        EXPECT_EQ(r.commands.size(), c.commands);
        bench::ImageFields after;
        after.board_serial = c.board_serial_after != nullptr ? c.board_serial_after : "";
        EXPECT_EQ(bench::first_512(b.device(0)), bench::reference_image(after));
    }
}

} // namespace
