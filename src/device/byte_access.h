// Single-byte reads and writes of FRU device FRUID, each one IPMI raw command run by the shell.
#pragma once

#include <cstdint>

// Highest offset a command can address (five 256-byte pages).
constexpr uint32_t max_fru_offset = 0x4FF;

// One byte of device FRUID at an absolute offset. A read that gives no byte, or whose result could
// not be kept (its command's status is not 0), ends the process naming the offset; so does a write
// command that fails within a write (device_write_guard), which goes unnoticed elsewhere. An
// offset past max_fru_offset ends the process before any command.
void write_value(uint32_t offset, uint8_t value);
uint8_t read_value(uint32_t offset);

// The byte a read command left in "tmp": its first two characters as a hexadecimal number, 0 when
// they hold no hexadecimal digit. `has_digit`, when given, tells which case it was.
uint8_t get_return_data(bool* has_digit = nullptr);
