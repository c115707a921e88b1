// "-w": the full initialisation from fruconfig.ini, through the built tool and the fake utility.
#include <gtest/gtest.h>

#include "bench.h"
#include "ops_test.h"

using bench::Bench;
using bench::example_config;
using bench::example_image;
using bench::RunResult;
using namespace ops_test;

namespace {

const std::string progress = "Writing fru data.....\nWriting checksum.....\nDone!\n";

} // namespace

TEST(Initialize, ExampleConfigurationGivesTheReferenceImageIn944Commands) {
    Bench bench;
    bench.write_file("fruconfig.ini", example_config());
    const RunResult result = bench.run({"0", "-w"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, progress);
    EXPECT_EQ(result.err, "");

    const std::vector<uint8_t> device = bench.device(0);
    EXPECT_EQ(first_512(device), example_image());
    EXPECT_EQ(std::vector<uint8_t>(device.begin() + 512, device.end()),
              std::vector<uint8_t>(bench::device_size - 512, 0));

    // 512 writes in offset order, then the three checksum write passes.
    std::vector<raw_command> expected;
    add_range(expected, true, 0, 511);
    add_range(expected, false, 80, 182);
    add_range(expected, true, 183, 183);
    add_range(expected, false, 184, 310);
    add_range(expected, true, 311, 311);
    add_range(expected, false, 312, 510);
    add_range(expected, true, 511, 511);
    std::vector<std::string> other;
    EXPECT_EQ(raw_commands(result.commands, &other), expected);
    EXPECT_EQ(other, std::vector<std::string>{});
    EXPECT_EQ(result.commands.size(), 944u);
    EXPECT_EQ(bench.files_left(), std::vector<std::string>{"fruconfig.ini"});
}

// What other configurations make of the image: unit tests Initialize.SectionLinesOnlyGiveThe
// Defaults and Initialize.ValueRulesOfTheConfigurationReachTheDevice.

TEST(Initialize, RefusedOrMissingConfigurationWritesNothing) {
    const struct {
        const char* what;
        const char* config; // nullptr: no file
        const char* message;
    } cases[] = {
        {"no file", nullptr, "Can not open ini file \"fruconfig.ini\".\n"},
        {"two spaces", "Board Serial Number String=OK\nProduct Name String=AB  CD\n",
         "\"Product Name String\" has a incorrect value,two or more 'space' found,please check "
         "it.\n"},
        // A key without "=" runs on over its line ends: the message shows its first 35 characters.
        {"long key", "Board Serial Number String\nAsset Tag String=AB  CD\n",
         "\"Board Serial Number String\nAsset Ta\" has a incorrect value,two or more 'space' "
         "found,please check it.\n"},
        {"unreadable date", "Manufacturing Date/Time=someday\n",
         "Can not convert the manufacturing date \"someday\".\n"},
        {"header byte", "PAD=1\n",
         "Refusing \"fruconfig.ini\": the common header bytes add up to 0x31, not 0; nothing "
         "written.\n"},
        {"header checksum cleared", "Checksum=\n",
         "Refusing \"fruconfig.ini\": the common header bytes add up to 0x4a, not 0; nothing "
         "written.\n"},
        {"chassis offset cleared", "Chassis Info=\n",
         "Refusing \"fruconfig.ini\": the common header bytes add up to 0xf6, not 0; nothing "
         "written.\n"},
        // The header still adds up: the two bytes replace the chassis offset's 0x0a.
        {"chassis offset cleared, header balanced",
         "Chassis Info=\nPAD=\x85\nMultiRecord area=\x85\n",
         "Refusing \"fruconfig.ini\": the chassis area does not start at a \"Version\" item "
         "(offset 0); nothing written.\n"},
        {"chassis length cleared", "Area length=\n",
         "Refusing \"fruconfig.ini\": the chassis area of 0 bytes does not end at a \"Checksum\" "
         "item; nothing written.\n"},
        {"board length cleared", "Area Length=\n",
         "Refusing \"fruconfig.ini\": the board area of 0 bytes does not end at a \"Checksum\" "
         "item; nothing written.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        if (c.config != nullptr) {
            bench.write_file("fruconfig.ini", c.config);
        }
        const RunResult result = bench.run({"0", "-w"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
        EXPECT_EQ(result.commands, std::vector<std::string>{});
        EXPECT_FALSE(bench.has_device(0));
    }
}

TEST(Initialize, AFailedDeviceCommandStopsTheInitialisation) {
    const struct {
        const char* fault;
        const char* value;
        std::string out;
        std::size_t commands;
    } cases[] = {
        {"TARNWICK_FAKE_WRITE_FAIL", "1",
         "Writing fru data.....\nWrite FRU data failed at offset 0x0.\n", 1},
        {"TARNWICK_FAKE_WRITE_FAIL_AT", "300",
         "Writing fru data.....\nWrite FRU data failed at offset 0x12c.\n", 301},
        {"TARNWICK_FAKE_READ_FAIL", "1",
         "Writing fru data.....\nWriting checksum.....\nRead FRU data failed at offset 0x50.\n",
         513},
        // Each byte a checksum pass reads is compared with the byte written there.
        {"TARNWICK_FAKE_WRITE_IGNORE", "1",
         "Writing fru data.....\nWriting checksum.....\nVerify failed at offset 0x50: expected 01, "
         "read 00.\n",
         513},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Bench bench;
        bench.write_file("fruconfig.ini", "[Board]\n");
        bench.set_env(c.fault, c.value);
        const RunResult result = bench.run({"0", "-w"});
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.commands.size(), c.commands);
    }
}
