// Bulk mode (TARNWICK_BULK=1): the whole image in one "ipmitool fru read" or "fru write" through a
// private file; every write keeps a copy of what the device held and is read back byte for byte,
// and a write whose read-back fails or differs is put back from that copy.
// A device smaller than the layout gives no byte past its end and is never written.
// No signal cuts one of these commands: an interrupt takes effect once the read under way is done,
// and once a write has started, only after its read-back has been compared (write_guard.h).
#pragma once

#include "device/fru_device.h"

fru_device& bulk_transfers();
