// The hex dump ("-sbin") through the built tool: one read command per byte of the 512-byte image,
// rows of 16 bytes.
#include "tool_test.h"

#include <cstdio>

namespace {

using bench::Bench;
using bench::RunResult;

constexpr size_t image_size = 512;

// The read commands of a full dump of device `id_hex`, offsets 0 to 511 in order.
std::vector<std::string> dump_reads(const std::string& id_hex) {
    std::vector<std::string> commands;
    char buf[96];
    for (unsigned offset = 0; offset < image_size; ++offset) {
        std::snprintf(buf, sizeof buf, "ipmitool raw 0x0a 0x11 %s 0x%x 0x%02x 0x01", id_hex.c_str(),
                      offset & 0xFF, offset >> 8);
        commands.push_back(buf);
    }
    return commands;
}

// A device whose first 512 bytes take every value, with a row of awkward characters at 0x10
// and bytes past 511 that must never show.
std::vector<uint8_t> known_bytes() {
    std::vector<uint8_t> bytes(bench::device_size, 0xEE);
    for (size_t i = 0; i < image_size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    const uint8_t row[16] = {0x20, 0x21, 0x7E, 0x7F, 0x00, 0xFF, 0x41, 0x7A,
                             0x30, 0x2E, 0x80, 0xA0, 0x09, 0x0A, 0x22, 0x5C};
    std::copy(std::begin(row), std::end(row), bytes.begin() + 0x10);
    return bytes;
}

TEST(HexDump, ShowsTheDeviceBytesInRowsOf16) {
    Bench b;
    const std::vector<uint8_t> device = known_bytes();
    b.set_device(0, device);
    b.set_device(1, bench::reference_image()); // another device, never read
    RunResult r = b.run({"0", "-sbin"});

    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, bench::hex_dump(bench::first_512(device)));
    std::vector<std::string> rows = bench::split_lines(r.out);
    ASSERT_EQ(rows.size(), 32u);
    EXPECT_EQ(rows[1], "0010: 2021 7e7f 00ff 417a 302e 80a0 090a 225c   .!~...Az0.....\"\\");
    EXPECT_EQ(rows[15].substr(0, 6), "00f0: ");
    EXPECT_EQ(rows[16].substr(0, 6), "0100: ");
    EXPECT_EQ(rows[31].substr(0, 6), "01f0: ");
    EXPECT_EQ(r.commands, dump_reads("0x0"));
    EXPECT_EQ(b.device(0), device); // a display only reads
    EXPECT_TRUE(b.files_left().empty());
}

TEST(HexDump, OtherDeviceAndAStaleTmpFile) {
    bench::ImageFields f;
    f.board_serial = "ABC123";
    f.product_name = "Demo Server";
    const std::vector<uint8_t> image = bench::reference_image(f);
    Bench b;
    b.set_device(0, known_bytes());
    b.set_device(6, image);
    b.write_file("tmp", "zz stale"); // a regular file of that name is simply overwritten
    RunResult r = b.run({"6", "-sbin"});

    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, bench::hex_dump(image));
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
              tool_test::golden("sbin_default_first_row.txt"));
    EXPECT_EQ(r.commands, dump_reads("0x6"));
    EXPECT_TRUE(b.files_left().empty());
}

// A read that fails is never shown as data: what was read completely shows, then the message,
// status 255. The /BMT read fails by the utility's own status, not its filters' (-stxt: test
// TextDisplay.UtilityFailureIsPassedOnAndNotTheToolsOwn; an item read: ItemRead).
TEST(FailedReads, StopWithTheirMessage) {
    const std::vector<uint8_t> device = known_bytes();
    const std::string complaint = "Unable to send RAW command (channel=0x0 netfn=0xa lun=0x0 "
                                  "cmd=0x11 rsp=0xff): Unspecified error\n";
    const struct {
        std::vector<std::string> args;
        std::pair<const char*, const char*> fault;
        std::string out;
        std::string err;
        size_t commands;
    } cases[] = {
        {{"0", "-sbin"},
         {"TARNWICK_FAKE_READ_FAIL", "1"},
         "Read FRU data failed at offset 0x0.\n",
         complaint,
         1},
        // A 256-byte device: its 16 rows, then the first offset it does not have.
        {{"0", "-sbin"},
         {"TARNWICK_FAKE_SIZE", "256"},
         bench::hex_dump(std::vector<uint8_t>(device.begin(), device.begin() + 256)) +
             "Read FRU data failed at offset 0x100.\n",
         complaint,
         257},
        {{"0", "/BMT"}, {"TARNWICK_FAKE_READ_FAIL", "1"}, "Can not read FRU device 0.\n", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tool_test::describe(c.args) + " " + c.fault.first);
        Bench b;
        b.set_device(0, device);
        b.set_env(c.fault.first, c.fault.second);
        const RunResult r = b.run(c.args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.commands.size(), c.commands);
        EXPECT_TRUE(b.files_left().empty());
    }
}

// Device IDs the utility cannot take: the commands carry the ID as a 32-bit hexadecimal number,
// the utility refuses the first, and no byte of a real device shows. (An ID beyond the 32-bit
// range, which wrapped would read device 0: unit test HexDump.ClampedDeviceIdReadsNoRealDevice.)
TEST(HexDump, DeviceIdsOutsideTheUtilityRange) {
    const std::pair<std::string, std::string> cases[] = {
        {"-1", "0xffffffff"},
    };
    for (const auto& [text, id_hex] : cases) {
        SCOPED_TRACE(text);
        Bench b;
        b.set_device(0, known_bytes());
        RunResult r = b.run({text, "-sbin"});
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, "Read FRU data failed at offset 0x0.\n");
        EXPECT_EQ(r.commands, std::vector<std::string>{dump_reads(id_hex)[0]});
        EXPECT_EQ(r.err, "Given data \"" + id_hex + "\" is invalid.\n");
        EXPECT_TRUE(b.files_left().empty());
    }
}

} // namespace
