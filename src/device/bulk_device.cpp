#include "device/bulk_device.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/fail.h"
#include "common/fruid.h"
#include "files/backup_file.h"
#include "files/device_lock.h"
#include "files/private_file.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "process/command_runner.h"
#include "process/write_guard.h"

namespace {

// Everything the device returns. The utility's status tells nothing: it exits 0 and writes no file
// for a device the controller does not have, and exits 0 with a whole file when a part of the read
// failed, saying so only on standard error. So its standard error is kept and passed on, and the
// read counts only with a file of at least a whole image and no complaint.
std::vector<uint8_t> read_whole_device() {
    const private_file file;
    const private_file complaints;
    run_command(format_text("ipmitool fru read %d %s >/dev/null 2>%s", FRUID,
                            file.shell_path().c_str(), complaints.shell_path().c_str()));
    const std::vector<uint8_t> said = complaints.contents();
    if (!said.empty()) {
        std::fwrite(said.data(), 1, said.size(), stderr);
    }
    std::vector<uint8_t> bytes = file.contents();
    if (bytes.size() < fru_image_size || !said.empty()) {
        fail("Can not read FRU device %d.\n", FRUID);
    }
    return bytes;
}

void write_whole_image(const fru_image& image) {
    const private_file file;
    file.set_contents(image.data(), image.size());
    // Its status tells nothing either: the read-back decides.
    run_command(
        format_text("ipmitool fru write %d %s >/dev/null", FRUID, file.shell_path().c_str()));
}

bool holds(const std::vector<uint8_t>& device_bytes, const fru_image& image) {
    return std::equal(image.begin(), image.end(), device_bytes.begin());
}

// Makes the device hold `image`, given what it holds now: nothing when it holds it already;
// otherwise a copy of the old bytes first, then one write and a byte-for-byte read-back.
void write_unless_held(const fru_image& image, const std::vector<uint8_t>& before,
                       const image_progress* progress) {
    if (holds(before, image)) {
        std::printf("FRU device %d already holds this image; nothing written.\n", FRUID);
        return;
    }
    std::printf("Previous image saved to %s.\n", save_backup(before).c_str());
    if (progress != nullptr) {
        std::printf("%s%s", progress->writing_data, progress->writing_checksum);
    }
    // An interrupt from here on waits until the read-back has compared every byte.
    const device_write_guard writing;
    note_device_offset(0);
    image_write_starts();
    write_whole_image(image);
    const std::vector<uint8_t> after = read_whole_device();
    for (uint32_t offset = 0; offset < image.size(); ++offset) {
        if (after[offset] != image[offset]) {
            fail("Verify failed at offset 0x%x: expected %02x, read %02x.\n", offset,
                 unsigned{image[offset]}, unsigned{after[offset]});
        }
    }
    image_write_verified();
}

class bulk_device final : public fru_device {
  public:
    // One read serves every request of the run (the rows of a dump, an item's bytes).
    std::vector<uint8_t> read(uint32_t offset, uint32_t count) override {
        if (!held_) {
            const commands_shielded shielded; // an interrupt waits for the read to end
            held_ = read_whole_device();
        }
        std::vector<uint8_t> bytes(count, 0);
        for (uint32_t i = 0; i < count && offset + i < held_->size(); ++i) {
            bytes[i] = (*held_)[offset + i];
        }
        return bytes;
    }

    void hold_image(const fru_image& image, const image_progress& progress) override {
        held_.reset();
        lock_device_for_writing();
        const image_write_guard writing;
        fru_image complete = image;
        for (const char* area_name : info_area_names) {
            set_area_checksum(complete, area_name);
        }
        write_unless_held(complete, read_whole_device(), &progress);
    }

    void hold_item(int index, const char* area_name) override {
        held_.reset();
        lock_device_for_writing();
        const image_write_guard writing;
        const std::vector<uint8_t> before = read_whole_device();
        fru_image image;
        std::copy(before.begin(), before.begin() + image.size(), image.begin());
        put_item(image, index);
        set_area_checksum(image, area_name);
        write_unless_held(image, before, nullptr);
    }

  private:
    std::optional<std::vector<uint8_t>> held_;
};

} // namespace

fru_device& bulk_transfers() {
    static bulk_device device;
    return device;
}
