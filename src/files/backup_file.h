// The copy of what a device held, kept in the working directory before bulk mode overwrites it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Saves `bytes` (everything the read returned) to fru<ID>-YYYYmmddTHHMMSSZ.bin (UTC) in the
// working directory and returns the name. The copy is whole or absent: it is written and synced
// under a hidden name (.fru<ID>-...bin.XXXXXX), then linked to its name, never over an existing
// file or link (a name that is taken gets -2, -3, ... before ".bin"), and the hidden name removed.
// The signals that end a run are held meanwhile; one that came removes the copy again before the
// run ends by it. Killed outright, a run can leave at most the hidden file. A copy that cannot be
// saved whole and on disk ends the process, so that nothing is written without it.
// Out of band the name carries the BMC: fru<ID>-<BMC>-YYYYmmddTHHMMSSZ.bin (bmc_name_part).
std::string save_backup(const std::vector<uint8_t>& bytes);
