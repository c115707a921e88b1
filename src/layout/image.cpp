#include "layout/image.h"

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

void set_area_checksum(fru_image& image, const char* area_name) {
    const area_location area = locate_area(area_header_item(area_name));
    uint8_t sum = 0;
    for (uint32_t offset = area.start; offset < area.checksum_offset; ++offset) {
        sum = static_cast<uint8_t>(sum + image.at(offset));
    }
    image.at(area.checksum_offset) = static_cast<uint8_t>(256 - sum);
}

fru_image checksummed_table_image() {
    fru_image image = table_image();
    for (const char* area_name : info_area_names) {
        set_area_checksum(image, area_name);
    }
    return image;
}
