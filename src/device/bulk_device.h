// Bulk mode (TARNWICK_BULK=1): the whole image in one "ipmitool fru read" or "fru write" through a
// private file; every write keeps a copy of what the device held and is read back byte for byte.
// A device smaller than the layout reads as zeros past its end and is never written.
#pragma once

#include "device/fru_device.h"

fru_device& bulk_transfers();
