#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "common/fruid.h"
#include "device/byte_access.h"
#include "process/write_guard.h"
#include "support.h"

class ByteAccess : public tool_test {};

TEST_F(ByteAccess, CommandLinesFollowTheOffsetPages) {
    const struct {
        int32_t fruid;
        uint32_t offset;
        uint8_t value;
        const char* write_line;
        const char* read_line;
    } cases[] = {
        {0, 0x000, 0x00, "ipmitool raw 0x0a 0x12 0x0 0x0 0x00 0x0 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x0 0x0 0x00 0x01|awk '{printf $2}' >tmp"},
        {0, 0x0E1, 0x41, "ipmitool raw 0x0a 0x12 0x0 0xe1 0x00 0x41 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x0 0xe1 0x00 0x01|awk '{printf $2}' >tmp"},
        {0, 0x0FF, 0xB6, "ipmitool raw 0x0a 0x12 0x0 0xff 0x00 0xb6 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x0 0xff 0x00 0x01|awk '{printf $2}' >tmp"},
        {0, 0x100, 0xFF, "ipmitool raw 0x0a 0x12 0x0 0x0 0x01 0xff >/dev/null",
         "ipmitool raw 0x0a 0x11 0x0 0x0 0x01 0x01|awk '{printf $2}' >tmp"},
        {0, 0x137, 0x5A, "ipmitool raw 0x0a 0x12 0x0 0x37 0x01 0x5a >/dev/null",
         "ipmitool raw 0x0a 0x11 0x0 0x37 0x01 0x01|awk '{printf $2}' >tmp"},
        {6, 0x2FF, 0x01, "ipmitool raw 0x0a 0x12 0x6 0xff 0x02 0x1 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x6 0xff 0x02 0x01|awk '{printf $2}' >tmp"},
        {7, 0x300, 0x10, "ipmitool raw 0x0a 0x12 0x7 0x0 0x03 0x10 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x7 0x0 0x03 0x01|awk '{printf $2}' >tmp"},
        // The last page carries the device ID with an extra 0.
        {6, 0x400, 0x02, "ipmitool raw 0x0a 0x12 0x06 0x0 0x04 0x2 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x06 0x0 0x04 0x01|awk '{printf $2}' >tmp"},
        {0, 0x4FF, 0x7E, "ipmitool raw 0x0a 0x12 0x00 0xff 0x04 0x7e >/dev/null",
         "ipmitool raw 0x0a 0x11 0x00 0xff 0x04 0x01|awk '{printf $2}' >tmp"},
        {-1, 0x0E1, 0x41, "ipmitool raw 0x0a 0x12 0xffffffff 0xe1 0x00 0x41 >/dev/null",
         "ipmitool raw 0x0a 0x11 0xffffffff 0xe1 0x00 0x01|awk '{printf $2}' >tmp"},
        {INT32_MAX, 0x4FF, 0x00, "ipmitool raw 0x0a 0x12 0x07fffffff 0xff 0x04 0x0 >/dev/null",
         "ipmitool raw 0x0a 0x11 0x07fffffff 0xff 0x04 0x01|awk '{printf $2}' >tmp"},
    };
    for (const auto& c : cases) {
        FRUID = c.fruid;
        device.commands.clear();
        write_value(c.offset, c.value);
        EXPECT_EQ(device.bytes[c.offset], c.value);
        EXPECT_EQ(read_value(c.offset), c.value);
        const std::vector<std::string> expected = {c.write_line, c.read_line, "rm -rf tmp"};
        EXPECT_EQ(device.commands, expected) << "offset " << c.offset;
        EXPECT_FALSE(std::filesystem::exists("tmp"));
    }
}

TEST_F(ByteAccess, OffsetsPastTheLastPageEndTheProcessBeforeAnyCommand) {
    for (const uint32_t offset : {0x500u, 0x501u, 0xFFFFFFFFu}) {
        for (const bool write : {false, true}) {
            const captured result = run_captured([&] {
                if (write) {
                    write_value(offset, 1);
                } else {
                    read_value(offset);
                }
                std::printf("went on\n");
            });
            EXPECT_EQ(result.status, 255);
            EXPECT_EQ(result.out, "offset out of range(max offset is 0x4ff)\n");
        }
    }
    EXPECT_TRUE(device.commands.empty());
}

TEST_F(ByteAccess, ReturnDataTakesLeadingHexDigitsOfTheFirstTwoCharacters) {
    const struct {
        std::string content;
        uint8_t byte;
        bool has_digit;
    } cases[] = {
        {"5a", 0x5A, true},   {"FF", 0xFF, true},  {"7", 0x07, true},   {"00", 0x00, true},
        {"b6\n", 0xB6, true}, {"123", 0x12, true}, {"7z", 0x07, true},  {"", 0x00, false},
        {"zz", 0x00, false},  {"\n", 0x00, false}, {"g1", 0x00, false},
    };
    for (const auto& c : cases) {
        std::FILE* file = std::fopen("tmp", "w");
        std::fwrite(c.content.data(), 1, c.content.size(), file);
        std::fclose(file);
        bool has_digit = !c.has_digit;
        EXPECT_EQ(get_return_data(&has_digit), c.byte) << "\"" << c.content << "\"";
        EXPECT_EQ(has_digit, c.has_digit) << "\"" << c.content << "\"";
        EXPECT_FALSE(std::filesystem::exists("tmp"));
    }
}

// Outside a write a failed write command goes unnoticed; a read that gives no byte never does.
TEST_F(ByteAccess, FailedCommandsOutsideWrites) {
    device.reads_fail = true;
    device.write_status = 1;
    const captured result = run_captured([] {
        write_value(5, 9);
        std::printf("written\n");
        std::printf("read %d\n", read_value(5));
    });
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "written\nRead FRU data failed at offset 0x5.\n");
}

// A read whose result could not be kept (a full disk: awk's status 2) is no zero byte, in any run.
TEST_F(ByteAccess, AReadWhoseResultCouldNotBeKeptEndsTheProcess) {
    device.read_status = 2;
    const captured result = run_captured([] { std::printf("read %d\n", read_value(5)); });
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "Read FRU data failed at offset 0x5.\n");
}

TEST_F(ByteAccess, FailedCommandsStopAWriteAtTheirOffset) {
    const struct {
        bool reads_fail;
        int read_status;
        int write_status;
        std::function<void()> access;
        const char* message;
    } cases[] = {
        {false, 0, 1, [] { write_value(0x137, 9); }, "Write FRU data failed at offset 0x137.\n"},
        {false, 0, -1, [] { write_value(0, 9); }, "Write FRU data failed at offset 0x0.\n"},
        {true, 0, 0, [] { read_value(0xe1); }, "Read FRU data failed at offset 0xe1.\n"},
        // A byte in the file does not count when the command failed (its redirection, say).
        {false, 2, 0, [] { read_value(0xe1); }, "Read FRU data failed at offset 0xe1.\n"},
    };
    for (const auto& c : cases) {
        device.reads_fail = c.reads_fail;
        device.read_status = c.read_status;
        device.write_status = c.write_status;
        const captured result = run_captured([&] {
            const device_write_guard writing;
            c.access();
            std::printf("went on\n");
        });
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
    }
}

TEST_F(ByteAccess, ATmpThatIsNoRegularFileIsNeverUsed) {
    std::filesystem::create_directory("tmp");
    std::FILE* keep = std::fopen("tmp/keep", "w");
    std::fclose(keep);
    const captured result = run_captured([] { read_value(0); });
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "Temporary file \"tmp\" exists and is not a regular file; remove it and "
                          "try again.\n");
    EXPECT_TRUE(std::filesystem::exists("tmp/keep"));
    EXPECT_TRUE(device.commands.empty());
}
