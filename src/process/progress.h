// The progress of a run of many device commands, shown on a terminal (common/terminal_line.h),
// for example "writing FRU device 0: 312/944 commands, about 40 s left", redrawn at most ten
// times a second. Only when standard error is a terminal and TARNWICK_PROGRESS is not "0";
// standard output and a standard error that is a pipe or a file stay as they are.
#pragma once

#include <cstdint>
#include <string>

// Reads TARNWICK_PROGRESS: unset, empty or "1" for the line on a terminal, "0" for none; any other
// value ends the process with its message before any command runs.
void choose_progress();

// Counts the next `total` device commands as `doing` ("reading", "writing") FRU device FRUID. The
// line first shows at a step a tenth of a second after the start (short runs never show it), is
// back at the next step after output has taken it away, and goes with the last step. A start ends
// any counting under way.
void progress_start(const char* doing, uint32_t total);

// One device command done. read_value and write_value count theirs; bulk transfers count none,
// so no line shows for them. A command that `failed` has put the utility's complaint on the
// terminal, most likely over the line: the line goes and is not drawn again in this run, so that
// the complaints of the commands after it stay whole.
void progress_step(bool failed = false);

// Ends the counting and takes the line away: for the end of a run whose count fell short.
void progress_end();
