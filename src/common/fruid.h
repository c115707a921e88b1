// The FRU device ID given on the command line; every device command carries it.
#pragma once

#include <cstdint>

extern int32_t FRUID;

// Decimal conversion of the first argument in the manner of atoi: leading blanks, an optional
// sign, digits up to the first non-digit, no digits giving 0. Numbers beyond the signed 32-bit
// range are clamped to INT32_MIN or INT32_MAX instead of wrapping, so that a mistyped huge ID can
// never land on a real device.
int32_t parse_fruid(const char* text);
