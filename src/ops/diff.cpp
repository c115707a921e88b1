#include "ops/diff.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/fruid.h"
#include "device/fru_device.h"
#include "layout/image.h"
#include "layout/item_table.h"
#include "ops/date_conversion.h"
#include "ops/initialize.h"
#include "process/command_runner.h"

namespace {

bool is_text_item(int index) {
    const std::string_view name = item[index].field_name;
    return name.ends_with("String") || name == "Chassis custom information";
}

// Text up to its first zero byte, in double quotes; a byte that is not printable ASCII, a double
// quote and a backslash as \xHH, so that every byte shows and the line stays one line.
std::string quoted_text(const uint8_t* bytes, uint32_t length) {
    std::string text = "\"";
    for (uint32_t i = 0; i < length && bytes[i] != 0; ++i) {
        const uint8_t byte = bytes[i];
        if (byte < 0x20 || byte > 0x7E || byte == '"' || byte == '\\') {
            text += format_text("\\x%02x", unsigned{byte});
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text + "\"";
}

std::string hex_bytes(const uint8_t* bytes, uint32_t length) {
    std::string text;
    for (uint32_t i = 0; i < length; ++i) {
        text += format_text(i == 0 ? "%02x" : " %02x", unsigned{bytes[i]});
    }
    return text;
}

// One side of an item's line: its bytes in `image`, shown as the item's kind reads.
std::string item_text(int index, const fru_image& image) {
    const uint8_t* bytes = image.data() + item[index].offset;
    if (index == date_item) {
        const std::string date = stored_date_text(bytes, "%Y-%m-%d %H:%M UTC");
        return date.empty() ? "unspecified" : date;
    }
    if (is_text_item(index)) {
        return quoted_text(bytes, item[index].length);
    }
    return hex_bytes(bytes, item[index].length);
}

} // namespace

int show_image_diff() {
    read_configuration();
    const fru_image after = checksummed_table_image();
    const fru_image before = read_device_image();
    if (!holds_layout(before, after)) {
        std::printf("FRU device %d does not hold this layout.\n", FRUID);
    }

    int differing = 0;
    for (int i = 0; i < item_count; ++i) {
        const auto first = before.begin() + item[i].offset;
        if (std::equal(first, first + item[i].length, after.begin() + item[i].offset)) {
            continue;
        }
        std::printf("%s (0x%x): %s -> %s\n", item[i].field_name, item[i].offset,
                    item_text(i, before).c_str(), item_text(i, after).c_str());
        ++differing;
    }
    if (differing == 0) {
        std::printf("FRU device %d already holds this image.\n", FRUID);
        return 0;
    }
    std::printf("%d of %d items differ.\n", differing, item_count);
    return 1;
}
