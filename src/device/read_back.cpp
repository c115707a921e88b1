#include "device/read_back.h"

#include <cstdio>

#include "common/fail.h"
#include "common/terminal_line.h"

void print_verify_failure(uint32_t offset, uint8_t expected, uint8_t read) {
    clear_terminal_line();
    std::printf("Verify failed at offset 0x%x: expected %02x, read %02x.\n", offset,
                unsigned{expected}, unsigned{read});
}

bool read_back_matches(const fru_image& image, const std::vector<uint8_t>& read_back) {
    // A device that now says it holds less cannot have taken the whole image.
    if (read_back.size() < image.size()) {
        clear_terminal_line();
        std::printf("Verify failed at offset 0x%zx: expected %02x, read nothing.\n",
                    read_back.size(), unsigned{image[read_back.size()]});
        return false;
    }
    for (uint32_t offset = 0; offset < image.size(); ++offset) {
        if (read_back[offset] != image[offset]) {
            print_verify_failure(offset, image[offset], read_back[offset]);
            return false;
        }
    }
    return true;
}

void check_read_back(const fru_image& image, const std::vector<uint8_t>& read_back) {
    if (!read_back_matches(image, read_back)) {
        exit_failure();
    }
}
