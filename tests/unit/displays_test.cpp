#include <gtest/gtest.h>

#include "bench.h"
#include "common/fruid.h"
#include "ops/displays.h"
#include "support.h"

class HexDump : public tool_test {};

// "4294967296" is clamped to the largest ID instead of wrapping to device 0: the commands carry
// 0x7fffffff (0x07fffffff in the last page's form), the utility refuses it, the rows show zeros.
TEST_F(HexDump, ClampedDeviceIdReadsNoRealDevice) {
    std::fill(device.bytes.begin(), device.bytes.end(), 0x5A);
    device.reads_fail = true; // as the utility refuses an ID above 255
    FRUID = parse_fruid("4294967296");
    // The child reports the commands it ran after the dump.
    const captured result = run_captured([] {
        show_binary_format();
        const std::vector<std::string>& commands = active_device->commands;
        std::printf("%zu\n%s\n%s\n", commands.size(), commands.front().c_str(),
                    commands[2 * 511].c_str());
    });
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              bench::hex_dump(std::vector<uint8_t>(512, 0)) + "1024\n" +
                  "ipmitool raw 0x0a 0x11 0x7fffffff 0x0 0x00 0x01|awk '{printf $2}' >tmp\n" +
                  "ipmitool raw 0x0a 0x11 0x7fffffff 0xff 0x01 0x01|awk '{printf $2}' >tmp\n");
}
