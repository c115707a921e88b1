// Bulk mode (TARNWICK_BULK=1) through the built tool and the fake utility's "fru read" and
// "fru write": the commands it runs, what it prints, the device bytes, the backup files, and no
// private file left behind.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "bench.h"
#include "ops_test.h"

namespace fs = std::filesystem;
using bench::Bench;
using bench::ImageFields;
using bench::reference_image;
using bench::RunResult;

namespace {

const std::string progress = "Writing fru data.....\nWriting checksum.....\n";

std::vector<uint8_t> with_board_serial(const std::string& serial) {
    ImageFields f;
    f.board_serial = serial;
    return reference_image(f);
}

std::vector<uint8_t> padded(std::vector<uint8_t> bytes, uint8_t fill = 0) {
    bytes.resize(bench::device_size, fill);
    return bytes;
}

// The command log with the private file names replaced by FILE.
std::vector<std::string> shapes(const std::vector<std::string>& commands) {
    std::vector<std::string> out;
    for (const std::string& line : commands) {
        out.push_back(
            std::regex_replace(line, std::regex("/[^ ]*/tarnwick-[A-Za-z0-9]{6}"), "FILE"));
    }
    return out;
}

// The backup files the run left in the working directory, by name.
std::vector<std::string> backups(const Bench& b) {
    std::vector<std::string> names;
    for (const std::string& name : b.files_left()) {
        if (std::regex_match(name,
                             std::regex(R"(fru-?[0-9]+-[0-9]{8}T[0-9]{6}Z(-[0-9]+)?\.bin)"))) {
            names.push_back(name);
        }
    }
    return names;
}

// What the runs left in their TMPDIR: nothing, however they ended.
std::vector<std::string> private_files(const Bench& b) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(b.temp_dir())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

const std::string read_cmd = "ipmitool fru read 0 FILE";
const std::string write_cmd = "ipmitool fru write 0 FILE";

} // namespace

TEST(BulkMode, WritesReadsAndRefusals) {
    const std::vector<uint8_t> blank(bench::device_size, 0);
    const std::vector<uint8_t> example = padded(bench::example_image());
    const std::vector<uint8_t> reference = padded(reference_image());
    const std::vector<uint8_t> old_serial = padded(with_board_serial("OLD-SERIAL-0001"), 0x5C);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<uint8_t> before; // empty: device 0 does not exist
        std::pair<const char*, const char*> fault;
        std::string out; // "BACKUP" stands for the backup line
        int status;
        std::vector<std::string> commands;
        std::vector<uint8_t> after;
        bool backup; // a backup of `before` was made
    };
    const std::string backup_line = "Previous image saved to BACKUP.\n";
    const std::string not_read = "Can not read FRU device 0.\n";
    const Case cases[] = {
        {"-w on a blank device",
         {"0", "-w"},
         blank,
         {},
         backup_line + progress + "Done!\n",
         0,
         {read_cmd, write_cmd, read_cmd},
         padded(bench::example_image()),
         true},
        {"-w again",
         {"0", "-w"},
         example,
         {},
         "FRU device 0 already holds this image; nothing written.\nDone!\n",
         0,
         {read_cmd},
         example,
         false},
        {"item write keeps what lies past the image",
         {"0", "/BSN", "NEW-1"},
         old_serial,
         {},
         backup_line + " Board Serial          : NEW-1\n",
         0,
         {read_cmd, write_cmd, read_cmd, "ipmitool fru"},
         padded(with_board_serial("NEW-1"), 0x5C),
         true},
        {"item write of what the device holds",
         {"0", "/BSN", "OLD-SERIAL-0001"},
         old_serial,
         {},
         "FRU device 0 already holds this image; nothing written.\n"
         " Board Serial          : OLD-SERIAL-0001\n",
         0,
         {read_cmd, "ipmitool fru"},
         old_serial,
         false},
        {"item write on a FRU of another layout",
         {"0", "/BSN", "NEW-1"},
         padded(bench::other_layout_image()),
         {},
         "FRU device 0 does not hold this layout; write it whole with -w or -restore. Nothing "
         "written.\n",
         255,
         {read_cmd},
         padded(bench::other_layout_image()),
         false},
        {"item read",
         {"0", "/BSN"},
         old_serial,
         {},
         "OLD-SERIAL-0001\n",
         0,
         {read_cmd},
         old_serial,
         false},
        {"hex dump",
         {"0", "-sbin"},
         example,
         {},
         bench::hex_dump(bench::example_image()),
         0,
         {read_cmd},
         example,
         false},
        {"writes the device ignores",
         {"0", "-w"},
         blank,
         {"TARNWICK_FAKE_WRITE_IGNORE", "1"},
         backup_line + progress + "Verify failed at offset 0x0: expected 01, read 00.\n",
         255,
         {read_cmd, write_cmd, read_cmd},
         blank,
         true},
        {"a byte the device changes",
         {"0", "/BSN", "NEW-1"},
         reference,
         {"TARNWICK_FAKE_CORRUPT_AT", "226"},
         backup_line + "Verify failed at offset 0xe2: expected 45, read 46.\n",
         255,
         {read_cmd, write_cmd, read_cmd},
         {},
         true},
        // The write stops at the product manufacturer's first letter.
        {"a failing write",
         {"0", "-w"},
         blank,
         {"TARNWICK_FAKE_WRITE_FAIL_AT", "316"},
         backup_line + progress + "Verify failed at offset 0x13c: expected 45, read 00.\n",
         255,
         {read_cmd, write_cmd, read_cmd},
         {},
         true},
        {"a failing read",
         {"0", "-sbin"},
         reference,
         {"TARNWICK_FAKE_READ_FAIL", "1"},
         not_read,
         255,
         {read_cmd},
         reference,
         false},
        // The utility writes the whole file all the same and says so on standard error only:
        // neither the backup nor the new image may come from such a read.
        {"a read that fails part-way",
         {"0", "/BSN", "NEW-1"},
         reference,
         {"TARNWICK_FAKE_READ_FAIL_AT", "300"},
         not_read,
         255,
         {read_cmd},
         reference,
         false},
        {"no such device: -w", {"0", "-w"}, {}, {}, not_read, 255, {read_cmd}, {}, false},
        {"no such device: item write",
         {"0", "/PN", "X"},
         {},
         {},
         not_read,
         255,
         {read_cmd},
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        if (!c.before.empty()) {
            b.set_device(0, c.before);
        }
        b.write_file("fruconfig.ini", bench::example_config());
        b.set_env("TARNWICK_BULK", "1");
        if (c.fault.first != nullptr) {
            b.set_env(c.fault.first, c.fault.second);
        }
        const RunResult r = b.run(c.args);

        const std::vector<std::string> made = backups(b);
        std::string out = r.out;
        if (c.backup) {
            ASSERT_EQ(made.size(), 1u);
            EXPECT_EQ(b.read_file(made[0]), std::string(c.before.begin(), c.before.end()));
            out = std::regex_replace(out, std::regex("saved to " + made[0]), "saved to BACKUP");
        } else {
            EXPECT_EQ(made, std::vector<std::string>{});
        }
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(shapes(r.commands), c.commands);
        if (!c.after.empty()) {
            EXPECT_EQ(b.device(0), c.after);
        }
        EXPECT_FALSE(b.has_device(0) && c.before.empty()) << "no device was made up";
        EXPECT_EQ(private_files(b), std::vector<std::string>{});
    }
}

// A read counts only as the utility's account of a good read: refused otherwise, with what it said
// (standard output, then standard error) passed on to standard error, and nothing saved or written.
TEST(BulkMode, ReadsThatDoNotProveThemselvesAreRefused) {
    const std::string size_line = "Fru Size         : 1280 bytes\n";
    const std::string failed = "FRU Read failed: Unspecified error\n";
    const char* const end = "TARNWICK_FAKE_READ_END";
    // clang-format off
    const struct {
        std::vector<std::string> args;
        std::pair<const char*, const char*> fault;
        std::string err;
    } cases[] = {
        {{"0", "/BSN", "NEW-1"}, {end, "said"}, size_line + failed}, // said on standard output
        // A killed utility: the shell's word for the signal comes with the utility's complaints.
        {{"0", "-sbin"}, {end, "killed"}, size_line + "Done\nKilled\n"},
        {{"0", "-w"}, {end, "short"}, size_line + "Done\n"},
        {{"0", "/PN", "X"}, {"TARNWICK_FAKE_READ_FAIL_AT", "300"}, size_line + "Done\n" + failed},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault.first) + "=" + c.fault.second);
        Bench b;
        const std::vector<uint8_t> before = padded(with_board_serial("OLD-SERIAL-0001"));
        b.set_device(0, before);
        b.write_file("fruconfig.ini", bench::example_config());
        b.set_env("TARNWICK_BULK", "1");
        b.set_env(c.fault.first, c.fault.second);
        const RunResult r = b.run(c.args);
        EXPECT_EQ(r.out, "Can not read FRU device 0.\n");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(shapes(r.commands), std::vector<std::string>{read_cmd});
        EXPECT_EQ(b.device(0), before);
        EXPECT_EQ(backups(b), std::vector<std::string>{});
        EXPECT_EQ(private_files(b), std::vector<std::string>{});
    }
}

// A device smaller than the layout reads as its bytes and zeros beyond, stops a report, and is
// never written; a device of the layout's size is written as any other, its backup the whole
// device.
TEST(BulkMode, DevicesOfOtherSizes) {
    const std::vector<uint8_t> before =
        padded(with_board_serial("SERIAL-0123456789-0123456789-012"), 0x5C);
    std::vector<uint8_t> shown(before.begin(), before.begin() + 256);
    shown.resize(512);
    const std::string refused =
        "FRU device 0 holds 256 bytes; this layout needs 512. Nothing written.\n";
    const struct {
        const char* size;
        std::vector<std::string> args;
        std::string out; // "BACKUP" stands for the backup's name
        int status;
        std::vector<uint8_t> after;
    } cases[] = {
        {"256", {"0", "-sbin"}, bench::hex_dump(shown), 0, before},
        {"256", {"0", "/BSN"}, "SERIAL-0123456789-0123456789-01\n", 0, before},
        {"256", {"0", "-w"}, refused, 255, before},
        // Reports stop where the device ends, as they do in the default mode.
        {"256", {"0", "-diff"}, "Read FRU data failed at offset 0x100.\n", 255, before},
        {"256", {"0", "-sjson"}, "Read FRU data failed at offset 0x100.\n", 255, before},
        {"256", {"0", "/BSN", "NEW-1"}, refused, 255, before},
        // clang-format off
        {"512", {"0", "/BSN", "NEW-1"}, "Previous image saved to BACKUP.\n"
         " Board Serial          : NEW-1\n", 0, padded(with_board_serial("NEW-1"), 0x5C)},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size + (" " + c.args[1]));
        Bench b;
        b.set_device(0, before);
        b.write_file("fruconfig.ini", bench::example_config());
        b.set_env("TARNWICK_BULK", "1");
        b.set_env("TARNWICK_FAKE_SIZE", c.size);
        const RunResult r = b.run(c.args);
        const std::vector<std::string> made = backups(b);
        ASSERT_EQ(made.size(), c.out.find("BACKUP") != std::string::npos ? 1u : 0u);
        for (const std::string& name : made) {
            EXPECT_EQ(b.read_file(name), std::string(before.begin(), before.begin() + 512));
        }
        EXPECT_EQ(made.empty() ? r.out : std::regex_replace(r.out, std::regex(made[0]), "BACKUP"),
                  c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(b.device(0), c.after);
    }
}

// Signals that end a run, to the whole group (Ctrl-C, a dropped session), to the tool alone or to
// every process, never cut a command: a read ends first; one that comes before the write command
// leaves the device as it was, and one from the write command on waits for the read-back's
// verdict. Either way the run ends by the signal and leaves no private file.
TEST(BulkMode, InterruptsNeverCutATransfer) {
    const std::string backup = "Previous image saved to BACKUP.\n";
    const std::string written = "Interrupted after the write; FRU device 0 holds the new image.\n";
    const std::vector<std::string> item = {"0", "/BSN", "NEW-1"};
    const std::vector<uint8_t> new_item = padded(with_board_serial("NEW-1"));
    std::vector<uint8_t> corrupted = new_item;
    corrupted[226] += 1;
    using env = std::pair<const char*, const char*>;
    const env tool = {"TARNWICK_FAKE_INTERRUPT_TOOL", "1"};
    // clang-format off
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* on;
        const char* signal;
        env setting;
        std::string out;
        int status;
        size_t commands;
        std::vector<uint8_t> after; // empty: as it was
    } cases[] = {
        {"Ctrl-C during the read of -sbin", {"0", "-sbin"}, "read", "INT", {}, "", 130, 1, {}},
        {"kill -INT PID during the read of -sbin", {"0", "-sbin"}, "read", "INT", tool, "", 130, 1, {}},
        {"Ctrl-C during the first read of an item write", item, "read", "INT", {},
         "Interrupted; nothing written to FRU device 0.\n", 130, 1, {}},
        {"Ctrl-C during the write of an item", item, "write", "INT", {}, backup + written, 130, 3,
         new_item},
        {"kill -INT PID during the write of an item", item, "write", "INT", tool, backup + written,
         130, 3, new_item},
        {"SIGTERM to every process during the write of -w, as a service manager does", {"0", "-w"},
         "write", "TERM", {"TARNWICK_FAKE_INTERRUPT_ALL", "1"}, backup + progress + written, 143, 3,
         padded(bench::example_image())},
        {"a dropped session during a write that does not verify", item, "write", "HUP",
         {"TARNWICK_FAKE_CORRUPT_AT", "226"},
         backup + "Verify failed at offset 0xe2: expected 45, read 46.\n", 129, 3, corrupted},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        const std::vector<uint8_t> start = c.args[1] == "-w"
                                               ? std::vector<uint8_t>(bench::device_size, 0)
                                               : padded(reference_image());
        b.set_device(0, start);
        b.write_file("fruconfig.ini", bench::example_config());
        b.set_env("TARNWICK_BULK", "1");
        b.set_env("TARNWICK_FAKE_INTERRUPT_AT", "0");
        b.set_env("TARNWICK_FAKE_INTERRUPT_ON", c.on);
        b.set_env("TARNWICK_FAKE_INTERRUPT_SIGNAL", c.signal);
        if (c.setting.first != nullptr) {
            b.set_env(c.setting.first, c.setting.second);
        }
        const RunResult r = b.run(c.args);
        const std::vector<std::string> made = backups(b);
        std::string out = r.out;
        if (!made.empty()) {
            out = std::regex_replace(out, std::regex("saved to " + made[0]), "saved to BACKUP");
        }
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.commands.size(), c.commands);
        EXPECT_EQ(b.device(0), c.after.empty() ? start : c.after);
        EXPECT_EQ(private_files(b), std::vector<std::string>{});
    }
}

// Writes to one device take turns, in either mode and from whatever directory: the second says it
// waits, and starts only when the first has ended, also when the first tool was killed while its
// utility went on writing. Neither change is lost.
TEST(BulkMode, TwoWritesToOneDeviceTakeTurns) {
    for (const bool kill_first : {false, true}) {
        SCOPED_TRACE(kill_first ? "a bulk write waits for the utility of a killed bulk write"
                                : "a default-mode write waits for a bulk write");
        Bench b;
        b.set_device(0, reference_image());
        const std::string tool = "'" + bench::tool_path() + "'";
        // The first, in another directory, stops inside its "fru write" until the gate is closed;
        // the second starts once the first is there, and the gate is closed once the second has
        // said that it waits.
        const RunResult r = b.run_shell(
            "mkfifo gate second.out\n(cd '" + b.outside_dir() +
            "' && export TARNWICK_BULK=1 TARNWICK_FAKE_WRITE_WAIT='" + b.work_dir() +
            "/gate' && exec " + tool + " 0 /BSN NEW-1 >/dev/null) &\nfirst=$!\nexec 3>gate\n" +
            (kill_first ? "kill -KILL $first\n" : "") +
            "{ TARNWICK_BULK=" + (kill_first ? "1 " : "0 ") + tool +
            " 0 /PSN NEW-2 >second.out; echo $? >second.status; } 3>&- &\n"
            "exec 4<second.out\nhead -n 1 <&4\nexec 3>&-\ncat <&4 >/dev/null\nwait $first\n"
            "echo first $?\nwait\n");
        EXPECT_EQ(r.out, "Waiting for another tarnwick write to FRU device 0...\nfirst " +
                             std::string(kill_first ? "137" : "0") + "\n");
        EXPECT_EQ(b.read_file("second.status"), "0\n");
        ImageFields both;
        both.board_serial = "NEW-1";
        both.product_serial = "NEW-2";
        EXPECT_EQ(b.device(0), padded(reference_image(both)));
        if (kill_first) {
            // What the second read, and kept, is what the killed one's utility wrote.
            const std::vector<std::string> made = backups(b);
            ASSERT_EQ(made.size(), 1u);
            const std::vector<uint8_t> first = padded(with_board_serial("NEW-1"));
            EXPECT_EQ(b.read_file(made[0]), std::string(first.begin(), first.end()));
        }
    }
}

// A backup never replaces a file or follows a link: names taken for the next minute push the
// tool to the first free one.
TEST(BulkMode, BackupNamesThatAreTakenAreLeftAlone) {
    Bench b;
    b.set_device(0, reference_image());
    b.set_env("TARNWICK_BULK", "1");
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> kept;
    for (std::time_t t = now - 1; t < now + 60; ++t) {
        std::tm utc{};
        gmtime_r(&t, &utc);
        char stem[64];
        std::strftime(stem, sizeof stem, "fru0-%Y%m%dT%H%M%SZ", &utc);
        b.write_file(std::string(stem) + ".bin", "kept");
        kept.push_back(std::string(stem) + ".bin");
        fs::create_symlink(b.outside_dir() + "/" + stem, b.work_dir() + "/" + stem + "-2.bin");
    }
    const RunResult r = b.run({"0", "/BSN", "NEW-1"});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> made = backups(b);
    std::vector<std::string> third;
    for (const std::string& name : made) {
        if (name.size() > 6 && name.substr(name.size() - 6) == "-3.bin") {
            third.push_back(name);
        }
    }
    ASSERT_EQ(third.size(), 1u) << r.out;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "Previous image saved to " + third[0] + ".\n");
    const std::vector<uint8_t> before = padded(reference_image());
    EXPECT_EQ(b.read_file(third[0]), std::string(before.begin(), before.end()));
    for (const std::string& name : kept) {
        EXPECT_EQ(b.read_file(name), "kept");
    }
    EXPECT_TRUE(fs::is_empty(b.outside_dir())) << "a link was followed";
}

// TARNWICK_BULK takes 0 or 1; anything else runs nothing, whatever the command.
TEST(BulkMode, OtherValuesOfTheVariableRunNothing) {
    for (const char* value : {"2", "yes", "01", " 1", "true"}) {
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"0", "-sbin"}, {"0", "-debug"}}) {
            SCOPED_TRACE(std::string(value) + " " + args[1]);
            Bench b;
            b.set_env("TARNWICK_BULK", value);
            const RunResult r = b.run(args);
            EXPECT_EQ(r.out, "TARNWICK_BULK must be 0 or 1, not \"" + std::string(value) + "\".\n");
            EXPECT_EQ(r.status, 255);
            EXPECT_EQ(r.commands, std::vector<std::string>{});
        }
    }
    // Empty and 0 are the byte mode; help comes first.
    for (const char* value : {"", "0"}) {
        Bench b;
        b.set_device(0, reference_image());
        b.set_env("TARNWICK_BULK", value);
        const RunResult r = b.run({"0", "/BM"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.commands.size(), 16u) << "one raw read per byte of the field";
    }
    Bench b;
    b.set_env("TARNWICK_BULK", "2");
    EXPECT_EQ(b.run({"-h", "x"}).status, 0);
}
