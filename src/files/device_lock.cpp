#include "files/device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/fail.h"
#include "common/fruid.h"
#include "files/private_file.h"
#include "process/command_runner.h"
#include "process/interrupts.h"

void lock_device_for_writing() {
    // Held until the run ends; flock would not see a second lock of this run as its own.
    static int locked_device = -1;
    static bool locked = false;
    if (locked && locked_device == FRUID) {
        return;
    }
    const std::string path = private_file_directory() + format_text("/tarnwick-fru%d.lock", FRUID);
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0) {
        fail("Can not lock FRU device %d for writing with \"%s\".\n", FRUID, path.c_str());
    }
    locked = true;
    locked_device = FRUID;
    if (flock(file, LOCK_EX | LOCK_NB) == 0) {
        return;
    }
    std::printf("Waiting for another tarnwick write to FRU device %d...\n", FRUID);
    std::fflush(stdout);
    const interrupts_held holding; // Ctrl-C while waiting ends the run as at any other time
    while (flock(file, LOCK_EX) != 0) {
        if (errno != EINTR) {
            fail("Can not lock FRU device %d for writing with \"%s\".\n", FRUID, path.c_str());
        }
        if (const int signal = pending_interrupt()) {
            stop_interrupted(signal);
        }
    }
}
