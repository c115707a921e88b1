// The BMC a run reaches through its LAN port (TARNWICK_BMC), for the names of the files that
// belong to its device.
#pragma once

#include <string>

// Set once at start, before any device command; empty for a run through the host's own BMC.
void set_bmc_host(const std::string& host);
const std::string& bmc_host();

// What a lock or backup name carries of the BMC: nothing in band, otherwise "-HOST" with every
// character outside [A-Za-z0-9.-] as "_" (the colons of an IPv6 address), so that device 0 of
// two BMCs never shares a lock or a backup name.
std::string bmc_name_part();
