// The copy of what a device held, kept in the working directory before bulk mode overwrites it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Saves `bytes` (everything the read returned) to fru<ID>-YYYYmmddTHHMMSSZ.bin (UTC) in the
// working directory, created exclusively: never over an existing file or through a link; a name
// that is taken gets -2, -3, ... before ".bin". Returns the name. A copy that cannot be saved
// whole and on disk ends the process, so that nothing is written without it.
std::string save_backup(const std::vector<uint8_t>& bytes);
