// A write to the device under way, as a scoped guard around the commands of one write operation
// (the bytes and checksum passes of "-w" or of an item write; bulk mode's write and read-back),
// and bulk mode's whole-image write from its first read to the verdict on its read-back.
#pragma once

#include "process/command_runner.h"
#include "process/interrupts.h"
#include "process/write_state.h"

// While a guard lives:
// - a device write command that fails ends the process naming its offset, instead of going on: a
//   device that takes nothing must not end in a success;
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

// A whole-image write (bulk mode), from the first read of the device to the verdict on the
// read-back. Its commands run shielded (commands_shielded) and the signals that end a run are
// held throughout:
// - one that comes before image_write_starts() ends the run once the command under way is done,
//   saying "Interrupted; nothing written to FRU device N." (a backup already saved stays);
// - one that comes from there on waits for the verdict: image_write_verified() then ends the run
//   saying that the device holds the new image; a failure on the way (a read-back that fails or
//   differs, and the putting back of the old image after it) prints its messages and ends the
//   run by the signal instead of with status 255.
class image_write_guard {
  public:
    image_write_guard();
    ~image_write_guard();
    image_write_guard(const image_write_guard&) = delete;
    image_write_guard& operator=(const image_write_guard&) = delete;

  private:
    interrupts_held holding_;
    commands_shielded shielded_;
};

// Right before the write command of the image_write_guard that lives.
void image_write_starts();
// Once the read-back has matched the image, byte for byte.
void image_write_verified();
