// Fuzz target of "-restore"'s check of the file it is given: any bytes are either refused or
// accepted as an image that is blank or that its own common header describes whole within the
// 512 bytes written, every info area adding up to 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "layout/image.h"
#include "layout/item_table.h"
#include "ops/restore.h"

namespace {

// What the device gets holds together by its own header: version 1, a header adding up to 0, and
// every area the header points to within the image (an info area by its own length byte).
void check_accepted(std::span<const uint8_t> data, const fru_image& image) {
    if (data.size() < image.size() || !std::equal(image.begin(), image.end(), data.begin())) {
        __builtin_trap();
    }
    if (is_blank(image)) {
        return;
    }
    if (image[0] != 0x01 || byte_sum(std::span(image).first(header_item_count)) != 0) {
        __builtin_trap();
    }
    for (int header_byte = 1; header_byte <= 5; ++header_byte) {
        const std::size_t start = image[header_byte] * std::size_t{8};
        if (start >= image.size()) {
            __builtin_trap();
        }
        const bool info_area = header_byte >= 2 && header_byte <= 4;
        if (start == 0 || !info_area) {
            continue;
        }
        const std::size_t length = start + 1 < image.size() ? image[start + 1] * std::size_t{8} : 0;
        if (length == 0 || start + length > image.size() ||
            byte_sum(std::span(image).subspan(start, length)) != 0) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    fru_image image{};
    if (restore_image_fault(bytes, image).empty()) {
        check_accepted(bytes, image);
    }
    return 0;
}
