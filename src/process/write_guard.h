// A write to the device under way, as a scoped guard around the commands of one write operation
// (the bytes and checksum passes of "-w" or of an item write; bulk mode's write and read-back).
#pragma once

#include <cstdint>

#include "process/interrupts.h"

// While a guard lives:
// - a device command that fails, or a read that returns no byte, ends the process naming its
//   offset, instead of going on: a device that takes nothing must not end in a success;
// - the signals that end a run are held (interrupts.h), also between commands, and end the
//   process after saying at which offset the write stopped;
// - a closed output pipe no longer ends the process halfway (the run then ends with status 255).
// The operations check that "tmp" can be written (check_temp_file_writable) before they make one.
class device_write_guard {
  public:
    device_write_guard();
    ~device_write_guard();
    device_write_guard(const device_write_guard&) = delete;
    device_write_guard& operator=(const device_write_guard&) = delete;

  private:
    interrupts_held holding_;
};

// True while a device_write_guard lives.
bool device_write_under_way();

// While one lives, a read that returns no byte ends the process naming its offset, as within a
// write: for reports that must not show a byte the device did not give. Reads outside both show
// such a byte as 0.
class strict_device_reads {
  public:
    strict_device_reads();
    ~strict_device_reads();
    strict_device_reads(const strict_device_reads&) = delete;
    strict_device_reads& operator=(const strict_device_reads&) = delete;

  private:
    bool was_strict_;
};

// True while a device_write_guard or a strict_device_reads lives.
bool device_reads_strict();

// The offset the next device command works at, for the message of an interrupted write.
void note_device_offset(uint32_t offset);
uint32_t current_device_offset();
