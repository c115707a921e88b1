#include <gtest/gtest.h>

#include <cstdlib>

#include "bench.h"
#include "common/fruid.h"
#include "ops/displays.h"
#include "support.h"

class HexDump : public tool_test {};

// "4294967296" is clamped to the largest ID instead of wrapping to device 0: the commands carry
// 0x7fffffff, the utility refuses it, and the dump stops at its first read.
TEST_F(HexDump, ClampedDeviceIdReadsNoRealDevice) {
    std::fill(device.bytes.begin(), device.bytes.end(), 0x5A);
    device.reads_fail = true; // as the utility refuses an ID above 255
    FRUID = parse_fruid("4294967296");
    // The child reports the commands it ran as it ends.
    const captured result = run_captured([] {
        std::atexit([] {
            const std::vector<std::string>& commands = active_device->commands;
            std::printf("%zu\n%s\n", commands.size(), commands.front().c_str());
        });
        show_binary_format();
    });
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out,
              "Read FRU data failed at offset 0x0.\n2\n"
              "ipmitool raw 0x0a 0x11 0x7fffffff 0x0 0x00 0x01|awk '{printf $2}' >tmp\n");
}
