#include "device/byte_access.h"

#include <cstdlib>
#include <string>

#include "common/fail.h"
#include "common/fruid.h"
#include "files/temp_file.h"
#include "process/command_runner.h"
#include "process/progress.h"
#include "process/write_guard.h"

namespace {

// One command per 256-byte page of the offset: device ID, low byte of the offset, and for writes
// the value. The last page carries the device ID with an extra 0 after the 0x.
constexpr const char* write_formats[] = {
    "ipmitool raw 0x0a 0x12 0x%x 0x%x 0x00 0x%x >/dev/null",
    "ipmitool raw 0x0a 0x12 0x%x 0x%x 0x01 0x%x >/dev/null",
    "ipmitool raw 0x0a 0x12 0x%x 0x%x 0x02 0x%x >/dev/null",
    "ipmitool raw 0x0a 0x12 0x%x 0x%x 0x03 0x%x >/dev/null",
    "ipmitool raw 0x0a 0x12 0x0%x 0x%x 0x04 0x%x >/dev/null",
};
constexpr const char* read_formats[] = {
    "ipmitool raw 0x0a 0x11 0x%x 0x%x 0x00 0x01|awk '{printf $2}' >tmp",
    "ipmitool raw 0x0a 0x11 0x%x 0x%x 0x01 0x01|awk '{printf $2}' >tmp",
    "ipmitool raw 0x0a 0x11 0x%x 0x%x 0x02 0x01|awk '{printf $2}' >tmp",
    "ipmitool raw 0x0a 0x11 0x%x 0x%x 0x03 0x01|awk '{printf $2}' >tmp",
    "ipmitool raw 0x0a 0x11 0x0%x 0x%x 0x04 0x01|awk '{printf $2}' >tmp",
};

constexpr uint32_t page_size = 0x100;

void check_range(uint32_t offset) {
    if (offset > max_fru_offset) {
        fail("offset out of range(max offset is 0x4ff)\n");
    }
}

unsigned device_id() {
    return static_cast<uint32_t>(FRUID);
}

} // namespace

void write_value(uint32_t offset, uint8_t value) {
    check_range(offset);
    const uint32_t page = offset / page_size;
    const unsigned low = offset - page * page_size;
    note_device_offset(offset);
    const int status =
        run_command(format_text(write_formats[page], device_id(), low, unsigned{value}));
    if (device_write_under_way() && status != 0) {
        fail("Write FRU data failed at offset 0x%x.\n", offset);
    }
    progress_step(status != 0);
}

uint8_t read_value(uint32_t offset) {
    check_range(offset);
    const uint32_t page = offset / page_size;
    const unsigned low = offset - page * page_size;
    prepare_temp_file(read_result_file);
    note_device_offset(offset);
    const int status = run_command(format_text(read_formats[page], device_id(), low));
    // The status is awk's or the shell's: the result could not be kept (a full disk, a result
    // file the shell could not create). The utility's own failure shows only as a file without a
    // byte.
    if (status != 0) {
        discard_failed_result(read_result_file);
        fail("Read FRU data failed at offset 0x%x.\n", offset);
    }
    // A result without a byte is a read the device failed: never shown as a zero byte.
    bool has_digit = false;
    const uint8_t byte = get_return_data(&has_digit);
    if (!has_digit) {
        fail("Read FRU data failed at offset 0x%x.\n", offset);
    }
    progress_step();
    return byte;
}

uint8_t get_return_data(bool* has_digit) {
    const std::string text = take_temp_file(read_result_file, 2);
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 16);
    if (has_digit != nullptr) {
        *has_digit = end != text.c_str();
    }
    return static_cast<uint8_t>(number & 0xFF);
}
