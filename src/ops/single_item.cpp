#include "ops/single_item.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/fail.h"
#include "common/fruid.h"
#include "device/byte_access.h"
#include "device/checksum.h"
#include "device/command_runner.h"
#include "device/write_guard.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "ops/date_conversion.h"

namespace {

// clang-format off
constexpr item_command item_commands[] = {
    {"/CPN",  "Chassis Part Number String",   "chassis", "ipmitool fru | grep 'Chassis Part Number'"},
    {"/CSN",  "Chassis Serial Number String", "chassis", "ipmitool fru | grep 'Chassis Serial'"},
    {"/BM",   "Board Manufacturer String",    "board",   "ipmitool fru | grep 'Board Mfg'| sed -n 2p"},
    {"/BMT",  "Manufacturing Date/Time",      "board",   nullptr},
    {"/BPNA", "Board Product Name String",    "board",   "ipmitool fru | grep 'Board Product'"},
    {"/BSN",  "Board Serial Number String",   "board",   "ipmitool fru | grep 'Board Serial'"},
    {"/BPNU", "Board Part Number String",     "board",   "ipmitool fru | grep 'Board Part Number'"},
    {"/BFFI", "Board FRU File ID String",     "board",   nullptr},
    {"/PM",   "Manufacturer Name String",     "product", "ipmitool fru | grep 'Product Manufacturer'"},
    {"/PN",   "Product Name String",          "product", "ipmitool fru | grep ' Product Name'"},
    {"/PPN",  "Part/Model Number String",     "product", "ipmitool fru | grep 'Product Part Number'"},
    {"/PV",   "Product Version String",       "product", "ipmitool fru | grep 'Product Version'"},
    {"/PSN",  "Product Serial Number String", "product", "ipmitool fru | grep 'Product Serial'"},
    {"/PAT",  "Asset Tag String",             "product", "ipmitool fru | grep 'Product Asset Tag'"},
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
    const _item_info& entry = item[index];
    std::string text;
    for (uint32_t i = 0; i < entry.length; ++i) {
        text += static_cast<char>(read_value(entry.offset + i));
    }
    text = text.substr(0, text.find('\0'));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

void write_single_value(int index) {
    const _item_info& entry = item[index];
    const bool binary = index == date_item;
    bool ended = false;
    for (uint32_t i = 0; i < entry.length; ++i) {
        uint8_t byte = 0;
        if (i < field_size && !ended) {
            byte = entry.value[i];
            // Text ends at its first zero byte; the date's bytes are binary and all count.
            ended = byte == 0 && !binary;
        }
        write_value(entry.offset + i, byte);
    }
}

void single_read_write(const item_command& command, const char* single_value) {
    const int index = get_item_number_by_fieldname(command.field_name);
    const bool is_date = index == date_item;

    if (std::strcmp(single_value, "NULL") == 0) {
        if (is_date) {
            run_command(format_text(date_read_format, FRUID));
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
    {
        const device_write_guard writing;
        write_single_value(index);
        write_verify_checksum(command.area, mark_write);
        write_verify_checksum(command.area, mark_verify);
    }
    if (command.display != nullptr) {
        run_command(command.display);
    }
}
