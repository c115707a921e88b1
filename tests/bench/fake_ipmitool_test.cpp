// The fake IPMI utility must answer like the real one, or tests through the tool prove nothing.
#include "bench.h"

#include <gtest/gtest.h>

namespace {

using bench::Bench;
using bench::RunResult;

// A device pattern in which every byte differs from its neighbours and from its offset's low byte.
std::vector<uint8_t> pattern(uint8_t seed) {
    std::vector<uint8_t> bytes(bench::device_size);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 8));
    }
    return bytes;
}

RunResult read_byte(Bench& b, const std::string& dev, const std::string& lo,
                    const std::string& hi) {
    return b.run_fake({"raw", "0x0a", "0x11", dev, lo, hi, "0x01"});
}

RunResult write_byte(Bench& b, const std::string& dev, const std::string& lo, const std::string& hi,
                     const std::string& value) {
    return b.run_fake({"raw", "0x0a", "0x12", dev, lo, hi, value});
}

std::string read_answer(uint8_t byte) {
    char buf[16];
    std::snprintf(buf, sizeof buf, " 01 %02x\n", byte);
    return buf;
}

TEST(FakeIpmitool, ReadPrintsCountAndByteAsTwoDigitLowercaseHex) {
    Bench b;
    std::vector<uint8_t> bytes(bench::device_size, 0);
    bytes[0xE1] = 0xAB;
    bytes[0xE2] = 0x05;
    b.set_device(0, bytes);
    RunResult r = read_byte(b, "0x0", "0xe1", "0x00");
    EXPECT_EQ(r.out, " 01 ab\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_byte(b, "0x0", "0xe2", "0x00").out, " 01 05\n");
    EXPECT_EQ(r.commands, std::vector<std::string>{"ipmitool raw 0x0a 0x11 0x0 0xe1 0x00 0x01"});
}

TEST(FakeIpmitool, ReadThroughAwkLeavesTheTwoDigitsInTheFile) {
    Bench b;
    std::vector<uint8_t> bytes(bench::device_size, 0);
    bytes[0x137] = 0x5A;
    b.set_device(0, bytes);
    RunResult r = b.run_shell("ipmitool raw 0x0a 0x11 0x0 0x37 0x01 0x01|awk '{printf $2}' >tmp");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(b.read_file("tmp"), "5a");
    EXPECT_EQ(r.commands, std::vector<std::string>{"ipmitool raw 0x0a 0x11 0x0 0x37 0x01 0x01"});
}

TEST(FakeIpmitool, ParsesNumbersInCNotationAndPagesByHighByte) {
    struct Case {
        std::string dev, lo, hi;
        int device;
        size_t offset;
    };
    const Case cases[] = {
        {"0x0", "0x0", "0x00", 0, 0x000},   {"0x0", "0xff", "0x00", 0, 0x0FF},
        {"0x0", "0x0", "0x01", 0, 0x100},   {"0x6", "0x37", "0x01", 6, 0x137},
        {"0x06", "0xff", "0x04", 6, 0x4FF}, {"6", "255", "4", 6, 0x4FF},
        {"0x07", "0x10", "0x02", 7, 0x210}, {"0", "010", "0", 0, 8}, // leading 0: octal
    };
    Bench b;
    b.set_device(0, pattern(1));
    b.set_device(6, pattern(2));
    b.set_device(7, pattern(3));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dev + " " + c.lo + " " + c.hi);
        RunResult r = read_byte(b, c.dev, c.lo, c.hi);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, read_answer(b.device(c.device)[c.offset]));
    }
}

TEST(FakeIpmitool, WriteStoresOneByteAndAnswersTheCount) {
    Bench b;
    std::vector<uint8_t> before = pattern(9);
    b.set_device(6, before);
    RunResult r = write_byte(b, "0x06", "0xff", "0x04", "0x5a");
    EXPECT_EQ(r.out, " 01\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    std::vector<uint8_t> expected = before;
    expected[0x4FF] = 0x5A;
    EXPECT_EQ(b.device(6), expected);

    EXPECT_EQ(write_byte(b, "0x6", "0x0", "0x01", "0x0").status, 0);
    expected[0x100] = 0x00;
    EXPECT_EQ(b.device(6), expected);
    EXPECT_EQ(b.all_commands(), (std::vector<std::string>{
                                    "ipmitool raw 0x0a 0x12 0x06 0xff 0x04 0x5a",
                                    "ipmitool raw 0x0a 0x12 0x6 0x0 0x01 0x0",
                                }));
}

TEST(FakeIpmitool, DeviceIsCreatedAllZeroOnFirstAccess) {
    Bench b;
    EXPECT_FALSE(b.has_device(3));
    EXPECT_EQ(read_byte(b, "0x3", "0x10", "0x00").out, " 01 00\n");
    ASSERT_TRUE(b.has_device(3));
    EXPECT_EQ(b.device(3), std::vector<uint8_t>(bench::device_size, 0));
}

TEST(FakeIpmitool, RefusedRequestsPrintNothingOnStdoutAndExitOne) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string raw = "Unable to send RAW command (channel=0x0 netfn=0xa lun=0x0 ";
    const Case cases[] = {
        {{"raw", "0x0a", "0x11", "0x0", "0x00", "0x05", "0x01"},
         raw + "cmd=0x11 rsp=0xff): Unspecified error\n"},
        {{"raw", "0x0a", "0x11", "0x0", "0xff", "0xff", "0x01"},
         raw + "cmd=0x11 rsp=0xff): Unspecified error\n"},
        {{"raw", "0x0a", "0x12", "0x0", "0x00", "0x05", "0x01"},
         raw + "cmd=0x12 rsp=0xc9): Parameter out of range\n"},
        {{"raw", "0x0a", "0x11", "0xffffffff", "0x0", "0x00", "0x01"},
         "Given data \"0xffffffff\" is invalid.\n"},
        {{"raw", "0x0a", "0x11", "0x100", "0x0", "0x00", "0x01"},
         "Given data \"0x100\" is invalid.\n"},
        {{"raw", "0x0a", "0x12", "0x0", "0x0", "0x00", "0x100"},
         "Given data \"0x100\" is invalid.\n"},
        {{"raw", "0x0a", "0x11", "0x0", "zz", "0x00", "0x01"}, "Given data \"zz\" is invalid.\n"},
        {{"fru", "0"},
         "Invalid FRU command: 0\nFRU Commands:  print read write upgEkey edit internaluse get\n"},
    };
    Bench b;
    b.set_device(0, pattern(4));
    for (const Case& c : cases) {
        std::string text;
        for (const auto& a : c.args) {
            text += " " + a;
        }
        SCOPED_TRACE(text);
        RunResult r = b.run_fake(c.args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, 1);
    }
    EXPECT_EQ(b.device(0), pattern(4));
    RunResult other = b.run_fake({"chassis", "status"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.out, "");
    EXPECT_NE(other.err, "");
}

TEST(FakeIpmitool, FaultModes) {
    Bench b;
    const std::vector<uint8_t> before = pattern(5);
    b.set_device(0, before);

    b.set_env("TARNWICK_FAKE_READ_FAIL", "1");
    RunResult r = read_byte(b, "0x0", "0x10", "0x00");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
    EXPECT_EQ(r.commands.size(), 1u); // a failed read is still logged

    b.clear_env();
    b.set_env("TARNWICK_FAKE_READ_FAIL_AT", "300");
    EXPECT_EQ(read_byte(b, "0x0", "0x2c", "0x01").status, 1); // 0x12c = 300
    EXPECT_EQ(read_byte(b, "0x0", "0x2d", "0x01").out, read_answer(before[301]));

    b.clear_env();
    b.set_env("TARNWICK_FAKE_WRITE_IGNORE", "1");
    r = write_byte(b, "0x0", "0x10", "0x00", "0x99");
    EXPECT_EQ(r.out, " 01\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(b.device(0), before);

    b.clear_env();
    b.set_env("TARNWICK_FAKE_WRITE_FAIL", "1");
    r = write_byte(b, "0x0", "0x10", "0x00", "0x99");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(b.device(0), before);

    b.clear_env();
    b.set_env("TARNWICK_FAKE_WRITE_FAIL_AT", "225");
    EXPECT_EQ(write_byte(b, "0x0", "0xe1", "0x00", "0x41").status, 1);
    EXPECT_EQ(write_byte(b, "0x0", "0xe0", "0x00", "0x42").status, 0);
    std::vector<uint8_t> expected = before;
    expected[224] = 0x42;
    EXPECT_EQ(b.device(0), expected);

    b.clear_env();
    b.set_env("TARNWICK_FAKE_CORRUPT_AT", "311");
    EXPECT_EQ(write_byte(b, "0x0", "0x37", "0x01", "0xff").out, " 01\n");
    EXPECT_EQ(write_byte(b, "0x0", "0x36", "0x01", "0x10").status, 0);
    expected[311] = 0x00; // 0xff + 1, modulo 256
    expected[310] = 0x10;
    EXPECT_EQ(b.device(0), expected);
}

bench::ImageFields demo_fields() {
    bench::ImageFields f;
    f.board_manufacturer = "Example Corp";
    f.board_serial = "ABC123";
    f.product_manufacturer = "Example Corp";
    f.product_name = "Demo Server";
    f.board_file_id = "FILEID1"; // file IDs are never listed
    f.product_file_id = "FILEID2";
    f.mfg_date[0] = 0x00; // 2018-08-09 00:00 UTC
    f.mfg_date[1] = 0x68;
    f.mfg_date[2] = 0xB5;
    return f;
}

const std::string demo_listing = " Chassis Type          : Rack Mount Chassis\n"
                                 " Board Mfg Date        : Thu Aug  9 00:00:00 2018 UTC\n"
                                 " Board Mfg             : Example Corp\n"
                                 " Board Serial          : ABC123\n"
                                 " Product Manufacturer  : Example Corp\n"
                                 " Product Name          : Demo Server\n";

TEST(FakeIpmitool, FruPrintListsTheNonEmptyFields) {
    Bench b;
    b.set_device(0, bench::reference_image(demo_fields()));
    RunResult r = b.run_fake({"fru", "print", "0"});
    EXPECT_EQ(r.out, demo_listing);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);

    r = b.run_shell("ipmitool fru print 0 | grep -i 'Board Mfg Date' | awk -F ':' '{print $2}'");
    EXPECT_EQ(r.out, " Thu Aug  9 00\n");
    r = b.run_shell("ipmitool fru | grep 'Board Mfg'| sed -n 2p");
    EXPECT_EQ(r.out, " Board Mfg             : Example Corp\n");
}

TEST(FakeIpmitool, FruPrintEveryFieldFullLengthAndZeroDate) {
    bench::ImageFields f;
    f.chassis_part_number = "CPN-0123456789abcdefghij"; // 24 characters: no terminating zero
    f.chassis_serial = "CSN";
    f.chassis_custom = "custom";
    f.board_manufacturer = "BM";
    f.board_product = "BPNA";
    f.board_part_number = "BPNU";
    f.product_part_number = "PPN";
    f.product_version = "PV";
    f.product_serial = "PSN";
    f.product_asset_tag = "PAT";
    Bench b;
    b.set_device(2, bench::reference_image(f));
    RunResult r = b.run_fake({"fru", "print", "2"});
    EXPECT_EQ(r.out, " Chassis Type          : Rack Mount Chassis\n"
                     " Chassis Part Number   : CPN-0123456789abcdefghij\n"
                     " Chassis Serial        : CSN\n"
                     " Chassis Extra         : custom\n"
                     " Board Mfg Date        : Unspecified\n"
                     " Board Mfg             : BM\n"
                     " Board Product         : BPNA\n"
                     " Board Part Number     : BPNU\n"
                     " Product Part Number   : PPN\n"
                     " Product Version       : PV\n"
                     " Product Serial        : PSN\n"
                     " Product Asset Tag     : PAT\n");
    EXPECT_EQ(r.status, 0);
}

TEST(FakeIpmitool, FruPrintDecodesFromTheHeaderNotFromFixedOffsets) {
    // Only a board area, at offset 8, with short fields; checksums left wrong on purpose.
    std::vector<uint8_t> image(64, 0);
    const uint8_t bytes[] = {0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, // header
                             0x01, 0x02, 0x00, 0x01, 0x00, 0x00,             // board: 1 minute
                             0xC3, 'A',  'B',  'C',  0xC2, 'x',  'y',  0xC1};
    std::copy(std::begin(bytes), std::end(bytes), image.begin());
    Bench b;
    b.set_device(5, image);
    RunResult r = b.run_fake({"fru", "print", "5"});
    EXPECT_EQ(r.out, " Board Mfg Date        : Mon Jan  1 00:01:00 1996 UTC\n"
                     " Board Mfg             : ABC\n"
                     " Board Product         : xy\n");
    EXPECT_EQ(r.status, 0);
}

TEST(FakeIpmitool, BlankDeviceHasUnknownHeaderVersion) {
    Bench b;
    b.set_device(3, {});
    RunResult r = b.run_fake({"fru", "print", "3"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, " Unknown FRU header version 0x00\n");
    EXPECT_EQ(r.status, 1);
}

TEST(FakeIpmitool, FruListsDeviceZeroAndEveryDeviceFileInNumericOrder) {
    Bench b;
    b.set_device(0, bench::reference_image(demo_fields()));
    b.set_device(10, bench::reference_image(demo_fields()));
    b.set_device(1, bench::reference_image(demo_fields()));
    b.set_device(3, {});
    RunResult r = b.run_fake({"fru"});
    EXPECT_EQ(r.out, "FRU Device Description : Builtin FRU Device (ID 0)\n" + demo_listing + "\n" +
                         "FRU Device Description : FRU 1 (ID 1)\n" + demo_listing + "\n" +
                         "FRU Device Description : FRU 3 (ID 3)\n\n" +
                         "FRU Device Description : FRU 10 (ID 10)\n" + demo_listing + "\n");
    EXPECT_EQ(r.err, " Unknown FRU header version 0x00\n");
    EXPECT_EQ(r.status, 1);
}

} // namespace
