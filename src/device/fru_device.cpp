#include "device/fru_device.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/fail.h"
#include "device/bmc_link.h"
#include "device/bulk_device.h"
#include "device/byte_device.h"
#include "process/progress.h"
#include "process/write_guard.h"

namespace {

fru_device* chosen = nullptr;

} // namespace

void choose_fru_device() {
    const char* value = std::getenv("TARNWICK_BULK");
    if (value == nullptr || std::strcmp(value, "") == 0 || std::strcmp(value, "0") == 0) {
        chosen = &byte_transfers();
    } else if (std::strcmp(value, "1") == 0) {
        chosen = &bulk_transfers();
    } else {
        fail("TARNWICK_BULK must be 0 or 1, not \"%s\".\n", value);
    }
    choose_bmc_link();
}

fru_device& current_device() {
    reach_bmc();
    return chosen != nullptr ? *chosen : byte_transfers();
}

fru_image read_device_image() {
    const strict_device_reads strict;
    progress_start("reading", fru_image_size);
    const std::vector<uint8_t> bytes = current_device().read(0, fru_image_size);
    fru_image image;
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}

void check_read_back(const fru_image& image, const std::vector<uint8_t>& read_back) {
    // A device that now says it holds less cannot have taken the whole image.
    if (read_back.size() < image.size()) {
        fail("Verify failed at offset 0x%zx: expected %02x, read nothing.\n", read_back.size(),
             unsigned{image[read_back.size()]});
    }
    for (uint32_t offset = 0; offset < image.size(); ++offset) {
        if (read_back[offset] != image[offset]) {
            fail("Verify failed at offset 0x%x: expected %02x, read %02x.\n", offset,
                 unsigned{image[offset]}, unsigned{read_back[offset]});
        }
    }
}
