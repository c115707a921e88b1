// The default transfers: one IPMI raw command per byte (byte_access), the area checksums computed
// from the bytes read back (checksum).
#pragma once

#include "device/fru_device.h"

fru_device& byte_transfers();

// Writes item `index`'s bytes (item_bytes) at its offset, ascending, one write_value each.
void write_single_value(int index);
