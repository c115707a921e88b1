// Area checksums, computed from the bytes the device holds.
#pragma once

constexpr int mark_write = 0;
constexpr int mark_verify = 1;

// For the area named by `type` ("chassis", "board" or "product"): sums the area's bytes as read
// back from the device and either writes the two's complement into the area's checksum byte
// (mark_write) or checks that the byte on the device makes the area add up to 0 (mark_verify),
// ending the process with the area's message if not. Any other `type` does nothing.
void write_verify_checksum(const char* type, int mark);
