// "-restore FILE" against the in-memory device: which files and images it takes, and how it
// writes and reads back in each mode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "bench.h"
#include "device/fru_device.h"
#include "ops/restore.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

class Restore : public tool_test {
  protected:
    void TearDown() override {
        setenv("TARNWICK_BULK", "0", 1);
        choose_fru_device();
        tool_test::TearDown();
    }
};

void write_bytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// `bytes` with byte `at` set to `value`, and unless told otherwise the common header's checksum
// set to match.
std::vector<uint8_t> with(std::vector<uint8_t> bytes, size_t at, uint8_t value,
                          bool keep_header_sum = true) {
    bytes.at(at) = value;
    if (!keep_header_sum) {
        return bytes;
    }
    bytes[7] = 0;
    for (size_t i = 0; i < 7; ++i) {
        bytes[7] = static_cast<uint8_t>(bytes[7] - bytes[i]);
    }
    return bytes;
}

std::vector<uint8_t> longer(std::vector<uint8_t> bytes, size_t size, uint8_t fill) {
    bytes.resize(size, fill);
    return bytes;
}

} // namespace

TEST_F(Restore, TakesFruImagesOfAnyLayoutAndRefusesEverythingElse) {
    const std::vector<uint8_t> example = bench::example_image();
    const std::vector<uint8_t> other = bench::other_layout_image();
    const std::string unreadable = "Can not read";
    const struct {
        const char* what;
        const char* kind; // file, link, dir, fifo, device, none
        std::vector<uint8_t> bytes;
        std::string reason; // "" when taken
    } rows[] = {
        {"the tool's layout", "file", example, ""},
        {"a 1280-byte backup of another layout", "file", longer(other, 1280, 0x5C), ""},
        {"a blank device of zeros", "file", std::vector<uint8_t>(512, 0x00), ""},
        {"a blank device of 0xff", "file", std::vector<uint8_t>(512, 0xFF), ""},
        {"a link to a backup", "link", example, ""},
        {"the largest file", "file", longer(example, 65536, 0), ""},
        {"a missing file", "none", {}, unreadable},
        {"a directory", "dir", {}, "not a regular file"},
        {"a FIFO", "fifo", {}, "not a regular file"},
        {"a link to /dev/zero", "device", {}, "not a regular file"},
        {"511 bytes", "file", std::vector<uint8_t>(511, 0), "smaller than 512 bytes"},
        {"65537 bytes", "file", longer(example, 65537, 0), "larger than 65536 bytes"},
        {"header version 2", "file", with(example, 0, 0x02), "the common header version is not 1"},
        {"a header byte changed", "file", with(example, 6, 1, false),
         "the common header checksum is wrong"},
        {"internal use area at 512", "file", with(example, 1, 0x40),
         "the internal use area starts past the end of the file"},
        {"an empty chassis area", "file", with(other, 9, 0), "the chassis area has a length of 0"},
        {"the product area one block too long", "file", with(example, 313, 0x1A),
         "the product area runs past the end of the file"},
        {"the same in a longer file", "file", longer(with(example, 313, 0x1A), 1280, 0),
         "the product area runs past the 512 bytes written"},
        {"a board byte changed", "file", with(other, 40, 'Z'), "the board area checksum is wrong"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all("f.bin");
        const std::string kind = row.kind;
        if (kind == "file") {
            write_bytes("f.bin", row.bytes);
        } else if (kind == "link") {
            write_bytes("target.bin", row.bytes);
            fs::create_symlink("target.bin", "f.bin");
        } else if (kind == "dir") {
            fs::create_directory("f.bin");
        } else if (kind == "fifo") {
            ASSERT_EQ(mkfifo("f.bin", 0600), 0);
        } else if (kind == "device") {
            fs::create_symlink("/dev/zero", "f.bin");
        }
        fru_image image{};
        const std::string message = read_restore_file("f.bin", image);
        if (row.reason.empty()) {
            EXPECT_EQ(message, "");
            EXPECT_TRUE(std::equal(image.begin(), image.end(), row.bytes.begin()));
        } else if (row.reason == unreadable) {
            EXPECT_EQ(message, "Can not read \"f.bin\"; nothing written.\n");
        } else {
            EXPECT_EQ(message, "Refusing \"f.bin\": " + row.reason + "; nothing written.\n");
        }
    }
}

// The read-back compares every byte in both modes; a byte the device does not give back stops the
// default mode's read-back as it stops any read of a write.
TEST_F(Restore, ABytePutBackWrongStopsTheRunAtItsOffset) {
    write_bytes("f.bin", longer(bench::other_layout_image(), 1280, 0x5C));
    const std::string restoring = "Restoring FRU device 0 from \"f.bin\".....\n";
    const struct {
        const char* mode;
        long corrupt_at;
        bool reads_fail;
        std::string out;
    } rows[] = {
        {"0", 300, false, restoring + "Verify failed at offset 0x12c: expected ff, read 00.\n"},
        {"1", 300, false,
         "BACKUP" + restoring + "Verify failed at offset 0x12c: expected ff, read 00.\n"},
        {"0", -1, true, restoring + "Read FRU data failed at offset 0x0.\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.out);
        setenv("TARNWICK_BULK", row.mode, 1);
        choose_fru_device();
        device.corrupt_at = row.corrupt_at;
        device.reads_fail = row.reads_fail;
        const captured result = run_captured([] { restore_fru_image("f.bin"); });
        const std::string out = std::regex_replace(
            result.out, std::regex("Previous image saved to fru0-[0-9TZ]+\\.bin\\.\n"), "BACKUP");
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(result.status, 255);
    }
}
