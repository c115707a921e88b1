#include "device/checksum.h"

#include <cstdint>
#include <vector>

#include "common/fail.h"
#include "device/byte_access.h"
#include "layout/image.h"
#include "layout/lookup.h"

void write_verify_checksum(const char* type, int mark) {
    const int header_item = area_header_item(type);
    if (header_item < 0) {
        return;
    }
    const area_location area = locate_area(header_item);
    // Only the start must begin an item; the offset lookup's message says where it does not.
    if (area.version_item < 0) {
        get_item_number_by_offset(area.start);
    }

    std::vector<uint8_t> bytes;
    for (uint32_t offset = area.start; offset < area.checksum_offset; ++offset) {
        bytes.push_back(read_value(offset));
    }
    const uint8_t expected = area_checksum(bytes);

    if (mark == mark_write) {
        write_value(area.checksum_offset, expected);
        return;
    }
    const uint8_t actual = read_value(area.checksum_offset);
    if (actual != expected) {
        fail("Verify %s area checksum fail,expect:%x,actual:%x\n", type, unsigned{expected},
             unsigned{actual});
    }
}
