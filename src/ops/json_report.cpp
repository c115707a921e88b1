#include "ops/json_report.h"

#include <cstdio>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "common/fruid.h"
#include "device/fru_device.h"
#include "layout/image.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "ops/date_conversion.h"

namespace {

// The values, by the item that holds each, in the order they are printed.
struct json_value {
    const char* key;
    const char* field_name;
};
constexpr json_value values[] = {
    {"chassis_part_number", "Chassis Part Number String"},
    {"chassis_serial_number", "Chassis Serial Number String"},
    {"chassis_custom_information", "Chassis custom information"},
    {"manufacturing_date", "Manufacturing Date/Time"},
    {"board_manufacturer", "Board Manufacturer String"},
    {"board_product_name", "Board Product Name String"},
    {"board_serial_number", "Board Serial Number String"},
    {"board_part_number", "Board Part Number String"},
    {"board_fru_file_id", "Board FRU File ID String"},
    {"product_manufacturer", "Manufacturer Name String"},
    {"product_name", "Product Name String"},
    {"product_part_number", "Part/Model Number String"},
    {"product_version", "Product Version String"},
    {"product_serial_number", "Product Serial Number String"},
    {"asset_tag", "Asset Tag String"},
    {"product_fru_file_id", "Product FRU File ID String"},
};

// Bytes [first, last] of the image add up to 0; false for a span outside it.
bool adds_up_to_zero(const fru_image& image, uint32_t first, uint32_t last) {
    if (last < first || last >= image.size()) {
        return false;
    }
    return byte_sum(std::span(image).subspan(first, last - first + 1)) == 0;
}

bool area_adds_up(const fru_image& image, const char* area_name) {
    const area_location area = locate_area(area_header_item(area_name));
    return adds_up_to_zero(image, area.start, area.checksum_offset);
}

// The item's text up to its first zero byte, each byte taken as the code point of its number, so
// that any byte gives valid UTF-8 (0xe9 becomes U+00E9).
std::string item_text(const fru_image& image, int index) {
    std::string text;
    for (uint32_t i = 0; i < item[index].length; ++i) {
        const uint8_t byte = image[item[index].offset + i];
        if (byte == 0) {
            break;
        }
        if (byte < 0x80) {
            text += static_cast<char>(byte);
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

} // namespace

void show_json_format() {
    const fru_image image = read_device_image();
    nlohmann::ordered_json report;
    report["fru_id"] = FRUID;
    report["header_checksum_ok"] = adds_up_to_zero(image, 0, header_item_count - 1);
    report["chassis_checksum_ok"] = area_adds_up(image, "chassis");
    report["board_checksum_ok"] = area_adds_up(image, "board");
    report["product_checksum_ok"] = area_adds_up(image, "product");
    report["blank"] = is_blank(image);
    report["layout_matches"] = holds_layout(image, built_in_image());
    for (const json_value& value : values) {
        const int index = get_item_number_by_fieldname(value.field_name);
        if (index == date_item) {
            const std::string date =
                stored_date_text(image.data() + item[index].offset, "%Y-%m-%dT%H:%M:00Z");
            report[value.key] =
                date.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(date);
        } else {
            report[value.key] = item_text(image, index);
        }
    }
    // ASCII only: a byte above 0x7f shows as \u00XX.
    std::printf("%s\n", report.dump(2, ' ', true).c_str());
}
