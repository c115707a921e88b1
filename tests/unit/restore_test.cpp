// "-restore FILE": the files and images it takes and refuses, before any device command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench.h"
#include "device/fru_device.h"
#include "ops/restore.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

class Restore : public tool_test {};

void write_bytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// `bytes` made `size` long with `fill`, and byte `at` set to `value`; the common header's
// checksum set to match unless `keep_sum` is false.
std::vector<uint8_t> with(std::vector<uint8_t> bytes, size_t at, uint8_t value, size_t size = 512,
                          uint8_t fill = 0, bool keep_sum = true) {
    bytes.resize(size, fill);
    bytes.at(at) = value;
    uint8_t sum = 0;
    for (size_t i = 0; keep_sum && i < 7; ++i) {
        sum = static_cast<uint8_t>(sum + bytes[i]);
    }
    bytes[7] = keep_sum ? static_cast<uint8_t>(256 - sum) : bytes[7];
    return bytes;
}

} // namespace

TEST_F(Restore, TakesFruImagesOfAnyLayoutAndRefusesEverythingElse) {
    const std::vector<uint8_t> example = bench::example_image();
    const std::vector<uint8_t> other = bench::other_layout_image();
    const std::vector<uint8_t> zeros(512, 0);
    // clang-format off
    const struct {
        const char* kind; // file, link (to a file of the bytes), dir, fifo, device, none
        std::vector<uint8_t> bytes;
        std::string reason; // "" when taken
    } rows[] = {
        {"file", example, ""},
        {"file", with(other, 600, 0x5C, 1280, 0x5C), ""}, // a whole backup of another layout
        {"file", zeros, ""},
        {"file", std::vector<uint8_t>(512, 0xFF), ""},
        {"link", example, ""},
        {"file", with(example, 0, 1, 65536), ""},
        {"none", {}, "Can not read"},
        {"dir", {}, "not a regular file"},
        {"fifo", {}, "not a regular file"},
        {"device", {}, "not a regular file"},
        {"file", std::vector<uint8_t>(511, 0), "smaller than 512 bytes"},
        {"file", with(example, 0, 1, 65537), "larger than 65536 bytes"},
        {"file", with(example, 0, 2), "the common header version is not 1"},
        {"file", with(example, 6, 1, 512, 0, false), "the common header checksum is wrong"},
        {"file", with(example, 1, 0x40), "the internal use area starts past the end of the file"},
        {"file", with(other, 9, 0), "the chassis area has a length of 0"},
        {"file", with(example, 313, 0x1A), "the product area runs past the end of the file"},
        {"file", with(example, 313, 0x1A, 1280), "the product area runs past the 512 bytes written"},
        {"file", with(other, 40, 'Z'), "the board area checksum is wrong"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.kind) + ", " + std::to_string(row.bytes.size()) + " bytes, " +
                     row.reason);
        fs::remove_all("f.bin");
        const std::string kind = row.kind;
        if (kind == "file" || kind == "link") {
            write_bytes(kind == "file" ? "f.bin" : "target.bin", row.bytes);
        }
        if (kind == "link" || kind == "device") {
            fs::create_symlink(kind == "link" ? "target.bin" : "/dev/zero", "f.bin");
        } else if (kind == "dir") {
            fs::create_directory("f.bin");
        } else if (kind == "fifo") {
            ASSERT_EQ(mkfifo("f.bin", 0600), 0);
        }
        // A FIFO or a directory is refused unopened (a device too, which others may open).
        const int watch = inotify_init1(IN_NONBLOCK);
        const bool watched = kind == "fifo" || kind == "dir";
        ASSERT_TRUE(!watched || inotify_add_watch(watch, "f.bin", IN_OPEN) >= 0);
        fru_image image{};
        const std::string message = read_restore_file("f.bin", image);
        char event[4096];
        EXPECT_FALSE(watched && read(watch, event, sizeof event) > 0) << "opened";
        close(watch);
        if (row.reason.empty()) {
            EXPECT_EQ(message, "");
            EXPECT_TRUE(std::equal(image.begin(), image.end(), row.bytes.begin()));
        } else if (row.reason == "Can not read") {
            EXPECT_EQ(message, "Can not read \"f.bin\"; nothing written.\n");
        } else {
            EXPECT_EQ(message, "Refusing \"f.bin\": " + row.reason + "; nothing written.\n");
        }
    }
}

// A restore writes: in either mode it waits for the device lock another write holds, before any
// device command.
TEST_F(Restore, WaitsForTheDeviceLockInEitherMode) {
    write_bytes("f.bin", bench::example_image());
    const std::string lock = std::string(std::getenv("TARNWICK_LOCK_DIR")) + "/fru0.lock";
    const int held = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    for (const char* bulk : {"0", "1"}) {
        SCOPED_TRACE(std::string("TARNWICK_BULK=") + bulk);
        setenv("TARNWICK_BULK", bulk, 1);
        const captured run = run_captured([] {
            choose_fru_device();
            alarm(1); // still waiting by then
            restore_fru_image("f.bin");
        });
        EXPECT_EQ(run.out, "Waiting for another tarnwick write to FRU device 0...\n");
        EXPECT_EQ(run.status, 128 + SIGALRM);
    }
    unsetenv("TARNWICK_BULK");
    close(held);
}
