#include "layout/image.h"

#include <algorithm>

#include "layout/lookup.h"

std::vector<uint8_t> item_bytes(int index) {
    const _item_info& entry = item[index];
    const bool binary = index == date_item;
    std::vector<uint8_t> bytes(entry.length, 0);
    for (uint32_t i = 0; i < entry.length && i < field_size; ++i) {
        // Text ends at its first zero byte; the date's bytes are binary and all count.
        if (entry.value[i] == 0 && !binary) {
            break;
        }
        bytes[i] = entry.value[i];
    }
    return bytes;
}

void put_item(fru_image& image, int index) {
    const std::vector<uint8_t> bytes = item_bytes(index);
    for (uint32_t i = 0; i < bytes.size() && item[index].offset + i < image.size(); ++i) {
        image[item[index].offset + i] = bytes[i];
    }
}

fru_image table_image() {
    fru_image image{};
    for (int i = 0; i < item_count; ++i) {
        put_item(image, i);
    }
    return image;
}

uint8_t byte_sum(std::span<const uint8_t> bytes) {
    uint8_t sum = 0;
    for (const uint8_t byte : bytes) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    return sum;
}

uint8_t area_checksum(std::span<const uint8_t> bytes) {
    return static_cast<uint8_t>(256 - byte_sum(bytes));
}

void set_area_checksum(fru_image& image, const char* area_name) {
    const area_location area = locate_area(area_header_item(area_name));
    uint8_t& checksum = image.at(area.checksum_offset);
    // An area of length 0 has no bytes before its checksum byte, which lies just before it.
    const uint32_t count =
        area.checksum_offset > area.start ? area.checksum_offset - area.start : 0;
    checksum = area_checksum(std::span(image).subspan(area.start, count));
}

fru_image checksummed_table_image() {
    fru_image image = table_image();
    for (const char* area_name : info_area_names) {
        set_area_checksum(image, area_name);
    }
    return image;
}

bool is_blank(const fru_image& image) {
    return std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == 0x00; }) ||
           std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == 0xFF; });
}

bool holds_layout(const fru_image& image, const fru_image& layout) {
    if (!std::equal(image.begin(), image.begin() + header_item_count, layout.begin())) {
        return false;
    }
    // Each area's length byte follows its "Version" byte at the start the header gives.
    for (const char* area_name : info_area_names) {
        const uint32_t length_byte = layout[item[area_header_item(area_name)].offset] * 8u + 1;
        if (length_byte >= image.size() || image[length_byte] != layout[length_byte]) {
            return false;
        }
    }
    return true;
}

namespace {

// Made before main() runs, while the table holds its built-in values: the table is constant-
// initialised, so it is complete before any dynamic initialisation.
const fru_image built_in = table_image();

} // namespace

const fru_image& built_in_image() {
    return built_in;
}
