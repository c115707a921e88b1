// The small files through which shell commands hand results back: "tmp" and "time_tmp" in the
// working directory.
#pragma once

#include <cstddef>
#include <string>

// Ends the process if `name` exists and is not a regular file. The tool runs as root: removing a
// directory of that name, or redirecting into a link, would destroy what the operator keeps there.
void guard_temp_file(const char* name);

// Reads at most `max_chars` bytes from the start of the file, then removes it with "rm -rf".
// A file that cannot be opened ends the process: a result silently taken as empty could end up
// written to the device.
std::string take_temp_file(const char* name, std::size_t max_chars);
