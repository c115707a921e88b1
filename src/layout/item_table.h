// The one FRU layout the tool knows: 59 items covering the 512-byte image, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t field_size = 36; // 35 characters and a terminating zero

struct _item_info {
    char field_name[field_size];
    uint32_t offset;
    uint32_t length;
    uint8_t value[field_size];
};

constexpr int item_count = 59;
constexpr uint32_t fru_image_size = 512;

// Header items holding the start of each info area, in multiples of 8 bytes.
constexpr int chassis_info_item = 2;
constexpr int board_info_item = 3;
constexpr int product_info_item = 4;
// The common header: items 0 to 7, whose first value bytes must add up to 0.
constexpr int header_item_count = 8;
constexpr int date_item = 25;

// The process-global table: built-in defaults at start, values changed in place during a run.
extern _item_info item[item_count];

// Length of an item's value text: up to the first zero byte, at most 35.
std::size_t value_length(const _item_info& entry);
