// -diff, -sjson and -restore through the built tool and the fake utility, in the default mode
// (the -sbin reads, the byte writes) and in bulk mode (one fru read, one fru write).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "bench.h"
#include "ops_test.h"

namespace {

std::vector<uint8_t> padded(std::vector<uint8_t> bytes, uint8_t fill) {
    bytes.resize(bench::device_size, fill);
    return bytes;
}

// The example image without a date (the board checksum made right again) and with a product name
// byte above 0x7f that leaves the product checksum wrong.
std::vector<uint8_t> report_image() {
    std::vector<uint8_t> image = bench::example_image();
    for (unsigned offset = 187; offset < 190; ++offset) {
        image[311] = static_cast<uint8_t>(image[311] + image[offset]);
        image[offset] = 0;
    }
    image[344] = 0xE9;
    return padded(image, 0x5C);
}

const char* const report_json = R"({"fru_id": 0, "header_checksum_ok": true,
  "chassis_checksum_ok": true, "board_checksum_ok": true, "product_checksum_ok": false,
  "blank": false, "layout_matches": true,
  "chassis_part_number": "CH-2U-EX27-01", "chassis_serial_number": "CSN2026120700017",
  "chassis_custom_information": "Rack 2U", "manufacturing_date": null,
  "board_manufacturer": "Example Systems", "board_product_name": "MB-E27DP",
  "board_serial_number": "BSN-2026-12-0000417", "board_part_number": "PN-MB-E27DP-01",
  "board_fru_file_id": "MB-FRU-V1.2", "product_manufacturer": "Example Systems",
  "product_name": "Exa\u00e9ple Server 2U", "product_part_number": "ES2U-E27-BASE",
  "product_version": "Rev A02", "product_serial_number": "PSN-2026-12-0000417",
  "asset_tag": "DC1-RACK07-U12", "product_fru_file_id": "PR-FRU-V1.2"})";

} // namespace

TEST(PlanReportUndo, EachWordInEachMode) {
    const std::vector<uint8_t> example = padded(bench::example_image(), 0x5C);
    const std::vector<uint8_t> report = report_image();
    const std::vector<uint8_t> other = padded(bench::other_layout_image(), 0x5C);
    // clang-format off
    const struct {
        std::vector<std::string> args;
        const std::vector<uint8_t>& before;
        std::string out; // "JSON": report_json; "BACKUP": bulk mode's backup line
        int status;
        const char* bulk;  // its "fru read" (r) and "fru write" (w) commands
        const char* bytes; // its runs of 512 raw reads (r) and writes (w), offsets 0 to 511
        const std::vector<uint8_t>& after;
    } cases[] = {
        {{"0", "-diff"}, example, "FRU device 0 already holds this image.\n", 0, "r", "r", example},
        {{"0", "-diff"}, report,
         "Manufacturing Date/Time (0xbb): unspecified -> 2026-12-07 08:30 UTC\n"
         "Checksum (0x137): 25 -> ae\n"
         "Product Name String (0x155): \"Exa\\xe9ple Server 2U\" -> \"Example Server 2U\"\n"
         "3 of 59 items differ.\n", 1, "r", "r", report},
        {{"0", "-sjson"}, report, "JSON", 0, "r", "r", report},
        {{"0", "-restore", "backup.bin"}, example,
         "BACKUPRestoring FRU device 0 from \"backup.bin\".....\nDone!\n", 0, "rwr", "wr", other},
        {{"0", "-restore", "short.bin"}, example,
         "Refusing \"short.bin\": smaller than 512 bytes; nothing written.\n", 255, "", "", example},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (const bool bulk : {false, true}) {
            SCOPED_TRACE(c.args.back() + (bulk ? ", bulk mode" : ", default mode"));
            bench::Bench b;
            b.set_device(0, c.before);
            b.write_file("fruconfig.ini", bench::example_config());
            const std::vector<uint8_t> backup = padded(bench::other_layout_image(), 0xA7);
            b.write_file("backup.bin", std::string(backup.begin(), backup.end()));
            b.write_file("short.bin", std::string(511, '\x01'));
            if (bulk) {
                b.set_env("TARNWICK_BULK", "1");
            }
            const bench::RunResult r = b.run(c.args);

            const std::string out = std::regex_replace(
                r.out, std::regex("Previous image saved to fru0-[0-9TZ]+\\.bin\\.\n"), "BACKUP");
            if (c.out == "JSON") {
                EXPECT_EQ(nlohmann::ordered_json::parse(out),
                          nlohmann::ordered_json::parse(report_json));
                EXPECT_NE(out.find("\"Exa\\u00e9ple Server 2U\""), std::string::npos) << out;
            } else {
                EXPECT_EQ(out, bulk ? c.out : std::regex_replace(c.out, std::regex("BACKUP"), ""));
            }
            EXPECT_EQ(r.status, c.status);
            EXPECT_EQ(b.device(0), c.after);
            std::vector<std::string> shapes;
            std::vector<ops_test::raw_command> expected;
            for (const char* kind = bulk ? c.bulk : c.bytes; *kind != '\0'; ++kind) {
                shapes.push_back(std::string("ipmitool fru ") + (*kind == 'r' ? "read" : "write") +
                                 " 0 FILE");
                ops_test::add_range(expected, *kind == 'w', 0, 511);
            }
            std::vector<std::string> other_lines;
            const std::vector<ops_test::raw_command> raw =
                ops_test::raw_commands(r.commands, &other_lines);
            for (std::string& line : other_lines) {
                line =
                    std::regex_replace(line, std::regex("/[^ ]*/tarnwick-[A-Za-z0-9]{6}"), "FILE");
            }
            EXPECT_EQ(raw, bulk ? std::vector<ops_test::raw_command>{} : expected);
            EXPECT_EQ(other_lines, bulk ? shapes : std::vector<std::string>{});
        }
    }
}
