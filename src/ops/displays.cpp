#include "ops/displays.h"

#include <cstdio>

#include "common/fail.h"
#include "common/fruid.h"
#include "common/terminal_line.h"
#include "device/fru_device.h"
#include "layout/item_table.h"
#include "process/command_runner.h"
#include "process/progress.h"

namespace {

constexpr uint32_t row_size = 16;

void print_row(uint32_t start, const std::vector<uint8_t>& bytes) {
    std::printf("%04x: ", start);
    for (uint32_t i = 0; i < row_size; i += 2) {
        std::printf("%02x%02x ", unsigned{bytes[i]}, unsigned{bytes[i + 1]});
    }
    std::printf("  ");
    for (const uint8_t byte : bytes) {
        std::putchar(byte >= 0x21 && byte <= 0x7E ? byte : '.');
    }
    std::putchar('\n');
}

} // namespace

void show_text_format() {
    if (run_command(format_text("ipmitool fru print %d", FRUID)) != 0) {
        fail(cannot_read_device, FRUID);
    }
}

void show_binary_format() {
    const uint32_t last_offset = item[item_count - 1].offset;
    const uint32_t rows = last_offset / row_size + 1;
    progress_start("reading", rows * row_size);
    for (uint32_t start = 0; start <= last_offset; start += row_size) {
        const std::vector<uint8_t> bytes = current_device().read(start, row_size);
        clear_terminal_line();
        print_row(start, bytes);
    }
}
