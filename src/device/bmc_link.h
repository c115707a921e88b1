// Out of band: the device reached through its BMC's LAN port (IPMI v2 RMCP+, "ipmitool -I
// lanplus") instead of the host's own interface, chosen through the environment. The password
// travels only through the environment (-E) or a file of the user's own (-f), never on a command
// line, where every local user could read it.
#pragma once

// Reads TARNWICK_BMC and its companions. Unset or empty: in band, and every command line stays
// as it is. Otherwise every "ipmitool ..." command line of the run gets the LAN options after
// "ipmitool": "-I lanplus -H HOST -p PORT -U USER -C SUITE", then -E or -f FILE. A setting that
// could not be used ends the process with its message before any command runs.
void choose_bmc_link();

// Out of band, before the first device command: finds the first cipher suite of
// TARNWICK_BMC_CIPHER on which the BMC answers Get Device ID; it serves the rest of the run. None:
// the utility's last complaint on standard error, then the tool's message, and status 255. In
// band, or once found, nothing.
void reach_bmc();

// The cipher suite that serves the run (once reach_bmc has found it).
int bmc_cipher_suite();
