// Bulk mode against the in-memory device: every write leaves exactly the bytes the byte mode
// leaves, for -w with several configurations and for every item word.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench.h"
#include "device/fru_device.h"
#include "files/backup_file.h"
#include "ops/initialize.h"
#include "ops/single_item.h"
#include "process/interrupts.h"
#include "support.h"

namespace {

class BulkMode : public tool_test {
  protected:
    void SetUp() override {
        tool_test::SetUp();
        setenv("TZ", "UTC", 1);
        std::memcpy(start_table_, item, sizeof item);
    }
    void TearDown() override {
        use_bulk(false);
        tool_test::TearDown();
    }
    static void use_bulk(bool bulk) {
        setenv("TARNWICK_BULK", bulk ? "1" : "0", 1);
        choose_fru_device();
    }
    // The device bytes a run leaves when started on `start` in the given mode, with the table as
    // the test began.
    std::vector<uint8_t> run(bool bulk, const std::vector<uint8_t>& start,
                             const std::function<void()>& body) {
        std::memcpy(item, start_table_, sizeof item);
        device.bytes = start;
        use_bulk(bulk);
        capture_stdout(body);
        return device.bytes;
    }

  private:
    _item_info start_table_[item_count];
};

} // namespace

TEST_F(BulkMode, InitialisationWritesTheBytesOfTheByteMode) {
    const std::string configs[] = {
        bench::example_config(),
        "[Board]\n",
        // Odd bytes for the checksums: cleared end markers, language codes, internal use data,
        // the last date the three bytes hold (ff ff ff), a key given twice.
        "End of Field Marker=\nBoard Info Language Code=X\nProduct Info Language code=Y\n"
        "Internal Use Data=internal use\nBoard Serial Number String=S1\n"
        "Board Serial Number String=S2\nManufacturing Date/Time=2027-11-24 20:15 UTC\n",
    };
    for (const std::string& config : configs) {
        SCOPED_TRACE(config.substr(0, 40));
        std::ofstream("fruconfig.ini", std::ios::binary) << config;
        const std::vector<uint8_t> start(1280, 0xA5);
        const std::vector<uint8_t> by_bytes = run(false, start, [] { initialize_fru(); });
        const std::vector<uint8_t> by_image = run(true, start, [] { initialize_fru(); });
        EXPECT_EQ(by_image, by_bytes);
        EXPECT_NE(by_image, start);
    }
}

TEST_F(BulkMode, EveryItemWordWritesTheBytesOfTheByteMode) {
    const char* words[] = {"/CPN", "/CSN", "/BM",  "/BMT", "/BPNA", "/BSN", "/BPNU", "/BFFI",
                           "/PM",  "/PN",  "/PPN", "/PV",  "/PSN",  "/PAT", "/PFFI"};
    std::vector<uint8_t> start(1280, 0);
    for (std::size_t i = 0; i < start.size(); ++i) {
        start[i] = static_cast<uint8_t>(i * 13 + 7); // no area adds up to 0 to begin with
    }
    // The layout's header and area lengths, without which bulk mode writes no item.
    const std::vector<uint8_t> reference = bench::reference_image();
    for (const std::size_t offset : {0, 1, 2, 3, 4, 5, 6, 7, 81, 185, 313}) {
        start[offset] = reference[offset];
    }
    for (const char* word : words) {
        SCOPED_TRACE(word);
        const item_command* command = find_item_command(word);
        ASSERT_NE(command, nullptr);
        const char* value = std::strcmp(word, "/BMT") == 0 ? "2018-08-09 00:00 UTC" : "NEW VALUE 1";
        const auto write = [&] { single_read_write(*command, value); };
        const std::vector<uint8_t> by_bytes = run(false, start, write);
        const std::vector<uint8_t> by_image = run(true, start, write);
        EXPECT_EQ(by_image, by_bytes);
        EXPECT_NE(by_image, start);
    }
}

// A backup is whole under its name or absent: a signal that comes while it is made ends the run by
// that signal and leaves no file at all, not even the hidden one it is written under.
TEST_F(BulkMode, BackupIsWholeOrAbsent) {
    const std::vector<uint8_t> bytes(1280, 0xA7);
    for (const int signal : {0, SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const captured run = run_captured([&] {
            const interrupts_held outer; // noted as it comes, as during the writes and syncs
            if (signal != 0) {
                raise(signal);
            }
            std::printf("%s", save_backup(bytes).c_str());
        });
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            // Backups and their hidden temporaries; the test's lock directory lives here too.
            const std::string name = entry.path().filename().string();
            if (name.find("fru0-") != std::string::npos) {
                left.push_back(name);
            }
        }
        EXPECT_EQ(run.status, signal == 0 ? 0 : 128 + signal);
        EXPECT_EQ(left,
                  signal == 0 ? std::vector<std::string>{run.out} : std::vector<std::string>{});
        if (signal == 0) {
            std::ifstream copy(run.out, std::ios::binary);
            EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(copy), {}), bytes);
            std::filesystem::remove(run.out);
        }
    }
}
