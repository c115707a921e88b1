// A file only this run knows, through which one whole-image transfer passes: made with mkstemp in
// $TMPDIR (or /tmp), never in the working directory, and removed when the transfer is done and
// however the run ends (a failure, SIGINT, SIGQUIT, SIGTERM or SIGHUP).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    std::string path_;
};

// `text` in single quotes for the shell, a single quote inside written as '\''.
std::string shell_quote(const std::string& text);
