#include "ops/initialize.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <span>

#include "common/fail.h"
#include "device/fru_device.h"
#include "files/temp_file.h"
#include "layout/image.h"
#include "layout/item_table.h"
#include "layout/lookup.h"
#include "ops/config_reader.h"
#include "ops/date_conversion.h"

namespace {

void check_header() {
    const fru_image image = table_image();
    const uint8_t sum = byte_sum(std::span(image).first(header_item_count));
    if (sum != 0) {
        fail("Refusing \"%s\": the common header bytes add up to 0x%x, not 0; nothing written.\n",
             config_file_name, unsigned{sum});
    }
}

// The bytes [first, last] of one area.
struct area_span {
    uint32_t first;
    uint32_t last;
};

area_span check_area_in_image(const char* area_name) {
    const area_location area = locate_area(area_header_item(area_name));
    switch (check_area(area)) {
    case area_fault::start_not_an_item:
    case area_fault::start_not_version:
    case area_fault::no_length_item:
        fail("Refusing \"%s\": the %s area does not start at a \"Version\" item (offset %u); "
             "nothing written.\n",
             config_file_name, area_name, area.start);
    case area_fault::end_not_an_item:
    case area_fault::end_not_checksum:
    case area_fault::empty:
        fail("Refusing \"%s\": the %s area of %u bytes does not end at a \"Checksum\" item; "
             "nothing written.\n",
             config_file_name, area_name, area.size);
    case area_fault::none:
        break;
    }
    return {area.start, area.checksum_offset};
}

} // namespace

void check_configured_layout() {
    check_header();
    area_span spans[std::size(info_area_names)];
    for (std::size_t i = 0; i < std::size(info_area_names); ++i) {
        spans[i] = check_area_in_image(info_area_names[i]);
    }
    // Overlapping areas would have one checksum written over the other's bytes.
    for (std::size_t i = 0; i < std::size(info_area_names); ++i) {
        for (std::size_t j = i + 1; j < std::size(info_area_names); ++j) {
            if (spans[i].first <= spans[j].last && spans[j].first <= spans[i].last) {
                fail("Refusing \"%s\": the %s and %s areas overlap; nothing written.\n",
                     config_file_name, info_area_names[i], info_area_names[j]);
            }
        }
    }
}

void read_configuration() {
    ini_file_analysis();
    time_analysis();
    check_configured_layout();
}

void initialize_fru() {
    read_configuration();
    check_temp_file_writable(read_result_file);
    current_device().hold_image(table_image(),
                                {"Writing fru data.....\n", "Writing checksum.....\n"});
    std::printf("Done!\n");
}
