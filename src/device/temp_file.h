// The small files through which shell commands hand results back: "tmp" and "time_tmp" in the
// working directory. Two runs in one directory would share them, so the first use locks the
// directory for the rest of the run.
#pragma once

#include <cstddef>
#include <string>

constexpr const char* read_result_file = "tmp";

// Called before a command writes `name`: locks the working directory (once per run; a run that
// finds it locked says so once and waits), ends the process if `name` exists and is not a regular
// file (the tool runs as root: removing a directory of that name, or redirecting into a link,
// would destroy what the operator keeps there), and removes an old file of that name, so that a
// redirection that fails cannot hand back an old result. A file that cannot be removed ends the
// process before the command runs.
void prepare_temp_file(const char* name);

// Called before the first byte of a write: "tmp" can be created, written and removed in the
// working directory, or the process ends with nothing written.
void check_temp_file_writable();

// Reads at most `max_chars` bytes from the start of the file, then removes it with "rm -rf".
// A file that cannot be opened ends the process: a result silently taken as empty could end up
// written to the device.
std::string take_temp_file(const char* name, std::size_t max_chars);

// Removes `name` without a command, where a failure is being reported anyway.
void discard_temp_file(const char* name);
