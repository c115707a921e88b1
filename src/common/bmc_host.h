// The BMC a run reaches through its LAN port (TARNWICK_BMC), for the names of the files that
// belong to its device.
#pragma once

#include <string>

// Set once at start, before any device command; empty for a run through the host's own BMC.
void set_bmc_host(const std::string& host, unsigned long port);
const std::string& bmc_host();

// What a lock or backup name carries of the BMC: nothing in band, otherwise "-HOST" with every
// character outside [A-Za-z0-9.-] as "_" (the colons of an IPv6 address), so that device 0 of
// two BMCs never shares a lock or a backup name.
std::string bmc_name_part();

// What a lock name carries of the BMC: the same, and "+PORT" when its port is not the usual
// 623, so that two BMCs behind one address (forwarded ports, the simulators of the tests) are
// two devices 0 that can be written side by side.
std::string bmc_lock_name_part();
