// A file only this run knows, through which one whole-image transfer passes: made with mkstemp in
// $TMPDIR (or /tmp), never in the working directory, and removed when the transfer is done and
// however the run ends early: a failure, or a signal, which is held while the file exists
// (interrupts.h) so that the run never ends while a command could still write the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process/interrupts.h"

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

// $TMPDIR or /tmp, as a path the utility cannot take for an option: a relative one gets "./".
std::string private_file_directory();
