// The small files through which shell commands hand results back: "tmp" and "time_tmp" in the
// working directory. Two runs in one directory would share them, so the first use locks the
// directory for the rest of the run.
#pragma once

#include <cstddef>
#include <string>

constexpr const char* read_result_file = "tmp";
constexpr const char* date_result_file = "time_tmp";

// Called before a command writes `name`: locks the working directory (once per run; a run that
// finds it locked says so once and waits), ends the process if `name` exists and is not a regular
// file (the tool runs as root: removing a directory of that name, or redirecting into a link,
// would destroy what the operator keeps there), and removes an old file of that name, so that a
// redirection that fails cannot hand back an old result. A file that cannot be removed ends the
// process before the command runs.
void prepare_temp_file(const char* name);

// Called before a write needs `name` ("time_tmp" before the date step, "tmp" before the first
// byte): it can be created, written and removed in the working directory, or the process ends with
// nothing written. Otherwise as prepare_temp_file.
void check_temp_file_writable(const char* name);

// Reads at most `max_chars` bytes from the start of the file, then removes it with "rm -rf".
// A file that cannot be opened ends the process: a result silently taken as empty could end up
// written to the device.
std::string take_temp_file(const char* name, std::size_t max_chars);

// After a command that could not keep its result: a file the shell could not even create ends the
// process as an unusable file does (take_temp_file); one it left is removed, for the caller to
// report the failure.
void discard_failed_result(const char* name);

// Removes "tmp" and "time_tmp" when this run holds the working directory (they are its own), as
// it ends on an interrupt.
void discard_temp_files();
