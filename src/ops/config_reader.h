// The reader of "fruconfig.ini": item values from the configuration file into the layout table.
#pragma once

#include <string>

constexpr const char* config_file_name = "fruconfig.ini";

// Reads "fruconfig.ini" from the working directory into the table's values. A file that cannot
// be read, or a refused value, ends the process before anything is written to the device.
void ini_file_analysis();

// The same rules applied to the file's bytes; used by ini_file_analysis and by the fuzz target.
// Stops at a value with two spaces before more text and returns false with its key in
// `refused_key`; the lines before it stay applied.
bool apply_config_text(const std::string& text, std::string& refused_key);
