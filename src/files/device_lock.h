// The per-device lock that writes take, so that two writes to one device take turns.
#pragma once

// Bulk writes change the whole image from one read: two at once on one device would lose one's
// change. This takes an exclusive lock on $TMPDIR/tarnwick-fru<ID>.lock (kept, empty) until the
// run ends; a run that finds it taken says so once and waits.
void lock_device_for_writing();
