// What the operations ask of FRU device FRUID, and the two ways of carrying it out: one shell
// command per byte (the default), or the whole image in one "ipmitool fru" read or write (bulk
// mode, TARNWICK_BULK=1). The mode is chosen once, at start.
#pragma once

#include <cstdint>
#include <vector>

#include "layout/image.h"

// The lines "-w" prints before it writes the data and before the checksums.
struct image_progress {
    const char* writing_data;
    const char* writing_checksum;
};

class fru_device {
  public:
    virtual ~fru_device() = default;

    // `count` bytes from `offset`, as the device holds them. A byte the device does not give
    // (a failed read, an offset past its end) ends the process naming its offset.
    virtual std::vector<uint8_t> read(uint32_t offset, uint32_t count) = 0;

    // "-w": the device ends up holding `image` with each info area's checksum made right.
    virtual void hold_image(const fru_image& image, const image_progress& progress) = 0;

    // An item write: the item's bytes as the table holds them (item_bytes), then its area's
    // checksum made right and verified.
    virtual void hold_item(int index, const char* area_name) = 0;

    // "-restore": the device ends up holding exactly `image`, checksums as they stand, every byte
    // read back and compared. `announcement` is printed before the first write.
    virtual void hold_exact_image(const fru_image& image, const char* announcement) = 0;
};

// The message of a device the utility could not read (printf format, the device ID).
constexpr const char* cannot_read_device = "Can not read FRU device %d.\n";

// Reads TARNWICK_BULK: unset, empty or "0" for byte transfers, "1" for bulk transfers; any other
// value ends the process with its message before any command runs.
void choose_fru_device();

// True when bulk transfers were chosen: their commands carry the device ID in decimal.
bool bulk_transfers_chosen();

// The device of the chosen mode (byte transfers until a choice is made).
fru_device& current_device();

// The device's first 512 bytes, for a report.
fru_image read_device_image();
