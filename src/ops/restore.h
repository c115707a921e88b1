// "-restore FILE": a saved FRU image (a backup) put back on device FRUID, checked before and read
// back after.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "layout/image.h"

// Why `bytes`, the whole content of a file given to "-restore", is refused (see below); "" when
// it is not, with its first 512 bytes in `image`.
std::string restore_image_fault(std::span<const uint8_t> bytes, fru_image& image);

// Reads FILE for "-restore": a regular file (or a link to one) of 512 to 65536 bytes whose first
// 512 bytes are a FRU image by their own common header, whatever its layout, or a blank device
// (all 0x00 or all 0xff). Returns "" with those bytes in `image`, or the whole message that
// refuses the file.
std::string read_restore_file(const char* path, fru_image& image);

// Writes the first 512 bytes of FILE to the device as they are and compares every byte read
// back; a refused file ends the process before any device command.
void restore_fru_image(const char* path);
