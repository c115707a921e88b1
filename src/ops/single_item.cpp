#include "ops/single_item.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/escaped_text.h"
#include "common/fail.h"
#include "common/fruid.h"
#include "device/fru_device.h"
#include "files/temp_file.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "ops/date_conversion.h"
#include "process/command_runner.h"
#include "process/progress.h"

namespace {

// clang-format off
constexpr item_command item_commands[] = {
    {"/CPN",  "Chassis Part Number String",   "chassis", "ipmitool fru print %d | grep 'Chassis Part Number'"},
    {"/CSN",  "Chassis Serial Number String", "chassis", "ipmitool fru print %d | grep 'Chassis Serial'"},
    {"/BM",   "Board Manufacturer String",    "board",   "ipmitool fru print %d | grep 'Board Mfg'| sed -n 2p"},
    {"/BMT",  "Manufacturing Date/Time",      "board",   nullptr},
    {"/BPNA", "Board Product Name String",    "board",   "ipmitool fru print %d | grep 'Board Product'"},
    {"/BSN",  "Board Serial Number String",   "board",   "ipmitool fru print %d | grep 'Board Serial'"},
    {"/BPNU", "Board Part Number String",     "board",   "ipmitool fru print %d | grep 'Board Part Number'"},
    {"/BFFI", "Board FRU File ID String",     "board",   nullptr},
    {"/PM",   "Manufacturer Name String",     "product", "ipmitool fru print %d | grep 'Product Manufacturer'"},
    {"/PN",   "Product Name String",          "product", "ipmitool fru print %d | grep ' Product Name'"},
    {"/PPN",  "Part/Model Number String",     "product", "ipmitool fru print %d | grep 'Product Part Number'"},
    {"/PV",   "Product Version String",       "product", "ipmitool fru print %d | grep 'Product Version'"},
    {"/PSN",  "Product Serial Number String", "product", "ipmitool fru print %d | grep 'Product Serial'"},
    {"/PAT",  "Asset Tag String",             "product", "ipmitool fru print %d | grep 'Product Asset Tag'"},
    {"/PFFI", "Product FRU File ID String",   "product", nullptr},
};
// clang-format on

// The utility's own date line, cut at its second colon.
constexpr const char* date_read_format =
    "ipmitool fru print %d | grep -i 'Board Mfg Date' | awk -F ':' '{print $2}'";

void store_text(int index, const char* text) {
    std::memset(item[index].value, 0, field_size);
    // The field holds 35 characters and a terminating zero; longer text is cut.
    std::strncpy(reinterpret_cast<char*>(item[index].value), text, field_size - 1);
}

} // namespace

const item_command* find_item_command(const char* word) {
    for (const item_command& command : item_commands) {
        if (std::strcmp(command.word, word) == 0) {
            return &command;
        }
    }
    return nullptr;
}

void read_single_value(int index) {
    progress_start("reading", item[index].length);
    const std::vector<uint8_t> bytes =
        current_device().read(item[index].offset, item[index].length);
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    const auto count = static_cast<std::size_t>(end - bytes.begin());
    if (isatty(STDOUT_FILENO) == 1) {
        // A value holding control sequences must not act on the terminal it is read on; scripts
        // reading from a pipe or a file get the bytes as they are.
        const std::string text = escaped_text(bytes.data(), count);
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        std::fwrite(bytes.data(), 1, count, stdout);
    }
    std::fputc('\n', stdout);
}

void single_read_write(const item_command& command, const char* single_value) {
    const int index = get_item_number_by_fieldname(command.field_name);
    const bool is_date = index == date_item;

    if (std::strcmp(single_value, "NULL") == 0) {
        if (is_date) {
            // The utility's own status: the filters after it end well whatever it did.
            if (run_command_status_of_first(format_text(date_read_format, FRUID)) != 0) {
                fail(cannot_read_device, FRUID);
            }
            std::printf("\n");
        } else {
            read_single_value(index);
        }
        return;
    }

    store_text(index, single_value);
    if (is_date) {
        time_analysis();
    }
    check_temp_file_writable(read_result_file);
    current_device().hold_item(index, command.area);
    if (command.display != nullptr) {
        run_command(format_text(command.display, FRUID));
    }
}
