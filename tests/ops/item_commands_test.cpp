// The fifteen item command words, through the built tool and the fake IPMI utility.
#include <gtest/gtest.h>

#include <filesystem>

#include "bench.h"
#include "ops_test.h"

using bench::Bench;
using bench::ImageFields;
using bench::reference_image;
using bench::RunResult;
using namespace ops_test;

namespace {

struct word_case {
    const char* word;
    unsigned offset;
    unsigned length;
    unsigned area_start;
    unsigned checksum;
    // What the fake utility's "fru" listing shows for the written value; "" for no display.
    const char* display_label;
};

// One word of each shape: with a display after the write, and without one. Every word's command
// lines and bytes are checked against the in-memory device by the unit tests (ItemCommands).
constexpr word_case words[] = {
    {"/CSN", 109, 24, 80, 183, " Chassis Serial        : "},
    {"/PFFI", 466, 16, 312, 511, ""},
};

// The device commands a write of `c` must run: the item's bytes, the checksum write pass and the
// verify pass over the item's area.
std::vector<raw_command> expected_write_commands(const word_case& c) {
    std::vector<raw_command> commands;
    add_range(commands, true, c.offset, c.offset + c.length - 1);
    add_range(commands, false, c.area_start, c.checksum - 1);
    add_range(commands, true, c.checksum, c.checksum);
    add_range(commands, false, c.area_start, c.checksum);
    return commands;
}

} // namespace

TEST(ItemWrite, EachWordWritesItsFieldAndTheAreaChecksumThenReadsBack) {
    Bench bench;
    bench.set_device(0, reference_image());
    for (const word_case& c : words) {
        SCOPED_TRACE(c.word);
        const std::string value = std::string("V") + (c.word + 1) + " 1";
        const std::vector<uint8_t> before = bench.device(0);

        const RunResult write = bench.run({"0", c.word, value});
        EXPECT_EQ(write.status, 0);
        EXPECT_EQ(write.err, "");
        std::vector<std::string> other;
        EXPECT_EQ(raw_commands(write.commands, &other), expected_write_commands(c));

        // The display goes through the utility's listing of every device.
        const std::string display = c.display_label[0] ? c.display_label + value + "\n" : "";
        EXPECT_EQ(write.out, display);
        EXPECT_EQ(other.size(), c.display_label[0] ? 1u : 0u);

        // Only the item's bytes and the area checksum changed; the area adds up to 0.
        std::vector<uint8_t> expected = before;
        std::fill(expected.begin() + c.offset, expected.begin() + c.offset + c.length, 0);
        std::copy(value.begin(), value.end(), expected.begin() + c.offset);
        const std::vector<uint8_t> after = bench.device(0);
        expected[c.checksum] = after[c.checksum];
        EXPECT_EQ(after, expected);
        EXPECT_EQ(byte_sum(after, c.area_start, c.checksum), 0);
        EXPECT_EQ(bench::fru_image_problems(first_512(after)), std::vector<std::string>{});

        const RunResult read = bench.run({"0", c.word});
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.out, value + "\n");
        std::vector<raw_command> reads;
        add_range(reads, false, c.offset, c.offset + c.length - 1);
        EXPECT_EQ(raw_commands(read.commands), reads);
        EXPECT_EQ(bench.files_left(), std::vector<std::string>{});
    }
}

TEST(ItemWrite, BoardSerialNumberCommandStream) {
    Bench bench;
    bench.set_device(0, reference_image());
    const RunResult result = bench.run({"0", "/BSN", "ABC"});
    ASSERT_EQ(result.status, 0);
    // 32 writes, 127 reads and a write, 128 reads, then the display command.
    ASSERT_EQ(result.commands.size(), 32u + 127 + 1 + 128 + 1);
    EXPECT_EQ(result.commands.front(), "ipmitool raw 0x0a 0x12 0x0 0xe1 0x00 0x41");
    EXPECT_EQ(result.commands[3], "ipmitool raw 0x0a 0x12 0x0 0xe4 0x00 0x0");
    EXPECT_EQ(result.commands[31], "ipmitool raw 0x0a 0x12 0x0 0x0 0x01 0x0");
    EXPECT_EQ(result.commands[32], "ipmitool raw 0x0a 0x11 0x0 0xb8 0x00 0x01");
    ImageFields fields;
    fields.board_serial = "ABC";
    const uint8_t checksum = reference_image(fields)[311];
    char write_checksum[64];
    std::snprintf(write_checksum, sizeof write_checksum,
                  "ipmitool raw 0x0a 0x12 0x0 0x37 0x01 0x%x", unsigned{checksum});
    EXPECT_EQ(result.commands[159], write_checksum);
    EXPECT_EQ(result.commands.back(), "ipmitool fru print 0");
    EXPECT_EQ(first_512(bench.device(0)), reference_image(fields));
}

TEST(ItemWrite, ValuesAreCutToTheFieldAndNullReads) {
    Bench bench;
    bench.set_device(0, reference_image());
    // A 20-character board product name keeps 16 (100 characters of serial number keeping 32:
    // unit test ItemCommands.ValuesLongerThanTheFieldAreCut).
    ASSERT_EQ(bench.run({"0", "/BPNA", "ABCDEFGHIJKLMNOPQRST"}).status, 0);
    ImageFields fields;
    fields.board_product = "ABCDEFGHIJKLMNOP";
    EXPECT_EQ(first_512(bench.device(0)), reference_image(fields));

    // A full field has no zero byte: the read prints exactly its length.
    const RunResult full = bench.run({"0", "/BPNA"});
    EXPECT_EQ(full.out, "ABCDEFGHIJKLMNOP\n");

    // The value NULL is a read, not a write.
    const RunResult null = bench.run({"7", "/BSN", "NULL"});
    EXPECT_EQ(null.status, 0);
    EXPECT_EQ(null.out, "\n");
    const std::vector<raw_command> reads = raw_commands(null.commands);
    ASSERT_EQ(reads.size(), 32u);
    EXPECT_EQ(reads.front().device, 7u);
    EXPECT_FALSE(reads.front().write);
}

TEST(ItemRead, BytesArePrintedAsTheDeviceHoldsThem) {
    Bench bench;
    std::vector<uint8_t> image = reference_image();
    const std::string odd = "A\x01\x7f\x80\xff Z";
    std::copy(odd.begin(), odd.end(), image.begin() + 84);
    bench.set_device(0, image);
    EXPECT_EQ(bench.run({"0", "/CPN"}).out, odd + "\n");
    // On a terminal they are escaped: a value cannot act on the terminal it is read on.
    const RunResult shown = bench.run_shell("TARNWICK_PROGRESS=0 script -qec \"'" +
                                            bench::tool_path() + "' 0 /CPN\" /dev/null");
    EXPECT_EQ(shown.out, "A\\x01\\x7f\\x80\\xff Z\r\n");

    // A failed read is no zero byte: the message, status 255.
    bench.set_env("TARNWICK_FAKE_READ_FAIL_AT", "90");
    const RunResult failed = bench.run({"0", "/CPN"});
    EXPECT_EQ(failed.status, 255);
    EXPECT_EQ(failed.out, "Read FRU data failed at offset 0x5a.\n");
}

TEST(ManufacturingDate, WriteStoresMinutesSince1996AndReadShowsTheUtilityLine) {
    Bench bench;
    bench.set_device(0, reference_image());
    const RunResult write = bench.run({"0", "/BMT", "2018-08-09 00:00 UTC"});
    EXPECT_EQ(write.status, 0);
    EXPECT_EQ(write.out, "");
    std::vector<raw_command> expected;
    add_range(expected, true, 187, 189);
    add_range(expected, false, 184, 310);
    add_range(expected, true, 311, 311);
    add_range(expected, false, 184, 311);
    std::vector<std::string> other;
    EXPECT_EQ(raw_commands(write.commands, &other), expected);
    EXPECT_EQ(other, std::vector<std::string>{}) << "no display command after a date write";
    ImageFields fields;
    fields.mfg_date[1] = 0x68;
    fields.mfg_date[2] = 0xB5;
    EXPECT_EQ(first_512(bench.device(0)), reference_image(fields));

    // The read is the utility's date line cut at its second colon, then the tool's own newline.
    const RunResult read = bench.run({"0", "/BMT"});
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, " Thu Aug  9 00\n\n");
    EXPECT_EQ(read.commands, std::vector<std::string>{"ipmitool fru print 0"});
}

TEST(ManufacturingDate, UnreadableOrHostileTextsWriteNothing) {
    Bench bench;
    bench.set_device(0, reference_image());
    for (const std::string text : {"not a date", "$(touch x)", "`touch x`", "\"; touch x; \""}) {
        SCOPED_TRACE(text);
        const RunResult result = bench.run({"0", "/BMT", text});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, "Can not convert the manufacturing date \"" + text + "\".\n");
        EXPECT_EQ(result.commands, std::vector<std::string>{});
        EXPECT_EQ(bench.files_left(), std::vector<std::string>{});
    }
    EXPECT_EQ(first_512(bench.device(0)), reference_image());
}

// The other ends of the range: unit test DateConversion.DatesOutsideTheRangeAreRefusedOrWarned...
TEST(ManufacturingDate, ADateBefore1996IsRefusedBeforeAnyCommand) {
    Bench bench;
    bench.set_device(0, reference_image());
    const RunResult result = bench.run({"0", "/BMT", "1995-12-31 23:59 UTC"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "The date \"1995-12-31 23:59 UTC\" is before 1996-01-01, where FRU dates "
                          "begin; nothing written.\n");
    EXPECT_EQ(result.commands, std::vector<std::string>{});
    EXPECT_EQ(first_512(bench.device(0)), reference_image());
}

TEST(ItemWrite, ChecksumThatDoesNotVerifyEndsWithTheAreaMessage) {
    // The chassis and product areas: unit test ItemCommands.AChecksumThatDoesNotVerifyEnds...
    const struct {
        const char* word;
        unsigned checksum;
        const char* area;
    } cases[] = {{"/BSN", 311, "board"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Bench bench;
        bench.set_device(0, reference_image());
        bench.set_env("TARNWICK_FAKE_CORRUPT_AT", std::to_string(c.checksum));
        const RunResult result = bench.run({"0", c.word, "XYZ"});
        const std::vector<uint8_t> after = bench.device(0);
        const unsigned actual = after[c.checksum];
        const unsigned expected = (actual + 255) & 0xFF;
        char message[96];
        std::snprintf(message, sizeof message, "Verify %s area checksum fail,expect:%x,actual:%x\n",
                      c.area, expected, actual);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, message);
        EXPECT_NE(result.commands.back().rfind("ipmitool raw 0x0a 0x11", 0), std::string::npos);
    }
}

TEST(ItemWrite, AFailedDeviceCommandStopsTheWriteAtItsOffset) {
    const struct {
        const char* fault;
        const char* value;
        std::size_t commands;
        const char* message;
    } cases[] = {
        {"TARNWICK_FAKE_WRITE_FAIL", "1", 1, "Write FRU data failed at offset 0xe1.\n"},
        {"TARNWICK_FAKE_WRITE_FAIL_AT", "230", 6, "Write FRU data failed at offset 0xe6.\n"},
        {"TARNWICK_FAKE_WRITE_FAIL_AT", "311", 32 + 127 + 1,
         "Write FRU data failed at offset 0x137.\n"},
        {"TARNWICK_FAKE_READ_FAIL", "1", 33, "Read FRU data failed at offset 0xb8.\n"},
        {"TARNWICK_FAKE_READ_FAIL_AT", "300", 32 + 117, "Read FRU data failed at offset 0x12c.\n"},
        // The old area still adds up: the verify pass compares the item's bytes with the new ones.
        {"TARNWICK_FAKE_WRITE_IGNORE", "1", 32 + 127 + 1 + 128,
         "Verify failed at offset 0xe1: expected 41, read 00.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + "=" + c.value);
        Bench bench;
        bench.set_device(0, reference_image());
        bench.set_env(c.fault, c.value);
        const RunResult result = bench.run({"0", "/BSN", "ABC"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
        EXPECT_EQ(result.commands.size(), c.commands);
    }
}

TEST(ItemCommand, UnknownWordsPrintTheirMessageAndTheUsage) {
    Bench bench;
    const RunResult usage = bench.run({"-h", "x"});
    ASSERT_EQ(usage.status, 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"0", "/XYZ"},
                                                 {"0", "/cpn", "v"},
                                                 {"0", "-sbin", "v"},
                                                 {"0", "/BMT "},
                                                 {"0", ""}}) {
        const RunResult result = bench.run(args);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, "\"" + args[1] + "\" is not right or not supported.\n" + usage.out);
        EXPECT_EQ(result.commands, std::vector<std::string>{});
    }
}

TEST(ItemCommand, TempFilesThatAreNoRegularFilesStopWritesBeforeTheFirstByte) {
    const struct {
        const char* name;
        std::vector<std::string> args;
    } cases[] = {
        {"time_tmp", {"0", "/BMT", "2018-08-09 00:00 UTC"}},
        {"tmp", {"0", "/BMT", "2018-08-09 00:00 UTC"}},
        {"tmp", {"0", "/BSN", "ABC"}},
        {"tmp", {"0", "-w"}},
        {"time_tmp", {"0", "-w"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " with " + c.args[1]);
        Bench bench;
        bench.set_device(0, reference_image());
        bench.write_file("fruconfig.ini", "[Board]\n");
        std::filesystem::create_directory(bench.work_dir() + "/" + c.name);
        bench.write_file(std::string(c.name) + "/keep", "kept");
        const RunResult result = bench.run(c.args);
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out,
                  std::string("Temporary file \"") + c.name +
                      "\" exists and is not a regular file; remove it and try again.\n");
        EXPECT_EQ(bench.read_file(std::string(c.name) + "/keep"), "kept");
        EXPECT_EQ(result.commands, std::vector<std::string>{});
        EXPECT_EQ(first_512(bench.device(0)), reference_image());
    }
}
