// The per-device lock that writes take, so that two writes to one device take turns.
#pragma once

#include <string>

// A write changes the device from what it read (an item's area checksum, bulk mode's whole
// image): two at once on one device, in either mode, would lose one's change. This takes an
// exclusive lock on fru<ID>.lock in the lock directory (lock_directory_for) until the run ends; a
// run that finds it taken says so once and waits. The lock is passed on to the commands the run
// starts, so that a utility still writing after the tool was killed keeps the device locked until
// it ends. A lock directory that is not a directory of this user's alone (a link, another owner,
// access for group or others) ends the run before any device command.
// Out of band the lock is per BMC and device: fru<ID>-<BMC>.lock (bmc_name_part).
void lock_device_for_writing();

// The lock directory for a run of the given effective user: `lock_dir` when set (test benches and
// simulated BMCs: TARNWICK_LOCK_DIR); /run/tarnwick for root; otherwise `runtime_dir`/tarnwick
// (XDG_RUNTIME_DIR, when it is an absolute path) or /tmp/tarnwick-<uid>.
std::string lock_directory_for(unsigned user, const char* lock_dir, const char* runtime_dir);
