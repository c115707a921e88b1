// Shared pieces of the tests of the item commands and the full initialisation.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "bench.h"

namespace ops_test {

// One parsed raw command from the fake's log.
struct raw_command {
    bool write;
    unsigned device;
    unsigned offset;
    unsigned data; // writes only
};

// Parses "ipmitool raw 0x0a 0x11|0x12 DEV LO HI X" lines; other lines give nothing.
bool parse_raw(const std::string& line, raw_command& command);

// The raw commands of a log, in order; `other` collects every other line.
std::vector<raw_command> raw_commands(const std::vector<std::string>& log,
                                      std::vector<std::string>* other = nullptr);

// Expected raw commands: writes or reads of offsets [first, last].
void add_range(std::vector<raw_command>& commands, bool write, unsigned first, unsigned last);

// The three bytes of a date given as UTC calendar fields, minutes since 1996, least significant
// first.
std::vector<uint8_t> fru_date(int year, int month, int day, int hour, int minute);

using bench::first_512;

// Sum of bytes [first, last] modulo 256.
uint8_t byte_sum(const std::vector<uint8_t>& bytes, unsigned first, unsigned last);

// Raw commands compare by kind and offset only; tests check device IDs and data separately.
bool operator==(const raw_command& a, const raw_command& b);
std::ostream& operator<<(std::ostream& out, const raw_command& command);

} // namespace ops_test
