// Hands command lines to the system shell: the tool's only way to reach the device and the
// outside programs.
#pragma once

#include <string>

// Runs one command line and returns its exit status (non-zero also when the shell could not be
// started or the command was ended by a signal).
using command_runner = int (*)(const std::string& command_line);

int run_command(const std::string& command_line);

// Replaces the runner, for unit tests that record command lines instead of running them.
// Returns the previous one.
command_runner set_command_runner(command_runner runner);

// printf-style formatting into a string of whatever length it needs.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));
