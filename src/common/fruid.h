// The FRU device ID given on the command line; every device command carries it.
#pragma once

#include <cstdint>

extern int32_t FRUID;

// Decimal conversion of the first argument in the manner of atoi: leading blanks, an optional
// sign, digits up to the first non-digit, no digits giving 0. Numbers beyond the signed 32-bit
// range are clamped to INT32_MIN or INT32_MAX instead of wrapping, so that a mistyped huge ID can
// never land on a real device.
int32_t parse_fruid(const char* text);

// The device ID of a command that writes: optional leading blanks, then decimal digits and nothing
// else, from 0 to 254 (the IPMI FRU device IDs); -1 for any other text. A write must never land on
// a device other than the one meant, as the decimal conversion above would make of "0x6", "6x",
// "abc" or "-1".
int32_t parse_write_fruid(const char* text);
