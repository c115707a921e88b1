#include "ops/restore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <span>
#include <vector>

#include "common/fail.h"
#include "common/fruid.h"
#include "device/fru_device.h"
#include "files/temp_file.h"
#include "process/command_runner.h"

namespace {

// A backup holds the device's whole size: a few kilobytes on the BMCs in use. Anything larger is
// not one.
constexpr std::size_t max_restore_bytes = 65536;

// The areas a common header points to, by the header byte holding their offset in 8-byte units.
// Only the info areas carry their length, in their second byte.
struct header_area {
    int header_byte;
    const char* name;
    bool info_area;
};
constexpr header_area header_areas[] = {
    {1, "internal use", false}, {2, "chassis", true},      {3, "board", true},
    {4, "product", true},       {5, "multirecord", false},
};

// Up to `limit` + 1 bytes of `file` (one more tells a file that is too large); false on an error.
bool read_at_most(int file, std::size_t limit, std::vector<uint8_t>& bytes) {
    bytes.resize(limit + 1);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = read(file, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return true;
}

// The first check the image fails, as the reason of the refusal; "" for a FRU image. Only the
// first 512 bytes are written, so an area must end within them: one running on past them would
// be left half old on the device.
std::string image_fault(const fru_image& image, std::size_t file_size) {
    if (is_blank(image)) {
        return "";
    }
    if (image[0] != 0x01) {
        return "the common header version is not 1";
    }
    if (byte_sum(std::span(image).first(header_item_count)) != 0) {
        return "the common header checksum is wrong";
    }
    const char* beyond = file_size > image.size() ? "the 512 bytes written" : "the end of the file";
    for (const header_area& area : header_areas) {
        const uint32_t start = image[area.header_byte] * 8u;
        if (start == 0) {
            continue;
        }
        if (start + (area.info_area ? 1 : 0) >= image.size()) {
            return format_text("the %s area starts past %s", area.name, beyond);
        }
        if (area.info_area && image[start + 1] == 0) {
            return format_text("the %s area has a length of 0", area.name);
        }
        if (area.info_area && start + image[start + 1] * 8u > image.size()) {
            return format_text("the %s area runs past %s", area.name, beyond);
        }
    }
    for (const header_area& area : header_areas) {
        const uint32_t start = image[area.header_byte] * 8u;
        if (area.info_area && start != 0 &&
            byte_sum(std::span(image).subspan(start, image[start + 1] * 8u)) != 0) {
            return format_text("the %s area checksum is wrong", area.name);
        }
    }
    return "";
}

} // namespace

std::string restore_image_fault(std::span<const uint8_t> bytes, fru_image& image) {
    if (bytes.size() < image.size()) {
        return format_text("smaller than %u bytes", fru_image_size);
    }
    if (bytes.size() > max_restore_bytes) {
        return format_text("larger than %zu bytes", max_restore_bytes);
    }
    std::copy_n(bytes.begin(), image.size(), image.begin());
    return image_fault(image, bytes.size());
}

std::string read_restore_file(const char* path, fru_image& image) {
    const std::string cannot_read = format_text("Can not read \"%s\"; nothing written.\n", path);
    // Anything but a regular file is refused unopened: opening a device or a FIFO can act on it
    // (a watchdog starts, a tape rewinds, a waiting writer goes on).
    struct stat status {};
    if (stat(path, &status) != 0) {
        return cannot_read;
    }
    int file = -1;
    if (S_ISREG(status.st_mode)) {
        // Without blocking, should it have been swapped for a FIFO meanwhile.
        file = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (file < 0) {
            return cannot_read;
        }
    }
    const bool opened = file < 0 || fstat(file, &status) == 0;
    const bool regular = opened && S_ISREG(status.st_mode);
    std::vector<uint8_t> bytes;
    const bool read_whole = regular && read_at_most(file, max_restore_bytes, bytes);
    if (file >= 0) {
        close(file);
    }
    if (!opened || (regular && !read_whole)) {
        return cannot_read;
    }
    const std::string reason = regular ? restore_image_fault(bytes, image) : "not a regular file";
    return reason.empty()
               ? ""
               : format_text("Refusing \"%s\": %s; nothing written.\n", path, reason.c_str());
}

void restore_fru_image(const char* path) {
    fru_image image{};
    const std::string refusal = read_restore_file(path, image);
    if (!refusal.empty()) {
        fail("%s", refusal.c_str());
    }
    check_temp_file_writable(read_result_file);
    const std::string announcement =
        format_text("Restoring FRU device %d from \"%s\".....\n", FRUID, path);
    current_device().hold_exact_image(image, announcement.c_str());
    std::printf("Done!\n");
}
