#include "device/byte_device.h"

#include <cstdio>

#include "common/terminal_line.h"
#include "device/byte_access.h"
#include "device/checksum.h"
#include "device/read_back.h"
#include "files/device_lock.h"
#include "layout/image.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "process/progress.h"
#include "process/write_guard.h"

namespace {

// The commands of one checksum pass: a read of each byte before the checksum byte, then its write
// or read.
uint32_t checksum_pass_commands(const char* area_name) {
    const area_location area = locate_area(area_header_item(area_name));
    return area.checksum_offset + 1 - area.start;
}

class byte_device final : public fru_device {
  public:
    std::vector<uint8_t> read(uint32_t offset, uint32_t count) override {
        std::vector<uint8_t> bytes(count);
        for (uint32_t i = 0; i < count; ++i) {
            bytes[i] = read_value(offset + i);
        }
        return bytes;
    }

    // 512 writes in offset order (the checksum bytes as the table holds them), then the checksum
    // write pass of each area over the bytes read back, each compared with the byte written.
    void hold_image(const fru_image& image, const image_progress& progress) override {
        lock_device_for_writing();
        const device_write_guard writing;
        std::printf("%s", progress.writing_data);
        uint32_t commands = image.size();
        for (const char* area_name : info_area_names) {
            commands += checksum_pass_commands(area_name);
        }
        progress_start("writing", commands);
        write_all_bytes(image);
        clear_terminal_line();
        std::printf("%s", progress.writing_checksum);
        meant_bytes written;
        for (uint32_t offset = 0; offset < image.size(); ++offset) {
            written[offset] = image[offset];
        }
        for (const char* area_name : info_area_names) {
            write_verify_checksum(area_name, mark_write, &written);
        }
    }

    void hold_item(int index, const char* area_name) override {
        lock_device_for_writing();
        const device_write_guard writing;
        progress_start("writing", item[index].length + 2 * checksum_pass_commands(area_name));
        write_single_value(index);
        meant_bytes written; // the checksum, once the write pass has written it
        write_verify_checksum(area_name, mark_write, &written);
        // The item's bytes are compared in the verify pass only, after the checksum.
        const std::vector<uint8_t> bytes = item_bytes(index);
        for (uint32_t i = 0; i < bytes.size(); ++i) {
            written[item[index].offset + i] = bytes[i];
        }
        write_verify_checksum(area_name, mark_verify, &written);
    }

    // 512 writes in offset order, then 512 reads comparing every byte.
    void hold_exact_image(const fru_image& image, const char* announcement) override {
        lock_device_for_writing();
        const device_write_guard writing;
        std::printf("%s", announcement);
        progress_start("writing", 2 * image.size());
        write_all_bytes(image);
        check_read_back(image, read(0, image.size()));
    }

  private:
    static void write_all_bytes(const fru_image& image) {
        for (uint32_t offset = 0; offset < image.size(); ++offset) {
            write_value(offset, image[offset]);
        }
    }
};

} // namespace

fru_device& byte_transfers() {
    static byte_device device;
    return device;
}

void write_single_value(int index) {
    const std::vector<uint8_t> bytes = item_bytes(index);
    for (uint32_t i = 0; i < bytes.size(); ++i) {
        write_value(item[index].offset + i, bytes[i]);
    }
}
