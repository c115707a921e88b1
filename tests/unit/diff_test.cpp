// "-diff" against the in-memory device: the line of each item kind; and reports that never show a
// byte the device did not give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <nlohmann/json.hpp>

#include "bench.h"
#include "device/fru_device.h"
#include "ops/diff.h"
#include "ops/displays.h"
#include "ops/json_report.h"
#include "ops/restore.h"
#include "support.h"

namespace {

class Diff : public tool_test {
  protected:
    void SetUp() override {
        tool_test::SetUp();
        setenv("TZ", "UTC", 1); // the date command reads the example's date in UTC
    }
};

// The example image as a device holds it, with `bytes` put at `offset`.
std::vector<uint8_t> example_with(uint32_t offset, const std::string& bytes) {
    std::vector<uint8_t> device = bench::example_image();
    device.resize(1280, 0);
    std::copy(bytes.begin(), bytes.end(), device.begin() + offset);
    return device;
}

} // namespace

TEST_F(Diff, OneLinePerItemThatWouldChangeShownAsItsKindReads) {
    std::string zeros = "00"; // the 71 bytes of the internal use data
    for (int i = 1; i < 71; ++i) {
        zeros += " 00";
    }
    // clang-format off
    const struct {
        std::vector<uint8_t> device;
        std::string config_line; // appended to the example configuration
        std::string out;
        int status;
    } rows[] = {
        {example_with(0, "\x01"), "", "FRU device 0 already holds this image.\n", 0},
        {example_with(0, "\x01"), "Board Serial Number String=\nBoard Serial Number String=BSN-0002\n",
         "Board Serial Number String (0xe1): \"BSN-2026-12-0000417\" -> \"BSN-0002\"\n"
         "Checksum (0x137): ae -> cf\n2 of 59 items differ.\n", 1},
        {example_with(341, std::string("A\"\\\xe9\x7f\x1fZ\0", 8)), "",
         "Product Name String (0x155): \"A\\x22\\x5c\\xe9\\x7f\\x1fZ\" -> \"Example Server 2U\"\n"
         "1 of 59 items differ.\n", 1},
        {example_with(187, std::string("\x00\x68\xb5", 3)), "",
         "Manufacturing Date/Time (0xbb): 2018-08-09 00:00 UTC -> 2026-12-07 08:30 UTC\n"
         "1 of 59 items differ.\n", 1},
        {example_with(313, "\x18"), "",
         "FRU device 0 does not hold this layout.\nArea Length (0x139): 18 -> 19\n"
         "1 of 59 items differ.\n", 1},
        {example_with(187, std::string(3, '\0')), "",
         "Manufacturing Date/Time (0xbb): unspecified -> 2026-12-07 08:30 UTC\n"
         "1 of 59 items differ.\n", 1},
        {example_with(9, "\x01\x02"), "Chassis Type=\n",
         "Internal Use Data (0x9): 01 02" + zeros.substr(5) + " -> " + zeros + "\n"
         "Chassis Type (0x52): 17 -> 00\nChecksum (0xb7): fa -> 11\n3 of 59 items differ.\n", 1},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.config_line + row.out);
        std::ofstream("fruconfig.ini", std::ios::binary)
            << bench::example_config() << row.config_line;
        device.bytes = row.device;
        const captured result = run_captured([] { std::exit(show_image_diff()); });
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(result.status, row.status);
    }
}

// In the default mode a read the device fails shows as 0 in a hex dump, as it always has; the
// reports, and the read-back of -restore, stop instead, naming the offset.
TEST_F(Diff, ReportsShowNoByteTheDeviceDidNotGive) {
    device.reads_fail = true;
    std::ofstream("fruconfig.ini", std::ios::binary) << bench::example_config();
    const std::vector<uint8_t> image = bench::example_image();
    std::ofstream("fru.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), 512);
    const std::string stopped = "Read FRU data failed at offset 0x0.\n";
    const struct {
        void (*report)();
        std::string out;
        int status;
    } rows[] = {
        {show_binary_format, bench::hex_dump(std::vector<uint8_t>(512, 0)), 0},
        {[] { show_image_diff(); }, stopped, 255},
        {show_json_format, stopped, 255},
        {[] { restore_fru_image("fru.bin"); },
         "Restoring FRU device 0 from \"fru.bin\".....\n" + stopped, 255},
    };
    for (const auto& row : rows) {
        const captured result = run_captured(row.report);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(result.status, row.status);
    }
}

// An audit tells a blank device and one of another layout from a programmed one, whatever the
// checksums say, in both modes.
TEST_F(Diff, JsonTellsBlankAndForeignDevices) {
    std::vector<uint8_t> zeros(512, 0x00);
    zeros.resize(1280, 0x5C); // only the first 512 bytes count
    std::vector<uint8_t> other = bench::other_layout_image();
    other.resize(1280, 0x00);
    const struct {
        std::vector<uint8_t> device;
        bool blank;
        bool layout_matches;
    } rows[] = {
        {zeros, true, false},
        {std::vector<uint8_t>(1280, 0xFF), true, false},
        {other, false, false},
        {example_with(225, "OTHER-SERIAL"), false, true},
        {example_with(5, "\x01"), false, false},   // a multirecord area in the header
        {example_with(313, "\x18"), false, false}, // the product area's length
    };
    for (const auto& row : rows) {
        for (const char* bulk : {"0", "1"}) {
            SCOPED_TRACE(testing::Message() << &row - rows << ", TARNWICK_BULK=" << bulk);
            device.bytes = row.device;
            const captured result = run_captured([bulk] {
                setenv("TARNWICK_BULK", bulk, 1);
                choose_fru_device();
                show_json_format();
            });
            const nlohmann::json report = nlohmann::json::parse(result.out);
            EXPECT_EQ(report["blank"], row.blank);
            EXPECT_EQ(report["layout_matches"], row.layout_matches);
        }
    }
}
