#include "device/bulk_device.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

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

// Everything the device holds, as the utility proves it: status 0, nothing on standard error,
// and on standard output exactly the lines of a good read, whose size the file holds. Neither the
// status nor the file alone tells: the utility exits 0 and writes no file for a device the
// controller does not have, and exits 0 with a whole file when a part of the read failed; a
// utility killed midway can leave a whole file too. A read that does not prove itself ends the
// run, with what the utility said passed on to standard error. Any size counts, also one smaller
// than the layout (a 256-byte backplane FRU): readers see zeros past its end.
std::vector<uint8_t> read_whole_device() {
    const private_file file;
    const private_file said;
    const private_file complaints;
    const int status = run_command(format_text("ipmitool fru read %d %s >%s 2>%s", FRUID,
                                               file.shell_path().c_str(), said.shell_path().c_str(),
                                               complaints.shell_path().c_str()));
    std::vector<uint8_t> bytes = file.contents();
    const std::vector<uint8_t> out = said.contents();
    const std::vector<uint8_t> err = complaints.contents();
    const std::string good = format_text("Fru Size         : %zu bytes\nDone\n", bytes.size());
    if (status != 0 || !err.empty() || std::string(out.begin(), out.end()) != good) {
        for (const std::vector<uint8_t>* text : {&out, &err}) {
            if (!text->empty()) { // an empty vector may hold no buffer at all
                std::fwrite(text->data(), 1, text->size(), stderr);
            }
        }
        fail("Can not read FRU device %d.\n", FRUID);
    }
    return bytes;
}

// What a write starts from: the whole device, which must hold the whole layout. A smaller one is
// refused before anything is saved or written; an image cut at its end would be no FRU at all.
std::vector<uint8_t> read_device_to_write() {
    std::vector<uint8_t> bytes = read_whole_device();
    if (bytes.size() < fru_image_size) {
        fail("FRU device %d holds %d bytes; this layout needs 512. Nothing written.\n", FRUID,
             static_cast<int>(bytes.size()));
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
    check_read_back(image, read_whole_device());
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
        // A report (-diff, -sjson) shows no byte the device does not hold, as in the default mode;
        // a dump or an item read shows zeros past its end.
        if (device_reads_strict() && offset + count > held_->size()) {
            fail("Read FRU data failed at offset 0x%x.\n",
                 std::max(offset, static_cast<uint32_t>(held_->size())));
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
        write_unless_held(complete, read_device_to_write(), &progress);
    }

    void hold_item(int index, const char* area_name) override {
        held_.reset();
        lock_device_for_writing();
        const image_write_guard writing;
        const std::vector<uint8_t> before = read_device_to_write();
        fru_image image;
        std::copy(before.begin(), before.begin() + image.size(), image.begin());
        // Only a device of this layout has the item and its area where the table places them: on
        // a FRU of another layout the bytes would land among its fields, and a blank device would
        // get a lone item under no header.
        if (!holds_layout(image, built_in_image())) {
            fail("FRU device %d does not hold this layout; write it whole with -w or -restore. "
                 "Nothing written.\n",
                 FRUID);
        }
        put_item(image, index);
        set_area_checksum(image, area_name);
        write_unless_held(image, before, nullptr);
    }

    void hold_exact_image(const fru_image& image, const char* announcement) override {
        held_.reset();
        lock_device_for_writing();
        const image_write_guard writing;
        const image_progress progress{announcement, ""};
        write_unless_held(image, read_device_to_write(), &progress);
    }

  private:
    std::optional<std::vector<uint8_t>> held_;
};

} // namespace

fru_device& bulk_transfers() {
    static bulk_device device;
    return device;
}
