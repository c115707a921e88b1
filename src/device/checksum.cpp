#include "device/checksum.h"

#include <cstdint>
#include <vector>

#include "common/fail.h"
#include "device/byte_access.h"
#include "layout/image.h"
#include "layout/lookup.h"

namespace {

// Ends the process when `meant` holds another byte at `offset` than the one read there.
void compare_with_meant(const meant_bytes& meant, uint32_t offset, uint8_t read) {
    const auto found = meant.find(offset);
    if (found != meant.end() && found->second != read) {
        print_verify_failure(offset, found->second, read);
        exit_failure();
    }
}

} // namespace

void write_verify_checksum(const char* type, int mark, meant_bytes* meant) {
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
        if (mark == mark_write && meant != nullptr) {
            compare_with_meant(*meant, offset, bytes.back());
        }
    }
    const uint8_t expected = area_checksum(bytes);

    if (mark == mark_write) {
        write_value(area.checksum_offset, expected);
        if (meant != nullptr) {
            (*meant)[area.checksum_offset] = expected;
        }
        return;
    }
    const uint8_t actual = read_value(area.checksum_offset);
    if (actual != expected) {
        fail("Verify %s area checksum fail,expect:%x,actual:%x\n", type, unsigned{expected},
             unsigned{actual});
    }
    if (meant != nullptr) {
        for (uint32_t i = 0; i < bytes.size(); ++i) {
            compare_with_meant(*meant, area.start + i, bytes[i]);
        }
        compare_with_meant(*meant, area.checksum_offset, actual);
    }
}
