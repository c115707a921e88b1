// A file only this run knows, through which one whole-image transfer passes: made with mkstemp in
// $TMPDIR (or /tmp), never in the working directory, and removed when the transfer is done and
// however the run ends early: a failure, or a signal, which is held while the file exists
// (interrupts.h) so that the run never ends while a command could still write the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/interrupts.h"

class private_file {
  public:
    // A failure to make the file ends the process.
    private_file();
    ~private_file();
    private_file(const private_file&) = delete;
    private_file& operator=(const private_file&) = delete;

    // The path quoted for the shell.
    std::string shell_path() const;

    // What the file holds now (an outside program may have written it).
    std::vector<uint8_t> contents() const;

    // Replaces what the file holds; a failure ends the process.
    void set_contents(const uint8_t* bytes, std::size_t count) const;

  private:
    interrupts_held holding_;
    std::string path_;
};

// `text` in single quotes for the shell, a single quote inside written as '\''.
std::string shell_quote(const std::string& text);

// Bulk writes change the whole image from one read: two at once on one device would lose one's
// change. This takes an exclusive lock on $TMPDIR/tarnwick-fru<ID>.lock (kept, empty) until the
// run ends; a run that finds it taken says so once and waits.
void lock_device_for_writing();
