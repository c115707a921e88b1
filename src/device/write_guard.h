// A write to the device under way, as a scoped guard around the commands of one write operation
// (the bytes and the checksum passes of "-w" or of an item write).
#pragma once

#include <cstdint>

// While a guard lives:
// - a device command that fails, or a read that returns no byte, ends the process naming its
//   offset, instead of going on: a device that takes nothing must not end in a success;
// - an interrupt (SIGINT, SIGQUIT), whether it ends a command or arrives between two, ends the
//   process by that signal after saying at which offset the write stopped;
// - a closed output pipe no longer ends the process halfway (the run then ends with status 255).
// The operations check that "tmp" can be written (check_temp_file_writable) before they make one.
class device_write_guard {
  public:
    device_write_guard();
    ~device_write_guard();
    device_write_guard(const device_write_guard&) = delete;
    device_write_guard& operator=(const device_write_guard&) = delete;
};

// True while a device_write_guard lives.
bool device_write_under_way();

// The offset the next device command works at, for the interrupt message.
void note_device_offset(uint32_t offset);

// A SIGINT or SIGQUIT that arrived between two commands of a write; 0 for none.
int pending_interrupt();

// Ends the process by `signal`; during a write it first prints the offset it stopped at.
[[noreturn]] void stop_interrupted(int signal);
