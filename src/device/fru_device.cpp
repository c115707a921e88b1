#include "device/fru_device.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/fail.h"
#include "device/bmc_link.h"
#include "device/bulk_device.h"
#include "device/byte_device.h"
#include "process/progress.h"

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

bool bulk_transfers_chosen() {
    return chosen == &bulk_transfers();
}

fru_device& current_device() {
    reach_bmc();
    return chosen != nullptr ? *chosen : byte_transfers();
}

fru_image read_device_image() {
    progress_start("reading", fru_image_size);
    const std::vector<uint8_t> bytes = current_device().read(0, fru_image_size);
    fru_image image;
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}
