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

// What read_regular_file found.
enum class file_read { done, failed, not_regular };

// Up to `limit` + 1 bytes of the file at `path` (one more tells a file that is too large).
// Anything but a regular file (or a link to one) is refused unopened: opening a device or a FIFO
// can act on it (a watchdog starts, a tape rewinds, a waiting writer goes on) or wait for ever.
// The file is opened without blocking, should it be swapped for a FIFO meanwhile.
file_read read_regular_file(const char* path, std::size_t limit, std::vector<uint8_t>& bytes);
