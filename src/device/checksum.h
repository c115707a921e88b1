// Area checksums, computed from the bytes the device holds.
#pragma once

#include "device/read_back.h"

constexpr int mark_write = 0;
constexpr int mark_verify = 1;

// For the area named by `type` ("chassis", "board" or "product"): sums the area's bytes as read
// back from the device and either writes the two's complement into the area's checksum byte
// (mark_write) or checks that the byte on the device makes the area add up to 0 (mark_verify),
// ending the process with the area's message if not. Any other `type` does nothing.
//
// With `meant`, the bytes the pass reads at its offsets are compared with what the write meant
// them to be, and the first that differs ends the process (print_verify_failure) without another
// command: the write pass compares each byte before the checksum as it reads it and adds the
// checksum it writes to `meant`; the verify pass compares the area, checksum included, once the
// checksum has checked out.
void write_verify_checksum(const char* type, int mark, meant_bytes* meant = nullptr);
