// Single-byte reads and writes of FRU device FRUID, each one IPMI raw command run by the shell.
#pragma once

#include <cstdint>

// Highest offset a command can address (five 256-byte pages).
constexpr uint32_t max_fru_offset = 0x4FF;

// Called before the first byte of a write operation. From then on a write command that fails or
// a read that returns no byte ends the process instead of going on: a device that takes nothing
// must not end in a success. It also checks "tmp" up front, so that a write is not cut off
// between its bytes and its checksum. Outside writes a failed read gives 0 and a failed write
// goes unnoticed.
void begin_device_write();
void end_device_write();

void write_value(uint32_t offset, uint8_t value);
uint8_t read_value(uint32_t offset);

// The byte a read command left in "tmp": its first two characters as a hexadecimal number, 0 when
// they hold no hexadecimal digit. `has_digit`, when given, tells which case it was.
uint8_t get_return_data(bool* has_digit = nullptr);
