// "-w" against the in-memory device: what the configuration and the date make of the image. The
// tests through the built tool keep the example configuration's run, its 944 commands and output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "bench.h"
#include "common/fruid.h"
#include "ops/initialize.h"
#include "support.h"

namespace {

class Initialize : public tool_test {
  protected:
    void SetUp() override {
        tool_test::SetUp();
        // The date command reads dates without a zone in the zone it inherits.
        const char* zone = std::getenv("TZ");
        saved_zone_ = zone != nullptr ? zone : "";
        had_zone_ = zone != nullptr;
        setenv("TZ", "UTC", 1);
    }
    void TearDown() override {
        if (had_zone_) {
            setenv("TZ", saved_zone_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tool_test::TearDown();
    }
    static void write_config(const std::string& text) {
        std::ofstream("fruconfig.ini", std::ios::binary) << text;
    }
    std::vector<uint8_t> image() const {
        return {device.bytes.begin(), device.bytes.begin() + 512};
    }

  private:
    std::string saved_zone_;
    bool had_zone_ = false;
};

const std::string progress = "Writing fru data.....\nWriting checksum.....\nDone!\n";

// Minutes since 1996 of a UTC calendar time, least significant byte first.
void set_date(bench::ImageFields& fields, int year, int month, int day) {
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    const long long minutes = static_cast<long long>(timegm(&calendar)) / 60 - 13674240;
    for (int i = 0; i < 3; ++i) {
        fields.mfg_date[i] = static_cast<uint8_t>((minutes >> (8 * i)) & 0xFF);
    }
}

} // namespace

TEST_F(Initialize, SectionLinesOnlyGiveTheDefaults) {
    std::fill(device.bytes.begin(), device.bytes.end(), 0xEE);
    write_config("[Chassis]\n[Board]\n  [Product]\n\n");
    FRUID = 6;
    EXPECT_EQ(capture_stdout([] { initialize_fru(); }), progress);

    // An empty date is today's midnight (TZ=UTC).
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    bench::ImageFields fields;
    set_date(fields, today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    EXPECT_EQ(image(), bench::reference_image(fields));
    EXPECT_EQ(device.bytes[512], 0xEE) << "bytes past the image are left alone";
    ASSERT_GE(device.commands.size(), 3u);
    EXPECT_EQ(device.commands[2], "ipmitool raw 0x0a 0x12 0x6 0x0 0x00 0x1 >/dev/null")
        << "after the date command and the removal of its file";
}

TEST_F(Initialize, ValueRulesOfTheConfigurationReachTheDevice) {
    write_config("[Board]\r\n"
                 "Board Part Number String=\"AB12\"\r\n"
                 "Board Serial Number String= \"AB12\"\r\n"
                 "Board Manufacturer String=AB CD \r\n"
                 "Board Product Name String=AB   CD\r\n"
                 "Manufacturing Date/Time=2018-08-09 00:00 UTC\r\n"
                 "  Manufacturer Name String=  AB12\n"
                 "Product Name String=\tAB12\n"
                 "Part/Model Number String=\"\"\n"
                 "Product Version String=AB CD  \n"
                 "Asset Tag String=AB\n"
                 "Asset Tag String=CD\n"
                 "Product Serial Number String =AB12\n"
                 "Chassis Part Number String=0123456789012345678901234567890123456789\n"
                 "Version=7\n"
                 "Product FRU File ID String=last line without a line end");
    EXPECT_EQ(capture_stdout([] { initialize_fru(); }), progress);
    bench::ImageFields fields;
    fields.board_part_number = "AB12";
    fields.board_serial = "AB12";
    fields.board_manufacturer = "AB CD ";
    fields.board_product = "AB";
    fields.mfg_date[1] = 0x68;
    fields.mfg_date[2] = 0xB5;
    fields.product_manufacturer = "AB12";
    fields.product_name = "\tAB12";
    fields.product_part_number = std::string(1, '"');
    fields.product_version = "AB CD";
    fields.product_asset_tag = "ABCD";
    fields.chassis_part_number = "012345678901234567890123"; // 35 kept, 24 fit the field
    fields.product_file_id = "last line withou";
    EXPECT_EQ(image(), bench::reference_image(fields));
}
