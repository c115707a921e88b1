// -diff, -sjson and -restore through the built tool and the fake utility, in the default mode
// (the -sbin reads and the byte writes) and in bulk mode (one fru read, one fru write).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "bench.h"
#include "ops_test.h"

namespace {

using bench::Bench;
using bench::RunResult;
using ops_test::raw_command;

std::vector<uint8_t> padded(std::vector<uint8_t> bytes, uint8_t fill) {
    bytes.resize(bench::device_size, fill);
    return bytes;
}

// The example image with no date (the board checksum made right again) and a product name byte
// above 0x7f that leaves the product checksum wrong.
std::vector<uint8_t> report_image() {
    std::vector<uint8_t> image = bench::example_image();
    for (unsigned offset = 187; offset < 190; ++offset) {
        image[311] = static_cast<uint8_t>(image[311] + image[offset]);
        image[offset] = 0;
    }
    image[344] = 0xE9;
    return image;
}

nlohmann::ordered_json report_json() {
    return {{"fru_id", 0},
            {"header_checksum_ok", true},
            {"chassis_checksum_ok", true},
            {"board_checksum_ok", true},
            {"product_checksum_ok", false},
            {"chassis_part_number", "CH-2U-R740-01"},
            {"chassis_serial_number", "CSN2026120700017"},
            {"chassis_custom_information", "Rack 2U"},
            {"manufacturing_date", nullptr},
            {"board_manufacturer", "Example Systems"},
            {"board_product_name", "MB-X12DP"},
            {"board_serial_number", "BSN-2026-12-0000417"},
            {"board_part_number", "PN-MB-X12DP-01"},
            {"board_fru_file_id", "MB-FRU-V1.2"},
            {"product_manufacturer", "Example Systems"},
            {"product_name", "Exa\u00e9ple Server 2U"},
            {"product_part_number", "ES2U-740-BASE"},
            {"product_version", "Rev A02"},
            {"product_serial_number", "PSN-2026-12-0000417"},
            {"asset_tag", "DC1-RACK07-U12"},
            {"product_fru_file_id", "PR-FRU-V1.2"}};
}

} // namespace

TEST(PlanReportUndo, EachWordInEachMode) {
    const std::vector<uint8_t> example = padded(bench::example_image(), 0x5C);
    const std::vector<uint8_t> other = bench::other_layout_image();
    const std::string read = "ipmitool fru read 0 FILE";
    const std::string write = "ipmitool fru write 0 FILE";
    const std::string restoring = "Restoring FRU device 0 from \"backup.bin\".....\n";
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::vector<uint8_t> before;
        std::string out; // "JSON": report_json(); "BACKUP" stands for bulk mode's backup line
        int status;
        std::vector<std::string> bulk_commands;
        int byte_reads; // the default mode's -sbin reads, after its writes of offsets 0 to 511
        bool byte_writes;
        std::vector<uint8_t> after;
    } cases[] = {
        {"-diff, same",
         {"0", "-diff"},
         example,
         "FRU device 0 already holds this image.\n",
         0,
         {read},
         512,
         false,
         example},
        {"-diff, differs",
         {"0", "-diff"},
         padded(report_image(), 0x5C),
         "Manufacturing Date/Time (0xbb): unspecified -> 2026-12-07 08:30 UTC\n"
         "Checksum (0x137): 0b -> 94\n"
         "Product Name String (0x155): \"Exa\\xe9ple Server 2U\" -> \"Example Server 2U\"\n"
         "3 of 59 items differ.\n",
         1,
         {read},
         512,
         false,
         padded(report_image(), 0x5C)},
        {"-sjson",
         {"0", "-sjson"},
         padded(report_image(), 0),
         "JSON",
         0,
         {read},
         512,
         false,
         padded(report_image(), 0)},
        {"-restore of another layout",
         {"0", "-restore", "backup.bin"},
         example,
         "BACKUP" + restoring + "Done!\n",
         0,
         {read, write, read},
         512,
         true,
         padded(other, 0x5C)},
        {"-restore of a file too short",
         {"0", "-restore", "short.bin"},
         example,
         "Refusing \"short.bin\": smaller than 512 bytes; nothing written.\n",
         255,
         {},
         0,
         false,
         example},
    };
    for (const auto& c : cases) {
        for (const bool bulk : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (bulk ? ", bulk mode" : ", default mode"));
            Bench b;
            b.set_device(0, c.before);
            b.write_file("fruconfig.ini", bench::example_config());
            const std::vector<uint8_t> backup = padded(other, 0xA7);
            b.write_file("backup.bin", std::string(backup.begin(), backup.end()));
            b.write_file("short.bin", std::string(511, '\x01'));
            if (bulk) {
                b.set_env("TARNWICK_BULK", "1");
            }
            const RunResult r = b.run(c.args);

            std::string out = std::regex_replace(
                r.out, std::regex("Previous image saved to fru0-[0-9TZ]+\\.bin\\.\n"),
                bulk ? "BACKUP" : "UNEXPECTED BACKUP");
            if (c.out == "JSON") {
                EXPECT_EQ(nlohmann::ordered_json::parse(out), report_json());
                EXPECT_NE(out.find("\"Exa\\u00e9ple Server 2U\""), std::string::npos) << out;
            } else {
                EXPECT_EQ(out, bulk ? c.out : std::regex_replace(c.out, std::regex("BACKUP"), ""));
            }
            EXPECT_EQ(r.status, c.status);
            EXPECT_EQ(b.device(0), c.after);
            if (bulk) {
                std::vector<std::string> shapes;
                for (const std::string& line : r.commands) {
                    shapes.push_back(std::regex_replace(
                        line, std::regex("/[^ ]*/tarnwick-[A-Za-z0-9]{6}"), "FILE"));
                }
                EXPECT_EQ(shapes, c.bulk_commands);
            } else {
                std::vector<raw_command> expected;
                if (c.byte_writes) {
                    ops_test::add_range(expected, true, 0, 511);
                }
                if (c.byte_reads > 0) {
                    ops_test::add_range(expected, false, 0, c.byte_reads - 1);
                }
                std::vector<std::string> other_commands;
                EXPECT_EQ(ops_test::raw_commands(r.commands, &other_commands), expected);
                EXPECT_EQ(other_commands, std::vector<std::string>{});
            }
        }
    }
}
