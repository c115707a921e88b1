// Whole reads and writes of an open file, carried on across interrupted system calls: the tool
// holds signals with a handler, so a read or write may return early with EINTR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Writes all `count` bytes; false on the first error.
bool write_all(int file, const uint8_t* bytes, std::size_t count);

// Everything from the current position to the end of the file (what was read before an error).
std::vector<uint8_t> read_all(int file);
