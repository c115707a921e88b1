// Shared helpers of the unit tests: a scratch working directory, a restorable layout table, an
// in-memory FRU device behind the command runner, and capture of a function that may end the
// process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "layout/item_table.h"

// Output, exit status and standard error of a function run in a child process (it may call exit
// itself); the status is 128 plus the signal number when a signal ended it.
struct captured {
    std::string out;
    int status;
    std::string err;
};
captured run_captured(const std::function<void()>& body);
// Standard output of a function run in this process (so that its effects on the table and the
// in-memory device stay visible); it must not end the process.
std::string capture_stdout(const std::function<void()>& body);

// Every command line handed to the runner, and a 1280-byte device answering the raw commands the
// way the real utility does (reads leave the byte in "tmp" through the same file the tool reads),
// and the whole-image "fru read" and "fru write" through their files. Other "ipmitool" command
// lines (the decoded listings) are recorded and not run; everything else goes to the shell.
struct memory_device {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(1280, 0);
    std::vector<std::string> commands;
    bool reads_fail = false;
    int read_status = 0; // the status of a read command (awk's, or the shell's redirection)
    int write_status = 0;
    long corrupt_at = -1; // a byte written at this offset is stored plus 1
};
extern memory_device* active_device;

// Runs each test in a fresh working directory with the default table and the in-memory device
// behind the command runner; everything is put back afterwards.
class tool_test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    memory_device device;

  private:
    std::string previous_dir_;
    std::string scratch_dir_;
    std::string lock_dir_;
    std::string previous_tmpdir_;
    bool had_tmpdir_ = false;
    _item_info saved_table_[item_count];
};

void set_value_text(int index, const std::string& text);
std::string value_text(int index);
