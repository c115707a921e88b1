#include <gtest/gtest.h>

#include <numeric>

#include "device/checksum.h"
#include "support.h"

class Checksum : public tool_test {
  protected:
    // Fills the area [first, checksum) with bytes adding up to `sum`.
    void fill_area(uint32_t first, uint32_t checksum, uint8_t sum) {
        for (uint32_t offset = first; offset < checksum; ++offset) {
            device.bytes[offset] = static_cast<uint8_t>(offset * 7);
        }
        const uint8_t now = area_sum(first, checksum);
        device.bytes[first] = static_cast<uint8_t>(device.bytes[first] + sum - now);
    }
    uint8_t area_sum(uint32_t first, uint32_t end) {
        return static_cast<uint8_t>(
            std::accumulate(device.bytes.begin() + first, device.bytes.begin() + end, 0u));
    }
};

TEST_F(Checksum, WritePassStoresTheTwosComplementOfTheAreaSum) {
    const struct {
        const char* area;
        uint32_t first, checksum;
        uint8_t sum, expected;
        std::size_t reads;
    } cases[] = {
        {"chassis", 80, 183, 0x4A, 0xB6, 103},
        {"board", 184, 311, 0x00, 0x00, 127},
        {"product", 312, 511, 0x01, 0xFF, 199},
    };
    for (const auto& c : cases) {
        fill_area(c.first, c.checksum, c.sum);
        device.commands.clear();
        write_verify_checksum(c.area, mark_write);
        EXPECT_EQ(device.bytes[c.checksum], c.expected) << c.area;
        // One read command and one removal per byte, then the one write.
        ASSERT_EQ(device.commands.size(), 2 * c.reads + 1) << c.area;
        EXPECT_EQ(device.commands.back().rfind("ipmitool raw 0x0a 0x12 ", 0), 0u);
        EXPECT_EQ(area_sum(c.first, c.checksum + 1), 0) << c.area;

        const captured verify = run_captured([&] { write_verify_checksum(c.area, mark_verify); });
        EXPECT_EQ(verify.status, 0) << c.area;
        EXPECT_EQ(verify.out, "") << c.area;
    }
}

TEST_F(Checksum, VerifyPassNamesTheAreaAndBothValues) {
    const struct {
        const char* area;
        uint32_t first, checksum;
        const char* message;
    } cases[] = {
        {"chassis", 80, 183, "Verify chassis area checksum fail,expect:12,actual:13\n"},
        {"board", 184, 311, "Verify board area checksum fail,expect:12,actual:13\n"},
        {"product", 312, 511, "Verify product area checksum fail,expect:12,actual:13\n"},
    };
    for (const auto& c : cases) {
        fill_area(c.first, c.checksum, 0xEE); // expected checksum 0x12
        device.bytes[c.checksum] = 0x13;
        const captured result = run_captured([&] { write_verify_checksum(c.area, mark_verify); });
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
    }
}

TEST_F(Checksum, OtherAreaNamesDoNothing) {
    for (const char* name : {"internal", "Board", "", "common"}) {
        write_verify_checksum(name, mark_write);
        write_verify_checksum(name, mark_verify);
    }
    EXPECT_TRUE(device.commands.empty());
}
