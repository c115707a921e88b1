// Comparing what a device gives back after a write with what the write meant it to hold.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "layout/image.h"

// The bytes a write meant the device to hold, by offset.
using meant_bytes = std::map<uint32_t, uint8_t>;

// Prints the line for the first byte read back that is not the byte meant there.
void print_verify_failure(uint32_t offset, uint8_t expected, uint8_t read);

// True when `read_back` (what the device gave after a write) starts with every byte of `image`;
// otherwise prints the line for the first offset where it does not, and returns false.
bool read_back_matches(const fru_image& image, const std::vector<uint8_t>& read_back);

// As read_back_matches, ending the process with status 255 where it would return false.
void check_read_back(const fru_image& image, const std::vector<uint8_t>& read_back);
