// Hands command lines to the system shell: the tool's only way to reach the device and the
// outside programs.
#pragma once

#include <string>

// Runs one command line and returns its exit status: 128 plus the signal number when the command
// was ended by a signal, -1 when the shell could not be started. With `status_of_first`, the line
// is a pipeline whose first command is a simple command (no quote and no "|" in it), and the
// status is that command's own instead of the last one's.
using command_runner = int (*)(const std::string& command_line, bool status_of_first);

// Runs the command through the current runner. A command ended by SIGINT or SIGQUIT (Ctrl-C,
// Ctrl-\), or a signal the tool noted meanwhile, ends the tool by the same signal, so that a
// calling shell loop stops too; from the write command of a whole-image write to the verdict on
// its read-back the signal waits instead (write_guard.h).
int run_command(const std::string& command_line);

// As run_command, for a pipeline "FIRST | ..." whose FIRST is a simple command (no quote and no
// "|" in it): returns FIRST's own exit status, a utility that failed, rather than that of the
// filters after it. The line's processes are the ones the shell would start for it.
int run_command_status_of_first(const std::string& command_line);

// While one lives, the shell's commands run shielded from the signals that end a run (SIGINT,
// SIGQUIT, SIGTERM, SIGHUP): a terminal's Ctrl-C or a dropped session cannot cut a whole-image
// transfer in the middle. The tool still notes the signal and acts once the command is done.
// Scopes nest.
class commands_shielded {
  public:
    commands_shielded();
    ~commands_shielded();
    commands_shielded(const commands_shielded&) = delete;
    commands_shielded& operator=(const commands_shielded&) = delete;
};

// Turns each command line into the one that runs (out of band: the device layer's LAN options
// after "ipmitool"); nullptr, the default, runs every line as it is given.
using command_line_filter = std::string (*)(const std::string& command_line);
void set_command_line_filter(command_line_filter filter);

// Replaces the runner, for unit tests that record command lines instead of running them.
// Returns the previous one.
command_runner set_command_runner(command_runner runner);

// printf-style formatting into a string of whatever length it needs.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// `text` in single quotes for the shell, a single quote inside written as '\''.
std::string shell_quote(const std::string& text);
